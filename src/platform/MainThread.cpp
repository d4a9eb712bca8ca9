#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <mutex>

namespace platform {

namespace {

// Blocks wait in a queue of our own, guarded by a standard mutex, and each posted call runs the
// oldest. Handing the block itself through Qt's event queue would hide the hand-off from the
// thread sanitizer (Qt's own locks are not instrumented); this way it sees one, and one event per
// block keeps blocks in order with the other events posted meanwhile.
class MainRunner : public QObject {
    Q_OBJECT
public:
    // Made on the main thread as the application starts, and published to other threads.
    static MainRunner* instance(QCoreApplication* app)
    {
        MainRunner* runner = current.load(std::memory_order_acquire);
        if (runner)
            return runner;
        // An application made before this library was loaded: made now, under a lock.
        static std::mutex mutex;
        std::lock_guard lock(mutex);
        runner = current.load(std::memory_order_acquire);
        if (!runner) {
            runner = new MainRunner; // lives as long as the process
            runner->moveToThread(app->thread());
            current.store(runner, std::memory_order_release);
        }
        return runner;
    }

    static void makeAtStartup()
    {
        if (!current.load(std::memory_order_acquire))
            current.store(new MainRunner, std::memory_order_release);
    }

    void post(std::function<void()> block)
    {
        {
            std::lock_guard lock(mutex_);
            blocks_.push_back(std::move(block));
        }
        QMetaObject::invokeMethod(this, "runOne", Qt::QueuedConnection);
    }

    Q_INVOKABLE void runOne()
    {
        std::function<void()> block;
        {
            std::lock_guard lock(mutex_);
            if (blocks_.empty())
                return;
            block = std::move(blocks_.front());
            blocks_.pop_front();
        }
        block();
    }

private:
    static inline std::atomic<MainRunner*> current { nullptr };

    std::mutex mutex_;
    std::deque<std::function<void()>> blocks_;
};

// Blocks for the thread pool, each taken by the pool task posted with it.
struct BackgroundBlocks {
    std::mutex mutex;
    std::deque<std::function<void()>> blocks;
};

BackgroundBlocks& backgroundBlocks()
{
    static BackgroundBlocks* blocks = new BackgroundBlocks; // pool tasks may outlive statics
    return *blocks;
}

void makeMainRunner()
{
    MainRunner::makeAtStartup();
}
Q_COREAPP_STARTUP_FUNCTION(makeMainRunner)

} // namespace

bool isMainThread()
{
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void runOnMain(std::function<void()> block)
{
    auto* app = QCoreApplication::instance();
    if (!app)
        return; // no event loop: nothing could ever run it
    MainRunner::instance(app)->post(std::move(block));
}

void runOnMain(QObject* guard, std::function<void()> block)
{
    Q_ASSERT_X(isMainThread() || !QCoreApplication::instance(), "runOnMain",
        "a QObject guard is main-thread only; post with a LivenessFlag token");
    QPointer<QObject> weak(guard);
    runOnMain([weak, block = std::move(block)] {
        if (weak)
            block();
    });
}

} // namespace platform

namespace platform {

LivenessFlag::LivenessFlag()
    : alive_(std::make_shared<const int>(0))
{
}

LivenessFlag::~LivenessFlag()
{
    Q_ASSERT_X(isMainThread() || !QCoreApplication::instance(), "LivenessFlag", "destroyed on the main thread");
}

void runOnMain(LivenessFlag::Token guard, std::function<void()> block)
{
    runOnMain([guard = std::move(guard), block = std::move(block)] {
        // Checked and destroyed on the same (main) thread: no window between the two.
        if (!guard.expired())
            block();
    });
}

void runInBackground(std::function<void()> block)
{
    auto& queue = backgroundBlocks();
    {
        std::lock_guard lock(queue.mutex);
        queue.blocks.push_back(std::move(block));
    }
    QThreadPool::globalInstance()->start([] {
        std::function<void()> next;
        {
            auto& queue = backgroundBlocks();
            std::lock_guard lock(queue.mutex);
            if (queue.blocks.empty())
                return;
            next = std::move(queue.blocks.front());
            queue.blocks.pop_front();
        }
        next();
    });
}

} // namespace platform

#include "MainThread.moc"
