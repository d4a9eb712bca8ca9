#pragma once

// A point or span on an item's time line as a rational value/timescale, the way the transport
// speaks about time (timescale 600 divides evenly by 24, 25, 30, 50 and 60). A time can be
// invalid (no answer) or indefinite (a duration not known yet).

#include <cstdint>

namespace media {

class MediaTime {
public:
    static constexpr std::int32_t kDefaultTimescale = 600;

    // The invalid time.
    constexpr MediaTime() = default;
    constexpr MediaTime(std::int64_t value, std::int32_t timescale)
        : value_(value)
        , timescale_(timescale)
        , flags_(timescale > 0 ? Valid : 0)
    {
    }

    static constexpr MediaTime invalid() { return MediaTime(); }
    static constexpr MediaTime indefinite()
    {
        MediaTime t;
        t.flags_ = Valid | Indefinite;
        return t;
    }
    static constexpr MediaTime zero() { return MediaTime(0, kDefaultTimescale); }
    // Rounded to the nearest unit of the timescale; a non-finite value gives the invalid time.
    static MediaTime fromSeconds(double seconds, std::int32_t timescale = kDefaultTimescale);

    constexpr bool isValid() const { return (flags_ & Valid) != 0; }
    constexpr bool isIndefinite() const { return (flags_ & Indefinite) != 0; }
    // Valid and not indefinite: a number of seconds can be read.
    constexpr bool isNumeric() const { return isValid() && !isIndefinite(); }

    constexpr std::int64_t value() const { return value_; }
    constexpr std::int32_t timescale() const { return timescale_; }
    // NaN for an invalid or indefinite time.
    double seconds() const;

    // Numeric times compare by value whatever their timescales; an invalid or indefinite time
    // equals only its own kind.
    bool operator==(const MediaTime& other) const;
    bool operator!=(const MediaTime& other) const { return !(*this == other); }

private:
    enum : std::uint8_t { Valid = 1, Indefinite = 2 };
    std::int64_t value_ = 0;
    std::int32_t timescale_ = 0;
    std::uint8_t flags_ = 0;
};

} // namespace media
