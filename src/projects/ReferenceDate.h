#pragma once

// A point in time as the project files store it: seconds, with fraction, since 2001-01-01
// 00:00:00 UTC. The double is kept as read, so a date loaded from a file is written back with
// the very same digits (a QDateTime would round it to milliseconds).

#include <QDateTime>

#include <compare>

namespace projects {

struct ReferenceDate {
    // 2001-01-01 00:00:00 UTC in seconds after the Unix epoch.
    static constexpr double unixOffset = 978'307'200.0;

    double secondsSinceReferenceDate = 0;

    static ReferenceDate now();
    static ReferenceDate fromDateTime(const QDateTime& dateTime);
    // Milliseconds are the finest a QDateTime holds; a value out of its range gives an invalid one.
    QDateTime toDateTime() const;

    auto operator<=>(const ReferenceDate&) const = default;
};

} // namespace projects
