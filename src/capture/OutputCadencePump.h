#pragma once

// Feeds the program output at its own frame rate, whatever rate frames arrive at. Frames wait in a
// short list (the newest six are kept); every tick of a repeating timer on the output queue takes
// the oldest waiting frame, prepares it for the card and sends it, or, when nothing new waits,
// sends the last prepared frame again without preparing it twice.
//
// Threads: enqueue() and pendingCount() from any thread; the list lives on the frame-state queue.
// start(), stop() and tick() run on the output queue, which owns the timer and the prepared frame.
// clear() runs on any thread but the two queues. Every frame is tagged with the generation it was
// handed in under; clear() moves the generation on, so frames of an earlier output run that are
// still on their way (a composition finishing late) never reach the card.

#include "media/frame/Frame.h"
#include "platform/SerialQueue.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>

namespace capture {

class OutputCadencePump {
public:
    struct Hooks {
        // Whether the card runs; a tick does nothing while it does not.
        std::function<bool()> isOutputOn;
        // Called before every frame goes to the card (colour settings follow-up).
        std::function<void()> beforeSend;
        // Makes a new frame fit for the card.
        std::function<media::Frame(const media::Frame&)> prepare;
        std::function<void(const media::Frame&)> send;
    };

    static constexpr std::size_t pendingFrameLimit = 6;

    OutputCadencePump(platform::SerialQueue& outputQueue, platform::SerialQueue& frameStateQueue, Hooks hooks);
    OutputCadencePump(const OutputCadencePump&) = delete;
    OutputCadencePump& operator=(const OutputCadencePump&) = delete;

    std::uint64_t generation() const { return generation_.load(); }
    // Adds a frame handed in under `generation`; frames of an older generation are dropped.
    void enqueue(const media::Frame& frame, std::uint64_t generation);
    std::size_t pendingCount() const;

    // Output queue. Keeps a running timer whose rate is within 0.01 of `fps`, else builds a new
    // one ticking every max(1 / fps, 1 / 120) seconds.
    void start(double fps);
    void stop();
    void tick();
    double fps() const { return fps_; }
    bool isRunning() const { return timer_ != 0; }

    // Empties the list and the last frame taken, then (on the output queue) the prepared frame.
    void clear();

    // Output queue: called at the start of every tick (benchmarks measure the pump's regularity).
    void setTickObserver(std::function<void()> observer) { tickObserver_ = std::move(observer); }

private:
    platform::SerialQueue& outputQueue_;
    platform::SerialQueue& frameStateQueue_;
    const Hooks hooks_;
    std::atomic<std::uint64_t> generation_ { 1 };

    // Frame-state queue.
    std::deque<media::Frame> pending_;
    media::Frame lastTaken_;

    // Output queue.
    platform::SerialQueue::TimerId timer_ = 0;
    double fps_ = 0;
    media::Frame lastPrepared_;
    std::function<void()> tickObserver_;
};

} // namespace capture
