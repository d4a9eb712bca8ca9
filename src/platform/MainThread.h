#pragma once

// Hands work to the main (GUI) thread, the owner of every published property.

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace platform {

bool isMainThread();

// Queues a block on the main thread; it always runs later, never inline.
void runOnMain(std::function<void()> block);

// As above, but the block is skipped when `guard` has been destroyed before it runs
// (the weak-self pattern). Main thread only: the guard is looked at when the block is posted,
// which from another thread would race its destruction. Workers post with a LivenessFlag token.
void runOnMain(QObject* guard, std::function<void()> block);

// Whether the object that holds it still lives, for blocks that other threads post to the main
// thread. A member of its object, destroyed with it on the main thread (asserted); a worker is
// handed a token taken beforehand and never touches the object or the flag itself.
class LivenessFlag {
public:
    using Token = std::weak_ptr<const void>;

    LivenessFlag();
    ~LivenessFlag();
    LivenessFlag(const LivenessFlag&) = delete;
    LivenessFlag& operator=(const LivenessFlag&) = delete;

    Token token() const { return alive_; }

private:
    std::shared_ptr<const int> alive_;
};

// Queues a block on the main thread that is skipped when the flag behind `guard` has gone by the
// time it runs. Safe from any thread.
void runOnMain(LivenessFlag::Token guard, std::function<void()> block);

// Runs a block on Qt's global thread pool. The block is handed over through a queue of our own,
// so the thread sanitizer sees the hand-off that Qt's uninstrumented pool would hide.
void runInBackground(std::function<void()> block);

} // namespace platform
