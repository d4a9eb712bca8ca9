#include "platform/SerialQueue.h"

#include <pthread.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <future>
#include <limits>
#include <map>
#include <mutex>
#include <thread>

namespace platform {

namespace {
thread_local SerialQueue* currentQueue = nullptr;
}

struct SerialQueue::State {
    struct Timer {
        double base = 0.0;
        double interval = 0.0; // 0 for one-shot
        std::uint64_t tick = 0;
        double deadline = 0.0;
        std::shared_ptr<std::function<void()>> block;
    };

    State(std::string label, MediaClock& clock)
        : label(std::move(label))
        , clock(clock)
    {
    }

    void run(SerialQueue* owner);
    bool popDueTimer(double now, TimerId& id, std::shared_ptr<std::function<void()>>& block);
    void rescheduleAfterRun(TimerId id, double now);
    double nextDeadline() const;
    TimerId addTimer(Timer timer);

    const std::string label;
    MediaClock& clock;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> blocks;
    std::map<TimerId, Timer> timers;
    TimerId nextTimerId = 1;
    bool stopping = false;

    std::thread worker;
    std::thread::id workerId;
};

SerialQueue::SerialQueue(std::string label, MediaClock& clock)
    : label_(label)
    , clock_(clock)
    , state_(std::make_shared<State>(std::move(label), clock))
{
    if (!clock_.advancesByItself()) {
        std::weak_ptr<State> weak = state_;
        clockListener_ = clock_.addAdvanceListener([weak] {
            if (auto state = weak.lock()) {
                std::lock_guard lock(state->mutex);
                state->wake.notify_all();
            }
        });
    }
    std::lock_guard lock(state_->mutex);
    state_->worker = std::thread([state = state_, this] { state->run(this); });
    state_->workerId = state_->worker.get_id();
}

SerialQueue::~SerialQueue()
{
    shutdown();
    if (clockListener_)
        clock_.removeAdvanceListener(clockListener_);
    if (currentQueue == this)
        currentQueue = nullptr; // the rest of the running block no longer has a queue
}

bool SerialQueue::async(std::function<void()> block)
{
    std::lock_guard lock(state_->mutex);
    if (state_->stopping)
        return false;
    state_->blocks.push_back(std::move(block));
    state_->wake.notify_all();
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

SerialQueue::TimerId SerialQueue::State::addTimer(Timer timer)
{
    std::lock_guard lock(mutex);
    if (stopping)
        return 0;
    const TimerId id = nextTimerId++;
    timers.emplace(id, std::move(timer));
    wake.notify_all();
    return id;
}

SerialQueue::TimerId SerialQueue::asyncAfter(double seconds, std::function<void()> block)
{
    State::Timer timer;
    timer.base = clock_.now();
    timer.deadline = timer.base + std::max(0.0, seconds);
    timer.block = std::make_shared<std::function<void()>>(std::move(block));
    return state_->addTimer(std::move(timer));
}

SerialQueue::TimerId SerialQueue::scheduleRepeating(double interval, std::function<void()> block, double firstDelay)
{
    if (!(interval > 0.0) || !std::isfinite(interval))
        return 0;
    State::Timer timer;
    timer.interval = interval;
    timer.base = clock_.now() + (firstDelay >= 0.0 ? firstDelay : interval);
    timer.deadline = timer.base;
    timer.block = std::make_shared<std::function<void()>>(std::move(block));
    return state_->addTimer(std::move(timer));
}

void SerialQueue::cancel(TimerId timer)
{
    std::lock_guard lock(state_->mutex);
    state_->timers.erase(timer);
}

bool SerialQueue::isCurrent() const
{
    return std::this_thread::get_id() == state_->workerId;
}

SerialQueue* SerialQueue::current()
{
    return currentQueue;
}

void SerialQueue::shutdown()
{
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        state_->timers.clear();
        state_->wake.notify_all();
    }
    if (!state_->worker.joinable())
        return;
    if (isCurrent()) {
        state_->worker.detach();
        return;
    }
    state_->worker.join();
}

bool SerialQueue::State::popDueTimer(double now, TimerId& id, std::shared_ptr<std::function<void()>>& block)
{
    TimerId bestId = 0;
    double best = std::numeric_limits<double>::infinity();
    for (const auto& [timerId, timer] : timers) {
        if (timer.deadline <= now && timer.deadline < best) {
            best = timer.deadline;
            bestId = timerId;
        }
    }
    if (!bestId)
        return false;
    auto it = timers.find(bestId);
    id = bestId;
    block = it->second.block;
    if (it->second.interval == 0.0)
        timers.erase(it);
    return true;
}

void SerialQueue::State::rescheduleAfterRun(TimerId id, double now)
{
    auto it = timers.find(id);
    if (it == timers.end())
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

double SerialQueue::State::nextDeadline() const
{
    double best = std::numeric_limits<double>::infinity();
    for (const auto& entry : timers)
        best = std::min(best, entry.second.deadline);
    return best;
}

void SerialQueue::State::run(SerialQueue* owner)
{
    currentQueue = owner;
    {
        const std::string name = label.substr(0, 15);
        pthread_setname_np(pthread_self(), name.c_str());
    }
    std::unique_lock lock(mutex);
    for (;;) {
        const double now = clock.now();
        TimerId timerId = 0;
        std::shared_ptr<std::function<void()>> timerBlock;
        if (!stopping && popDueTimer(now, timerId, timerBlock)) {
            lock.unlock();
            (*timerBlock)();
            timerBlock.reset();
            lock.lock();
            rescheduleAfterRun(timerId, clock.now());
            continue;
        }
        if (!blocks.empty()) {
            auto block = std::move(blocks.front());
            blocks.pop_front();
            lock.unlock();
            block();
            block = nullptr; // captured state dies on the queue, not under the lock
            lock.lock();
            continue;
        }
        if (stopping)
            break;
        const double deadline = nextDeadline();
        if (std::isfinite(deadline) && clock.advancesByItself()) {
            const auto wait = std::chrono::duration<double>(std::max(0.0, deadline - now));
            wake.wait_for(lock, std::chrono::duration_cast<std::chrono::nanoseconds>(wait));
        } else {
            wake.wait(lock);
        }
    }
    currentQueue = nullptr;
}

} // namespace platform
