#pragma once

// Our encoder for the ProRes family (Proxy, LT, 422, HQ at 4:2:2 10-bit; 4444 and 4444 XQ at
// 4:4:4 without alpha) from BGRA pictures, one frame at a time.
//
// Rate control aims every frame at the profile's published data rate for 1920x1080, scaled by
// the number of macroblocks (per frame, so the frame rate does not enter): each macroblock row
// shares its part of the frame's budget among its slices, and every slice takes the finest
// quantiser that fits what is left. Busy pictures cost quality, simple ones stay below the
// budget. Rows are coded in parallel on a SliceThreadPool shared with other encoders.
//
// Two frames may be in flight: start() hands a frame to the pool and returns, finish() returns
// the oldest frame once complete, so the caller can queue the next frame while the last rows
// of the previous one are still being coded (on a busy machine a frame waits for its slowest
// row). The pixels of a started frame must stay untouched until it is finished.
//
// Thread rules: one thread at a time calls start(), finish() and encode(). All memory is set
// aside at construction; encoding allocates nothing. The destructor waits for frames in flight.

#include "media/frame/Frame.h"
#include "media/writer/ProResKernels.h"
#include "media/writer/SliceThreadPool.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace media {

class ProResEncoder {
public:
    enum class Profile { proxy = 0, lt = 1, standard = 2, hq = 3, p4444 = 4, p4444xq = 5 };

    struct Settings {
        Profile profile = Profile::hq;
        int width = 0; // even
        int height = 0;
        int fps = 0; // for the frame header's rate code; 0 when unknown
        // Colour tags as written in the frame header (the ISO/IEC 23001-8 code points).
        std::uint8_t colorPrimaries = 2;
        std::uint8_t transfer = 2;
        std::uint8_t matrix = 2;
        // The matrix's red and blue luma weights.
        double kr = 0.2126;
        double kb = 0.0722;
        // Share of the profile's data rate to aim at (1 = the published rate).
        double rateScale = 1.0;
        const ProResKernels* kernels = nullptr; // none: the best for this processor
        std::shared_ptr<SliceThreadPool> pool; // none: code on the calling thread only
    };

    explicit ProResEncoder(Settings settings);
    ~ProResEncoder();
    ProResEncoder(const ProResEncoder&) = delete;
    ProResEncoder& operator=(const ProResEncoder&) = delete;

    const Settings& settings() const { return settings_; }

    // Starts coding one width x height BGRA picture. `fields` says whether and in which order it
    // holds two fields. With two frames in flight, the oldest is finished (and dropped) first.
    void start(const std::uint8_t* bgra, std::size_t rowBytes, FieldDetail fields);
    // The oldest frame in flight, once complete (empty when none is); the bytes stay valid until
    // the next start().
    std::span<const std::uint8_t> finish();
    int inFlight() const { return started_ - finished_; }
    // start() and finish() for one picture.
    std::span<const std::uint8_t> encode(const std::uint8_t* bgra, std::size_t rowBytes, FieldDetail fields);

    // Whether a picture of this size fits the bitstream's fields (its slice count is 16-bit).
    static bool supports(int width, int height);
    // The four-character code of a profile ("apch" ...).
    static const char* fourcc(Profile profile);
    // Bits per frame the rate control aims at for a profile and picture size.
    static std::int64_t targetFrameBits(Profile profile, int width, int height);
    // The mean quantisation index of the last frame; for diagnostics and benchmarks.
    double lastMeanQuantIndex() const { return lastMeanQuantIndex_; }

private:
    struct PictureLayout;
    struct Slot;
    void codeRow(Slot& slot, int task);
    void layOut(PictureLayout& layout, bool interlaced) const;

    Settings settings_;
    std::unique_ptr<Slot> slots_[2];
    int started_ = 0;
    int finished_ = 0;
    double lastMeanQuantIndex_ = 0;
    std::vector<std::uint8_t> lastQuantIndex_[2]; // per slice of the last finished frame (whole, fields)
};

} // namespace media
