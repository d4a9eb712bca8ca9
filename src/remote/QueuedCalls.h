#pragma once

// Calls handed to one object's thread: post() from any thread, the calls run in order on the
// thread the object lives on. The calls wait in a mailbox under a standard mutex and the object is
// woken by a plain queued slot invocation, so the hand-off is one that ThreadSanitizer can follow
// (a posted closure would be handed over by Qt's futex-based event queue, which it cannot see).
//
// The owner declares `Q_INVOKABLE void runQueuedCalls()` calling run(). Threads: post() and
// postAndWait() from any thread except, for postAndWait(), the owner's own; run() on the owner's.

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace remote {

class QueuedCalls {
public:
    explicit QueuedCalls(QObject* owner)
        : owner_(owner)
    {
    }

    void post(std::function<void()> call);
    // Runs `call` on the owner's thread and returns once it has run; the owner's thread must be
    // running its event loop.
    void postAndWait(std::function<void()> call);
    void run();
    // Drops what has not run; called once the owner's thread has finished, it also orders
    // everything that thread did before whatever the caller does next.
    void discard();

private:
    QObject* const owner_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::deque<std::function<void()>> calls_;
};

} // namespace remote
