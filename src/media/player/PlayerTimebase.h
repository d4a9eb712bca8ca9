#pragma once

// Maps host time (the media clock) to item time for one player: item time runs at `rate` from
// an anchor. Written by the player on the main thread, read by video outputs and by the decoder
// thread, which uses it to tell whether it has fallen behind.

#include <limits>
#include <mutex>

namespace media {

class PlayerTimebase {
public:
    // Item time `itemSeconds` at host time `hostSeconds`, moving at `rate` from there.
    void setAnchor(double itemSeconds, double hostSeconds, double rate);
    // The time line stops here while moving forward (the item's end); infinity when unknown.
    void setEnd(double itemSeconds);

    double itemTime(double hostSeconds) const;
    double rate() const;
    double end() const;

private:
    mutable std::mutex mutex_;
    double anchorItem_ = 0.0;
    double anchorHost_ = 0.0;
    double rate_ = 0.0;
    double end_ = std::numeric_limits<double>::infinity();
};

} // namespace media
