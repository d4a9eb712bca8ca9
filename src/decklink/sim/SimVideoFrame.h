#pragma once

// The frames of the simulated card: captured frames, frames a conversion makes, and the frames an
// output makes for the station (with bytes of their own, over a buffer the station lends, or over
// a platform pixel buffer without a copy). One class answers for all of them: the picture, its
// bytes (IDeckLinkVideoBuffer) and its colour and HDR items (metadata extensions).

#include "decklink/sim/DeckLinkSimControl.h"
#include "decklink/sim/SimObject.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace sim {

class SimVideoFrame final : public SimObject<IDeckLinkMutableVideoFrame, IDeckLinkVideoInputFrame, IDeckLinkVideoBuffer,
                                IDeckLinkVideoFrameMutableMetadataExtensions> {
public:
    enum class Fill { Zero, Uninitialized };
    // An output's frames are counted apart, are not input frames, and obey the metadata faults of
    // the failure mask.
    enum class Role { Driver, Output };

    // A frame with its own bytes (rowBytes × height), zero-filled unless the caller writes every
    // byte itself.
    SimVideoFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes, DeckLinkPixelFormat format,
        DeckLinkFrameFlags flags, Fill fill = Fill::Zero, Role role = Role::Driver);
    // A frame over a lent buffer (the frame keeps a reference to it).
    SimVideoFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes, DeckLinkPixelFormat format,
        DeckLinkFrameFlags flags, IDeckLinkVideoBuffer* buffer, Role role = Role::Driver);
    // An output frame over a platform pixel buffer, lent for reading: retains its owner now and
    // releases it when the frame goes.
    explicit SimVideoFrame(const DeckLinkPixelBufferRef& pixelBuffer);

    // The smallest row stride a format needs at a width; 0 for a format the card does not know.
    static std::int32_t minimumRowBytes(DeckLinkPixelFormat format, std::int32_t width);

    HRESULT QueryInterface(REFIID iid, void** object) override;

    // IDeckLinkVideoFrame
    std::int32_t GetWidth() override { return width_; }
    std::int32_t GetHeight() override { return height_; }
    std::int32_t GetRowBytes() override { return reportedRowBytes_; }
    DeckLinkPixelFormat GetPixelFormat() override { return format_; }
    DeckLinkFrameFlags GetFlags() override;
    HRESULT SetFlags(DeckLinkFrameFlags flags) override;

    // IDeckLinkVideoBuffer (own bytes only; a lent buffer answers for itself)
    HRESULT GetBytes(void** buffer) override;
    HRESULT StartAccess(DeckLinkBufferAccessFlags flags) override;
    HRESULT EndAccess(DeckLinkBufferAccessFlags flags) override;

    // Metadata extensions
    HRESULT GetInt(DeckLinkFrameMetadataID id, std::int64_t* value) override;
    HRESULT GetFloat(DeckLinkFrameMetadataID id, double* value) override;
    HRESULT GetFlag(DeckLinkFrameMetadataID id, bool* value) override;
    HRESULT SetInt(DeckLinkFrameMetadataID id, std::int64_t value) override;
    HRESULT SetFloat(DeckLinkFrameMetadataID id, double value) override;
    HRESULT SetFlag(DeckLinkFrameMetadataID id, bool value) override;

    // Direct access for the driver itself (no reference games).
    std::uint8_t* bytes();
    std::int32_t rowBytes() const { return rowBytes_; }
    // What GetRowBytes and GetBytes report (fault injection); the real layout stays as made.
    void misreportRowBytes(std::int32_t rowBytes) { reportedRowBytes_ = rowBytes; }
    void reportNullBytes() { reportNullBytes_ = true; }

    Role role() const { return role_; }
    bool wrapped() const { return pixelBuffer_.owner != nullptr; }
    // The colour and HDR items written so far, in order of their codes.
    std::vector<CorvaleSimMetadataItem> metadataItems() const;

    // Output frames alive right now (a subset of liveObjectCount).
    static std::atomic<long>& liveOutputFrameCount();

private:
    ~SimVideoFrame() override;
    enum class Kind { Int, Float, Flag };
    HRESULT store(DeckLinkFrameMetadataID id, Kind kind, std::int64_t intValue, double floatValue);
    template <class T> HRESULT load(DeckLinkFrameMetadataID id, Kind kind, T* value) const;

    const std::int32_t width_;
    const std::int32_t height_;
    const std::int32_t rowBytes_;
    std::int32_t reportedRowBytes_;
    const DeckLinkPixelFormat format_;
    const Role role_;
    bool reportNullBytes_ = false;
    std::unique_ptr<std::uint8_t[]> ownBytes_;
    IDeckLinkVideoBuffer* lentBuffer_ = nullptr;
    DeckLinkPixelBufferRef pixelBuffer_ {};

    mutable std::mutex mutex_; // flags and metadata
    DeckLinkFrameFlags flags_;
    struct Item {
        Kind kind;
        std::int64_t intValue;
        double floatValue;
    };
    std::map<DeckLinkFrameMetadataID, Item> metadata_;
};

// Any frame's bytes, with access started for the holder's lifetime (null when unreadable).
class SimFrameBytes {
public:
    SimFrameBytes(IDeckLinkVideoFrame* frame, DeckLinkBufferAccessFlags access);
    ~SimFrameBytes();
    SimFrameBytes(const SimFrameBytes&) = delete;
    SimFrameBytes& operator=(const SimFrameBytes&) = delete;
    const std::uint8_t* get() const { return bytes_; }

private:
    DeckLinkBufferAccessFlags access_;
    IDeckLinkVideoBuffer* buffer_ = nullptr;
    const std::uint8_t* bytes_ = nullptr;
};

} // namespace sim
