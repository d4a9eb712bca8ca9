#include "platform/SerialQueue.h"

#include <pthread.h>

#include <chrono>
#include <cmath>
#include <future>
#include <limits>

namespace platform {

namespace {
thread_local SerialQueue* currentQueue = nullptr;
}

SerialQueue::SerialQueue(std::string label, MediaClock& clock) : label_(std::move(label)), clock_(clock)
{
    if (!clock_.advancesByItself()) {
        clockListener_ = clock_.addAdvanceListener([this] {
            std::lock_guard lock(mutex_);
            wake_.notify_all();
        });
    }
    worker_ = std::thread([this] { run(); });
    workerId_ = worker_.get_id();
}

SerialQueue::~SerialQueue()
{
    shutdown();
    if (clockListener_)
        clock_.removeAdvanceListener(clockListener_);
}

bool SerialQueue::async(std::function<void()> block)
{
    std::lock_guard lock(mutex_);
    if (stopping_)
        return false;
    blocks_.push_back(std::move(block));
    wake_.notify_all();
    return true;
}

bool SerialQueue::sync(const std::function<void()>& block)
{
    if (isCurrent()) {
        block();
        return true;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    if (!async([&] {
            block();
            done.set_value();
        }))
        return false;
    finished.wait();
    return true;
}

SerialQueue::TimerId SerialQueue::asyncAfter(double seconds, std::function<void()> block)
{
    std::lock_guard lock(mutex_);
    if (stopping_)
        return 0;
    const TimerId id = nextTimerId_++;
    Timer timer;
    timer.base = clock_.now();
    timer.deadline = timer.base + std::max(0.0, seconds);
    timer.block = std::make_shared<std::function<void()>>(std::move(block));
    timers_.emplace(id, std::move(timer));
    wake_.notify_all();
    return id;
}

SerialQueue::TimerId SerialQueue::scheduleRepeating(double interval, std::function<void()> block, double firstDelay)
{
    if (!(interval > 0.0) || !std::isfinite(interval))
        return 0;
    std::lock_guard lock(mutex_);
    if (stopping_)
        return 0;
    const TimerId id = nextTimerId_++;
    Timer timer;
    timer.interval = interval;
    timer.base = clock_.now() + (firstDelay >= 0.0 ? firstDelay : interval);
    timer.tick = 0;
    timer.deadline = timer.base;
    timer.block = std::make_shared<std::function<void()>>(std::move(block));
    timers_.emplace(id, std::move(timer));
    wake_.notify_all();
    return id;
}

void SerialQueue::cancel(TimerId timer)
{
    std::lock_guard lock(mutex_);
    timers_.erase(timer);
}

bool SerialQueue::isCurrent() const { return std::this_thread::get_id() == workerId_; }

SerialQueue* SerialQueue::current() { return currentQueue; }

void SerialQueue::shutdown()
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && !worker_.joinable())
            return;
        stopping_ = true;
        timers_.clear();
        wake_.notify_all();
    }
    if (!worker_.joinable())
        return;
    if (isCurrent()) {
        // Shutting down from inside a block: the worker finishes the queue on its own.
        worker_.detach();
        return;
    }
    worker_.join();
}

bool SerialQueue::popDueTimer(double now, TimerId& id, std::shared_ptr<std::function<void()>>& block)
{
    TimerId bestId = 0;
    double best = std::numeric_limits<double>::infinity();
    for (const auto& [timerId, timer] : timers_) {
        if (timer.deadline <= now && timer.deadline < best) {
            best = timer.deadline;
            bestId = timerId;
        }
    }
    if (!bestId)
        return false;
    auto it = timers_.find(bestId);
    id = bestId;
    block = it->second.block;
    if (it->second.interval == 0.0)
        timers_.erase(it);
    return true;
}

void SerialQueue::rescheduleAfterRun(TimerId id, double now)
{
    auto it = timers_.find(id);
    if (it == timers_.end())
        return; // cancelled, possibly by its own block
    Timer& timer = it->second;
    std::uint64_t next = timer.tick + 1;
    // Ticks that fell behind "now" are coalesced: continue on the first grid point still ahead.
    const double behind = (now - timer.base) / timer.interval;
    if (behind >= static_cast<double>(next))
        next = static_cast<std::uint64_t>(std::floor(behind)) + 1;
    timer.tick = next;
    timer.deadline = timer.base + static_cast<double>(next) * timer.interval;
}

double SerialQueue::nextDeadline() const
{
    double best = std::numeric_limits<double>::infinity();
    for (const auto& entry : timers_)
        best = std::min(best, entry.second.deadline);
    return best;
}

void SerialQueue::run()
{
    currentQueue = this;
    {
        const std::string name = label_.substr(0, 15);
        pthread_setname_np(pthread_self(), name.c_str());
    }
    std::unique_lock lock(mutex_);
    for (;;) {
        const double now = clock_.now();
        TimerId timerId = 0;
        std::shared_ptr<std::function<void()>> timerBlock;
        if (!stopping_ && popDueTimer(now, timerId, timerBlock)) {
            lock.unlock();
            (*timerBlock)();
            timerBlock.reset();
            lock.lock();
            rescheduleAfterRun(timerId, clock_.now());
            continue;
        }
        if (!blocks_.empty()) {
            auto block = std::move(blocks_.front());
            blocks_.pop_front();
            lock.unlock();
            block();
            block = nullptr; // captured state dies on the queue, not under the lock
            lock.lock();
            continue;
        }
        if (stopping_)
            break;
        const double deadline = nextDeadline();
        if (std::isfinite(deadline) && clock_.advancesByItself()) {
            const auto wait = std::chrono::duration<double>(std::max(0.0, deadline - now));
            wake_.wait_for(lock, std::chrono::duration_cast<std::chrono::nanoseconds>(wait));
        } else {
            wake_.wait(lock);
        }
    }
    currentQueue = nullptr;
}

} // namespace platform
