#pragma once

// A serial work queue: one worker thread running blocks in FIFO order, with delayed blocks and
// drift-free repeating timers measured on an injectable media clock.

#include "platform/MediaClock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

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
    // Called from one of the queue's own blocks, it cannot join: the worker finishes the queued
    // blocks after that block returns, on state it shares with the queue.
    void shutdown();

private:
    // Everything the worker touches lives here and is shared with the worker thread, so a queue
    // destroyed from inside one of its own blocks leaves its worker a live state to finish with.
    struct State;

    const std::string label_;
    MediaClock& clock_;
    int clockListener_ = 0;
    std::shared_ptr<State> state_;
};

} // namespace platform
