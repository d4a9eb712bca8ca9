#pragma once

// Measures the size, a smoothed frame rate and the colour tags of one camera input's frames.
// Used on one serial queue only, so it needs no lock.

#include "decklink/IncomingVideoInfo.h"

#include "media/frame/Frame.h"

#include <optional>

namespace decklink {

class VideoInfoProbe {
public:
    // A null frame (a sample without a picture) gives 0 × 0, rate 0 and "unknown" tags, and leaves
    // the probe as it was.
    IncomingVideoInfo update(const media::Frame& sample);

    std::optional<double> lastPTS() const { return lastPTS_; }
    double fpsEMA() const { return fpsEMA_; }

private:
    std::optional<double> lastPTS_; // presentation time of the previous frame, seconds
    double fpsEMA_ = 0; // 0 means no estimate yet
};

} // namespace decklink
