#pragma once

// The frames an output of the simulated card makes for the station: with bytes of their own
// (CreateVideoFrame), over a buffer the station lends (CreateVideoFrameWithBuffer), or over a
// platform pixel buffer without a copy (IDeckLinkMacOutput). Each carries its colour and HDR items
// through the mutable metadata extensions, which the failure mask can refuse or hide.

#include "decklink/sim/DeckLinkSimControl.h"
#include "decklink/sim/SimObject.h"

#include <map>
#include <mutex>
#include <vector>

namespace sim {

class SimOutputFrame final
    : public SimObject<IDeckLinkMutableVideoFrame, IDeckLinkVideoBuffer, IDeckLinkVideoFrameMutableMetadataExtensions> {
public:
    // Own zero-filled bytes (rowBytes × height).
    SimOutputFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes, DeckLinkPixelFormat format,
        DeckLinkFrameFlags flags);
    // Over a lent buffer (the frame keeps a reference to it).
    SimOutputFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes, DeckLinkPixelFormat format,
        DeckLinkFrameFlags flags, IDeckLinkVideoBuffer* buffer);
    // Over a platform pixel buffer: retains its owner now and releases it when the frame goes.
    explicit SimOutputFrame(const DeckLinkPixelBufferRef& pixelBuffer);

    HRESULT QueryInterface(REFIID iid, void** object) override;

    std::int32_t GetWidth() override { return width_; }
    std::int32_t GetHeight() override { return height_; }
    std::int32_t GetRowBytes() override { return rowBytes_; }
    DeckLinkPixelFormat GetPixelFormat() override { return format_; }
    DeckLinkFrameFlags GetFlags() override;
    HRESULT SetFlags(DeckLinkFrameFlags flags) override;

    HRESULT GetBytes(void** buffer) override;
    HRESULT StartAccess(DeckLinkBufferAccessFlags flags) override;
    HRESULT EndAccess(DeckLinkBufferAccessFlags flags) override;

    HRESULT GetInt(DeckLinkFrameMetadataID id, std::int64_t* value) override;
    HRESULT GetFloat(DeckLinkFrameMetadataID id, double* value) override;
    HRESULT GetFlag(DeckLinkFrameMetadataID id, bool* value) override;
    HRESULT SetInt(DeckLinkFrameMetadataID id, std::int64_t value) override;
    HRESULT SetFloat(DeckLinkFrameMetadataID id, double value) override;
    HRESULT SetFlag(DeckLinkFrameMetadataID id, bool value) override;

    bool wrapped() const { return pixelBuffer_.owner != nullptr; }
    // The colour and HDR items written so far, in order of their codes.
    std::vector<CorvaleSimMetadataItem> metadataItems() const;

    static std::atomic<long>& liveCount();

private:
    ~SimOutputFrame() override;

    const std::int32_t width_;
    const std::int32_t height_;
    const std::int32_t rowBytes_;
    const DeckLinkPixelFormat format_;
    std::vector<std::uint8_t> ownBytes_;
    IDeckLinkVideoBuffer* lentBuffer_ = nullptr;
    DeckLinkPixelBufferRef pixelBuffer_ {};

    mutable std::mutex mutex_; // flags and metadata
    DeckLinkFrameFlags flags_;
    struct Item {
        bool isFloat;
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
