#pragma once

// A timecode counted at a whole frame rate (29.97 counts as 30, 59.94 as 60): no drop-frame form,
// and hours run on past 24. A value type, safe on any thread.

#include <QString>

#include <cstdint>

namespace capture {

struct SMPTETimecode {
    std::int64_t hours = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    int fps = 1;

    // The frame at `seconds` (rounded down to a whole frame) at `fps` frames per second (at least 1).
    static SMPTETimecode from(double seconds, int fps);
    // Frame `totalFrames` counted from 00:00:00:00, in whole numbers so no frame is ever lost to
    // rounding.
    static SMPTETimecode fromFrames(std::int64_t totalFrames, int fps);

    // "HH:MM:SS:FF", two digits at least each.
    QString string() const;
};

} // namespace capture
