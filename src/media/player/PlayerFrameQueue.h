#pragma once

// The decoded frames of one item waiting to be shown, and the frame on show. The decoder thread
// pushes frames in presentation order; video outputs ask for the frame at an item time, which
// moves the frames whose time has come onto the screen. Each seek opens a new epoch: frames of an
// older epoch are refused, and the first frame of the new epoch goes on show whatever its time,
// so a seek result replaces the held frame as soon as it exists.

#include "media/frame/Frame.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace media {

class PlayerFrameQueue {
public:
    struct Entry {
        Frame frame; // presentation time in item seconds
        double duration = 0.0; // how long the frame stays on show at rate 1
        std::uint64_t epoch = 0;
        std::uint64_t sequence = 0; // unique per push; 0 for "no frame"
    };

    explicit PlayerFrameQueue(std::size_t capacity = 4);

    // Producer side (decoder thread).
    // Refused (false) when `epoch` is not the newest.
    bool push(Frame frame, double duration, std::uint64_t epoch);
    bool hasRoom() const;
    // Blocks until wake() is called (a wake that came first counts) or, with `untilRoom`, until
    // the queue has room.
    void waitForWake(bool untilRoom);
    // Like waitForWake(false), giving up after `seconds`; true when woken.
    bool waitForWakeFor(double seconds);
    void wake();

    // Either side: a new epoch; queued frames are dropped, the frame on show stays.
    void beginEpoch(std::uint64_t epoch);
    std::uint64_t epoch() const;

    // Consumer side (any thread).
    Entry frameForTime(double itemSeconds);
    Entry current() const;
    std::size_t queuedCount() const;
    // Time of the newest queued frame (or of the frame on show); NaN when none.
    double newestTime() const;

    // Called on the producer's thread after each accepted push; a listener must not add or
    // remove listeners.
    int addListener(std::function<void()> listener);
    void removeListener(int token);

private:
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable room_;
    bool wakeRequested_ = false;
    std::deque<Entry> queue_;
    Entry current_;
    std::uint64_t epoch_ = 0;
    std::uint64_t nextSequence_ = 1;

    std::mutex listenerMutex_;
    int nextToken_ = 1;
    std::map<int, std::function<void()>> listeners_;
};

} // namespace media
