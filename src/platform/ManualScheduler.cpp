#include "platform/ManualScheduler.h"

#include "platform/ManualMediaClock.h"

#include <limits>

namespace platform {

ManualScheduler::ManualScheduler(ManualMediaClock* clock)
    : clock_(clock)
{
}

Scheduler::TimerId ManualScheduler::once(double seconds, std::function<void()> block)
{
    const TimerId id = nextId_++;
    timers_[id] = Timer { now_ + std::max(0.0, seconds), 0.0, 0.0, 0,
        std::make_shared<std::function<void()>>(std::move(block)) };
    return id;
}

Scheduler::TimerId ManualScheduler::repeating(double interval, std::function<void()> block)
{
    if (!(interval > 0.0))
        return 0;
    const TimerId id = nextId_++;
    timers_[id]
        = Timer { now_ + interval, interval, now_, 1, std::make_shared<std::function<void()>>(std::move(block)) };
    return id;
}

void ManualScheduler::cancel(TimerId timer)
{
    timers_.erase(timer);
}

void ManualScheduler::advance(double seconds)
{
    const double target = now_ + std::max(0.0, seconds);
    for (;;) {
        TimerId dueId = 0;
        double due = std::numeric_limits<double>::infinity();
        for (const auto& [id, timer] : timers_) {
            if (timer.deadline <= target && timer.deadline < due) {
                due = timer.deadline;
                dueId = id;
            }
        }
        if (!dueId)
            break;
        auto it = timers_.find(dueId);
        auto block = it->second.block;
        if (it->second.interval > 0.0) {
            // Deadlines stay on the grid base + k * interval so long runs do not drift.
            Timer& timer = it->second;
            timer.tick += 1;
            timer.deadline = timer.base + static_cast<double>(timer.tick) * timer.interval;
        } else
            timers_.erase(it);
        if (clock_)
            clock_->advance(due - now_);
        now_ = due;
        (*block)();
    }
    if (clock_)
        clock_->advance(target - now_);
    now_ = target;
}

} // namespace platform
