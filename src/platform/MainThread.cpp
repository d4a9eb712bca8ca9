#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QThread>

namespace platform {

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
    QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
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

} // namespace platform
