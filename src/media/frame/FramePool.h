#pragma once

// Reuses frame storage by format and size: a frame's pixels go back to the pool when its last
// reference is dropped, so steady streams allocate nothing per frame.

#include "media/frame/Frame.h"

#include <memory>

namespace media {

class FramePool {
public:
    // At most `maxIdlePerKey` idle buffers are kept per format and size; more are freed.
    explicit FramePool(std::size_t maxIdlePerKey = 8);
    ~FramePool();
    FramePool(const FramePool&) = delete;
    FramePool& operator=(const FramePool&) = delete;

    static FramePool& shared();

    // A frame to fill, with the aligned stride; null for a non-positive size.
    MutableFrame acquire(PixelFormat format, int width, int height);

    // A deep copy of a frame into pooled storage.
    MutableFrame copy(const Frame& frame);

    std::size_t idleCount() const;
    std::size_t idleCount(PixelFormat format, int width, int height) const;
    // Frees every idle buffer (frames in use return later and are then kept).
    void drain();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace media
