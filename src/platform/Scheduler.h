#pragma once

// Timers on the main thread (run-loop timers and delayed main-queue blocks). Production uses
// QtScheduler; tests use ManualScheduler and move time by hand.

#include <cstdint>
#include <functional>

namespace platform {

class Scheduler {
public:
    using TimerId = std::uint64_t;

    virtual ~Scheduler() = default;

    // Runs a block once after `seconds`. Never runs inline.
    virtual TimerId once(double seconds, std::function<void()> block) = 0;
    // Runs a block every `interval` seconds until cancelled.
    virtual TimerId repeating(double interval, std::function<void()> block) = 0;
    // Cancelling an unknown or finished timer does nothing; a block may cancel its own timer.
    virtual void cancel(TimerId timer) = 0;

    // The process-wide scheduler on the main thread.
    static Scheduler& main();
};

} // namespace platform
