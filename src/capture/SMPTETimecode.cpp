#include "capture/SMPTETimecode.h"

#include <algorithm>
#include <cmath>

namespace capture {

SMPTETimecode SMPTETimecode::from(double seconds, int fps)
{
    fps = std::max(fps, 1);
    const double total = std::floor(seconds * fps);
    return fromFrames(std::isfinite(total) ? static_cast<std::int64_t>(total) : 0, fps);
}

SMPTETimecode SMPTETimecode::fromFrames(std::int64_t totalFrames, int fps)
{
    fps = std::max(fps, 1);
    totalFrames = std::max<std::int64_t>(totalFrames, 0);
    const std::int64_t totalSeconds = totalFrames / fps;
    SMPTETimecode tc;
    tc.fps = fps;
    tc.frames = static_cast<int>(totalFrames - totalSeconds * fps);
    tc.seconds = static_cast<int>(totalSeconds % 60);
    tc.minutes = static_cast<int>(totalSeconds / 60 % 60);
    tc.hours = totalSeconds / 3600;
    return tc;
}

QString SMPTETimecode::string() const
{
    return QString::asprintf("%02lld:%02d:%02d:%02d", static_cast<long long>(hours), minutes, seconds, frames);
}

} // namespace capture
