#pragma once

// The one animation clock of every status badge on the playback screen: a 30 Hz tick that runs
// only while some view holds it (a view holds it while it shows at least one badge with a dot), so
// an idle or hidden capture view costs no timer at all. Views repaint only their badges on a tick
// and read the time to place each dot on its own fade. The time is the count of ticks, so it
// stands still while nothing pulses (a badge that shows again starts its fade afresh anyway).
//
// Main thread only.

#include "platform/Scheduler.h"

#include <QObject>
#include <QSet>

namespace playback_screen {

class BadgePulseClock final : public QObject {
    Q_OBJECT
public:
    static constexpr double interval = 1.0 / 30.0;

    explicit BadgePulseClock(platform::Scheduler& scheduler = platform::Scheduler::main(), QObject* parent = nullptr);
    ~BadgePulseClock() override;

    // Seconds of animation time.
    double now() const { return static_cast<double>(ticks_) * interval; }
    // A holder that is held already, or released when not held, changes nothing.
    void hold(const QObject* holder);
    void release(const QObject* holder);
    bool isRunning() const { return timer_ != 0; }

signals:
    void ticked();

private:
    platform::Scheduler& scheduler_;
    unsigned long long ticks_ = 0;
    QSet<const QObject*> holders_;
    platform::Scheduler::TimerId timer_ = 0;
};

} // namespace playback_screen
