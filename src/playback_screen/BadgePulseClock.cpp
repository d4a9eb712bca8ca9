#include "playback_screen/BadgePulseClock.h"

#include "platform/MainThread.h"

namespace playback_screen {

BadgePulseClock::BadgePulseClock(platform::Scheduler& scheduler, QObject* parent)
    : QObject(parent)
    , scheduler_(scheduler)
{
}

BadgePulseClock::~BadgePulseClock()
{
    scheduler_.cancel(timer_);
}

void BadgePulseClock::hold(const QObject* holder)
{
    Q_ASSERT(platform::isMainThread());
    holders_.insert(holder);
    if (timer_ == 0)
        timer_ = scheduler_.repeating(interval, [this] {
            ++ticks_;
            emit ticked();
        });
}

void BadgePulseClock::release(const QObject* holder)
{
    Q_ASSERT(platform::isMainThread());
    holders_.remove(holder);
    if (holders_.isEmpty() && timer_ != 0) {
        scheduler_.cancel(timer_);
        timer_ = 0;
    }
}

} // namespace playback_screen
