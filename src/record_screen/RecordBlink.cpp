#include "record_screen/RecordBlink.h"

#include <QDateTime>

#include <cmath>
#include <utility>

namespace record_screen {

double blinkOpacity(double unixSeconds, double dim)
{
    const auto half = static_cast<long long>(std::trunc(unixSeconds * 2.0));
    return half % 2 != 0 ? dim : 1.0;
}

RecordBlink::RecordBlink(platform::Scheduler& scheduler, WallClock wallClock, QObject* parent)
    : QObject(parent)
    , scheduler_(scheduler)
    , wallClock_(wallClock ? std::move(wallClock) : WallClock([] {
        return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    }))
    , tickTime_(wallClock_())
{
    timer_ = scheduler_.repeating(interval, [this] {
        tickTime_ = wallClock_();
        emit ticked();
    });
}

RecordBlink::~RecordBlink()
{
    scheduler_.cancel(timer_);
}

} // namespace record_screen
