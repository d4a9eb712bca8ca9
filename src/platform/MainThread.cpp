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
    QPointer<QObject> weak(guard);
    runOnMain([weak, block = std::move(block)] {
        if (weak)
            block();
    });
}

} // namespace platform
