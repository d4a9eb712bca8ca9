#include "platform/ManualMediaClock.h"

#include <vector>

namespace platform {

ManualMediaClock::ManualMediaClock(double start)
    : now_(start)
{
}

double ManualMediaClock::now() const
{
    std::lock_guard lock(mutex_);
    return now_;
}

int ManualMediaClock::addAdvanceListener(std::function<void()> listener)
{
    std::lock_guard lock(mutex_);
    const int token = nextToken_++;
    listeners_.emplace(token, std::move(listener));
    return token;
}

void ManualMediaClock::removeAdvanceListener(int token)
{
    std::lock_guard notifying(notifyMutex_);
    std::lock_guard lock(mutex_);
    listeners_.erase(token);
}

void ManualMediaClock::advance(double seconds)
{
    {
        std::lock_guard lock(mutex_);
        now_ += seconds;
    }
    notify();
}

void ManualMediaClock::set(double seconds)
{
    {
        std::lock_guard lock(mutex_);
        now_ = seconds;
    }
    notify();
}

void ManualMediaClock::notify()
{
    std::lock_guard notifying(notifyMutex_);
    std::vector<std::function<void()>> copy;
    {
        std::lock_guard lock(mutex_);
        for (auto& [token, fn] : listeners_)
            copy.push_back(fn);
    }
    for (auto& fn : copy)
        fn();
}

} // namespace platform
