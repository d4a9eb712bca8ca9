#pragma once

// Measures the station's load once a second while the performance widget exists and publishes it
// as one snapshot. Each widget owns its own monitor; destroying it ends sampling, and a new one
// starts again from zero.
//
// Thread rule: created, used and destroyed on the main thread, which owns `snapshot`. The readings
// and the arithmetic run on the serial queue "corvale.metrics.sample"; a pass holds the calculator
// weakly and posts its result back through a liveness token, so nothing is published once the
// monitor is gone.

#include "record_screen/SystemPerformanceReaders.h"
#include "record_screen/SystemPerformanceSnapshot.h"

#include "platform/MainThread.h"
#include "platform/Scheduler.h"

#include <QObject>

#include <memory>

namespace platform {
class MediaClock;
class SerialQueue;
} // namespace platform

namespace record_screen {

class SystemPerformanceCalculator;

class SystemPerformanceMonitor : public QObject {
    Q_OBJECT
public:
    using CPUSample = record_screen::CPUSample;

    // Production: this machine's readers, the main scheduler and the system media clock.
    explicit SystemPerformanceMonitor(QObject* parent = nullptr);
    // Tests hand in their own readers and time.
    SystemPerformanceMonitor(SystemPerformanceReaders readers, platform::Scheduler& scheduler,
        platform::MediaClock& clock, QObject* parent = nullptr);
    ~SystemPerformanceMonitor() override;

    const SystemPerformanceSnapshot& snapshot() const { return snapshot_; }

    // Queues one sampling pass; the timer calls it every second.
    void sample();

signals:
    // After every pass, also when no figure changed.
    void snapshotChanged();

private:
    platform::Scheduler& scheduler_;
    platform::MediaClock& clock_;
    SystemPerformanceSnapshot snapshot_;
    platform::Scheduler::TimerId timer_ = 0;
    platform::LivenessFlag alive_;
    std::shared_ptr<SystemPerformanceCalculator> calculator_;
    std::unique_ptr<platform::SerialQueue> sampleQueue_;
};

} // namespace record_screen
