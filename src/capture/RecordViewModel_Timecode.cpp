// RecordViewModel: the timecode of recorded frames, counted at the recording's whole rate from
// zero or from the time of day at which the take opened. Any thread.

#include "capture/RecordViewModel.h"
#include "capture/SMPTETimecode.h"

namespace capture {

double RecordViewModel::secondsSinceMidnight(const QDateTime& date)
{
    const QTime time = date.toLocalTime().time();
    if (!time.isValid())
        return 0;
    return time.hour() * 3600 + time.minute() * 60 + time.second();
}

QString RecordViewModel::timecodeString(std::int64_t frameIndex, const TakeSession& session, int fps)
{
    fps = std::max(fps, 1);
    // Whole numbers throughout: a product of fractions may land just below a frame.
    std::int64_t total = frameIndex;
    if (session.timecodeMode != settings::TimecodeMode::recordRunInt)
        total += static_cast<std::int64_t>(session.startedAtSecondsSinceMidnight) * fps;
    return SMPTETimecode::fromFrames(total, fps).string();
}

} // namespace capture
