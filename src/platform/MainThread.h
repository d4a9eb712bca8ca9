#pragma once

// Hands work to the main (GUI) thread, the owner of every published property.

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

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

// A block handed to another thread through Qt's event queue, with the hand-off made visible to
// the thread sanitizer (Qt's own locks are not instrumented): the sender releases at the address
// the block has inside Qt's call object, the receiver acquires there before it reads the block.
template <class F> class QueuedBlock {
public:
    explicit QueuedBlock(F block)
        : block_(std::move(block))
    {
        handOff();
    }
    QueuedBlock(QueuedBlock&& other)
        : block_(std::move(other.block_))
    {
        handOff();
    }
    QueuedBlock(const QueuedBlock& other)
        : block_(other.block_)
    {
        handOff();
    }
    QueuedBlock& operator=(const QueuedBlock&) = delete;
    ~QueuedBlock() { takeOver(); }

    void operator()()
    {
        takeOver();
        block_();
    }

private:
    void handOff()
    {
#if defined(__SANITIZE_THREAD__)
        __tsan_release(this);
#endif
    }
    void takeOver()
    {
#if defined(__SANITIZE_THREAD__)
        __tsan_acquire(this);
#endif
    }

    F block_;
};

// Queues a block on the thread of `context`; skipped when `context` is destroyed first (Qt's
// rule for queued calls). Use it instead of QMetaObject::invokeMethod with a queued lambda so the
// thread sanitizer sees the hand-off.
template <class F> bool postTo(QObject* context, F block)
{
    return QMetaObject::invokeMethod(context, QueuedBlock<F>(std::move(block)), Qt::QueuedConnection);
}

// Runs a block on Qt's global thread pool. The block is handed over through a queue of our own,
// so the thread sanitizer sees the hand-off that Qt's uninstrumented pool would hide.
void runInBackground(std::function<void()> block);

} // namespace platform
