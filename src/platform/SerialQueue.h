#pragma once

// A serial work queue: one worker thread running blocks in FIFO order, with delayed blocks and
// drift-free repeating timers measured on an injectable media clock.

#include "platform/MediaClock.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

class SerialQueue {
public:
    using TimerId = std::uint64_t;

    explicit SerialQueue(std::string label, MediaClock& clock = MediaClock::system());
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    // The full label; the worker's thread name is its first 15 bytes.
    const std::string& label() const { return label_; }

    // Queues a block. False once the queue is shutting down (the block is dropped).
    bool async(std::function<void()> block);

    // Runs a block on the queue and waits for it. Called on the queue itself it runs inline,
    // which is what a caller that already holds the queue expects instead of a deadlock.
    bool sync(const std::function<void()>& block);

    // Runs a block once, `seconds` from now on the queue's clock. Returns 0 when refused.
    TimerId asyncAfter(double seconds, std::function<void()> block);

    // Runs a block every `interval` seconds, first after `firstDelay` (default: one interval).
    // Ticks stay on the grid start + k * interval; ticks missed while the queue was busy are
    // coalesced into one call, as a display-link style timer does.
    TimerId scheduleRepeating(double interval, std::function<void()> block, double firstDelay = -1.0);

    // Stops a delayed block or repeating timer. A call already running finishes.
    void cancel(TimerId timer);

    bool isCurrent() const;
    static SerialQueue* current();

    // Refuses new blocks, runs every block already queued, drops pending timers, joins the worker.
    void shutdown();

private:
    struct Timer {
        double base = 0.0;
        double interval = 0.0; // 0 for one-shot
        std::uint64_t tick = 0;
        double deadline = 0.0;
        std::shared_ptr<std::function<void()>> block;
    };

    void run();
    bool popDueTimer(double now, TimerId& id, std::shared_ptr<std::function<void()>>& block);
    void rescheduleAfterRun(TimerId id, double now);
    double nextDeadline() const;

    const std::string label_;
    MediaClock& clock_;
    int clockListener_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> blocks_;
    std::map<TimerId, Timer> timers_;
    TimerId nextTimerId_ = 1;
    bool stopping_ = false;

    std::thread worker_;
    std::thread::id workerId_;
};

} // namespace platform
