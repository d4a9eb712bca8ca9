#pragma once

// The monotonic media clock (seconds as a double), injectable so tests can drive time by hand.

#include <functional>

namespace platform {

class MediaClock {
public:
    virtual ~MediaClock() = default;

    // Seconds on a monotonic time line; only differences are meaningful.
    virtual double now() const = 0;

    // False for clocks that move only when told (tests). Waiters then block until notified
    // through an advance listener instead of sleeping on real time.
    virtual bool advancesByItself() const { return true; }
    virtual int addAdvanceListener(std::function<void()>) { return 0; }
    virtual void removeAdvanceListener(int) { }

    // The process-wide steady clock.
    static MediaClock& system();
};

} // namespace platform
