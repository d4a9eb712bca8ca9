#include "media/player/PlayerFrameQueue.h"

#include <chrono>
#include <limits>

namespace media {

namespace {
// Item times come rounded to 1/600 s; frame times are exact rationals. A frame whose time lies
// within this much after the asked time is already due.
constexpr double kDueSlack = 1e-6;
} // namespace

PlayerFrameQueue::PlayerFrameQueue(std::size_t capacity)
    : capacity_(capacity < 1 ? 1 : capacity)
{
}

bool PlayerFrameQueue::push(Frame frame, double duration, std::uint64_t epoch)
{
    {
        std::lock_guard lock(mutex_);
        if (epoch != epoch_)
            return false;
        queue_.push_back(Entry { std::move(frame), duration, epoch, nextSequence_++ });
    }
    // Called under the lock so that a removed listener is never called afterwards.
    std::lock_guard lock(listenerMutex_);
    for (auto& [token, listener] : listeners_)
        listener();
    return true;
}

bool PlayerFrameQueue::hasRoom() const
{
    std::lock_guard lock(mutex_);
    return queue_.size() < capacity_;
}

void PlayerFrameQueue::waitForWake(bool untilRoom)
{
    std::unique_lock lock(mutex_);
    room_.wait(lock, [this, untilRoom] { return wakeRequested_ || (untilRoom && queue_.size() < capacity_); });
    wakeRequested_ = false;
}

bool PlayerFrameQueue::waitForWakeFor(double seconds)
{
    std::unique_lock lock(mutex_);
    const bool woken = room_.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return wakeRequested_; });
    wakeRequested_ = false;
    return woken;
}

void PlayerFrameQueue::wake()
{
    {
        std::lock_guard lock(mutex_);
        wakeRequested_ = true;
    }
    room_.notify_all();
}

void PlayerFrameQueue::beginEpoch(std::uint64_t epoch)
{
    {
        std::lock_guard lock(mutex_);
        epoch_ = epoch;
        queue_.clear();
    }
    room_.notify_all();
}

std::uint64_t PlayerFrameQueue::epoch() const
{
    std::lock_guard lock(mutex_);
    return epoch_;
}

PlayerFrameQueue::Entry PlayerFrameQueue::frameForTime(double itemSeconds)
{
    bool popped = false;
    Entry result;
    {
        std::lock_guard lock(mutex_);
        while (!queue_.empty()) {
            const Entry& next = queue_.front();
            const bool firstOfEpoch = current_.sequence == 0 || next.epoch != current_.epoch;
            if (!firstOfEpoch && next.frame.presentationTime() > itemSeconds + kDueSlack)
                break;
            current_ = next;
            queue_.pop_front();
            popped = true;
        }
        result = current_;
    }
    if (popped)
        room_.notify_all();
    return result;
}

PlayerFrameQueue::Entry PlayerFrameQueue::current() const
{
    std::lock_guard lock(mutex_);
    return current_;
}

std::size_t PlayerFrameQueue::queuedCount() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

double PlayerFrameQueue::newestTime() const
{
    std::lock_guard lock(mutex_);
    if (!queue_.empty())
        return queue_.back().frame.presentationTime();
    if (current_.sequence != 0 && current_.epoch == epoch_)
        return current_.frame.presentationTime();
    return std::numeric_limits<double>::quiet_NaN();
}

int PlayerFrameQueue::addListener(std::function<void()> listener)
{
    std::lock_guard lock(listenerMutex_);
    const int token = nextToken_++;
    listeners_[token] = std::move(listener);
    return token;
}

void PlayerFrameQueue::removeListener(int token)
{
    std::lock_guard lock(listenerMutex_);
    listeners_.erase(token);
}

} // namespace media
