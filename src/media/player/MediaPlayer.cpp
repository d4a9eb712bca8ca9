#include "media/player/MediaPlayer.h"

#include <algorithm>
#include <cmath>

namespace media {

float MediaPlayer::clampRate(float rate)
{
    if (!(rate > 0.0f))
        return 0.0f;
    return std::clamp(rate, kMinimumRate, kMaximumRate);
}

} // namespace media
