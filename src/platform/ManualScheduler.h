#pragma once

#include "platform/Scheduler.h"

#include <map>
#include <memory>

namespace platform {

class ManualMediaClock;

// A scheduler for tests: nothing fires until advance() moves its time. When given a manual
// media clock, the clock shows each timer's deadline while its block runs.
class ManualScheduler final : public Scheduler {
public:
    explicit ManualScheduler(ManualMediaClock* clock = nullptr);

    TimerId once(double seconds, std::function<void()> block) override;
    TimerId repeating(double interval, std::function<void()> block) override;
    void cancel(TimerId timer) override;

    // Fires every timer due within the next `seconds`, in deadline order.
    void advance(double seconds);
    double now() const { return now_; }
    std::size_t pendingCount() const { return timers_.size(); }

private:
    struct Timer {
        double deadline = 0.0;
        double interval = 0.0;
        double base = 0.0;
        unsigned long long tick = 0;
        std::shared_ptr<std::function<void()>> block;
    };

    ManualMediaClock* clock_;
    double now_ = 0.0;
    TimerId nextId_ = 1;
    std::map<TimerId, Timer> timers_;
};

} // namespace platform
