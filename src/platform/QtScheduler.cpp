#include "platform/QtScheduler.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>

namespace platform {

QtScheduler::QtScheduler(QObject* parent)
    : QObject(parent)
{
}

QtScheduler::~QtScheduler()
{
    for (auto& entry : timers_)
        delete entry.second;
}

Scheduler::TimerId QtScheduler::once(double seconds, std::function<void()> block)
{
    return start(seconds, true, std::move(block));
}

Scheduler::TimerId QtScheduler::repeating(double interval, std::function<void()> block)
{
    return start(interval, false, std::move(block));
}

Scheduler::TimerId QtScheduler::start(double seconds, bool single, std::function<void()> block)
{
    const TimerId id = nextId_++;
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(single);
    const double ms = std::isfinite(seconds) ? std::max(0.0, seconds * 1000.0) : 0.0;
    timer->setInterval(static_cast<int>(std::llround(std::min(ms, 2.0e9))));
    connect(timer, &QTimer::timeout, this, [this, id, single, block = std::move(block)] {
        if (single)
            cancel(id);
        block();
    });
    timers_.emplace(id, timer);
    timer->start();
    return id;
}

void QtScheduler::cancel(TimerId id)
{
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    QTimer* timer = it->second;
    timers_.erase(it);
    timer->stop();
    // The timer may be the sender of the slot that is cancelling it.
    timer->deleteLater();
}

Scheduler& Scheduler::main()
{
    static QtScheduler* scheduler = [] {
        auto* s = new QtScheduler();
        if (auto* app = QCoreApplication::instance())
            s->moveToThread(app->thread());
        return s;
    }();
    return *scheduler;
}

} // namespace platform
