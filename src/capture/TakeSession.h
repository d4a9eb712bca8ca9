#pragma once

// One take: the slate every recording that joins it carries, fixed when the take opens.

#include "settings/TimecodeMode.h"

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace capture {

struct TakeSession {
    QString reel; // as typed when the take opened (not trimmed)
    QString scene;
    std::int64_t take = 1;
    settings::TimecodeMode timecodeMode = settings::TimecodeMode::recordRunInt;
    QDateTime startedAt;
    double startedAtSecondsSinceMidnight = 0;
};

} // namespace capture
