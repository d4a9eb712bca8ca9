#pragma once

// One pool of BGRA buffers per track slot, for pictures that arrive as images: a slot's pool is
// made for the first picture and again only when the picture size changes, so drawing recycles
// buffers instead of allocating one per frame.
//
// Threads: any; one lock makes each call atomic (the frame queue draws, the main thread resets).

#include "remote/webrtc/GstSupport.h"

#include <QImage>

#include <array>
#include <mutex>

namespace remote {

class PixelPoolCache {
public:
    static constexpr int trackCount = 4;

    PixelPoolCache() = default;
    ~PixelPoolCache();
    PixelPoolCache(const PixelPoolCache&) = delete;
    PixelPoolCache& operator=(const PixelPoolCache&) = delete;

    // The slot's pool for this size (a new reference), made when needed; null for a bad slot or
    // size, or when the pool cannot be made (the next call tries again).
    GstRef<GstBufferPool> ensurePool(int width, int height, int inputIndex);
    // `image` drawn into a buffer from the slot's pool; null on any failure.
    GstBufferPtr makePixelBuffer(const QImage& image, int width, int height, int inputIndex);
    // Forgets every pool and size.
    void reset();

    // Pools made since construction, for tests.
    int poolsMade() const;

private:
    mutable std::mutex lock_;
    std::array<GstRef<GstBufferPool>, trackCount> pools_ {};
    std::array<int, trackCount> lastW_ {};
    std::array<int, trackCount> lastH_ {};
    int poolsMade_ = 0;
};

} // namespace remote
