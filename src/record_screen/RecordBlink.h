#pragma once

// The one 0.6 s tick that paces every blinking record label of the recording screen, so all of
// them blink in step. A label that records shows `blinkOpacity` of the wall-clock time of the last
// tick; the wall clock is injectable so tests choose the phase.
//
// Main thread only.

#include "platform/Scheduler.h"

#include <QObject>

#include <functional>

namespace record_screen {

// Dim while the whole part of twice the time (seconds since 1970) is odd, full while it is even.
double blinkOpacity(double unixSeconds, double dim);

class RecordBlink : public QObject {
    Q_OBJECT
public:
    using WallClock = std::function<double()>;
    static constexpr double interval = 0.6;
    static constexpr double dimWide = 0.45;
    static constexpr double dimNarrow = 0.4;

    explicit RecordBlink(platform::Scheduler& scheduler = platform::Scheduler::main(), WallClock wallClock = {},
        QObject* parent = nullptr);
    ~RecordBlink() override;

    // Wall-clock seconds of the last tick (of construction before the first).
    double tickTime() const { return tickTime_; }
    // What a record label shows now: 1 unless it records.
    double opacity(bool recording, double dim) const { return recording ? blinkOpacity(tickTime_, dim) : 1.0; }

signals:
    void ticked();

private:
    platform::Scheduler& scheduler_;
    WallClock wallClock_;
    double tickTime_ = 0;
    platform::Scheduler::TimerId timer_ = 0;
};

} // namespace record_screen
