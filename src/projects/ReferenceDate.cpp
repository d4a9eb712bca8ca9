#include "projects/ReferenceDate.h"

#include <cmath>

namespace projects {

ReferenceDate ReferenceDate::now()
{
    return fromDateTime(QDateTime::currentDateTimeUtc());
}

ReferenceDate ReferenceDate::fromDateTime(const QDateTime& dateTime)
{
    return { static_cast<double>(dateTime.toMSecsSinceEpoch()) / 1000.0 - unixOffset };
}

QDateTime ReferenceDate::toDateTime() const
{
    const double milliseconds = std::round((secondsSinceReferenceDate + unixOffset) * 1000.0);
    // Far beyond any calendar a screen shows, and inside what a 64-bit count can hold.
    constexpr double limit = 1.0e17;
    if (!std::isfinite(milliseconds) || std::abs(milliseconds) > limit)
        return {};
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(milliseconds), Qt::UTC);
}

} // namespace projects
