#include "record_screen/SystemPerformanceMonitor.h"

#include "platform/MediaClock.h"
#include "platform/SerialQueue.h"
#include "record_screen/SystemPerformanceCalculator.h"

#include <utility>

namespace record_screen {

SystemPerformanceMonitor::SystemPerformanceMonitor(QObject* parent)
    : SystemPerformanceMonitor(
        SystemPerformanceReaders::system(), platform::Scheduler::main(), platform::MediaClock::system(), parent)
{
}

SystemPerformanceMonitor::SystemPerformanceMonitor(
    SystemPerformanceReaders readers, platform::Scheduler& scheduler, platform::MediaClock& clock, QObject* parent)
    : QObject(parent)
    , scheduler_(scheduler)
    , clock_(clock)
    , calculator_(std::make_shared<SystemPerformanceCalculator>(std::move(readers)))
    , sampleQueue_(std::make_unique<platform::SerialQueue>("corvale.metrics.sample", clock))
{
    Q_ASSERT(platform::isMainThread());
    sample();
    timer_ = scheduler_.repeating(1.0, [this] { sample(); });
}

SystemPerformanceMonitor::~SystemPerformanceMonitor()
{
    Q_ASSERT(platform::isMainThread());
    scheduler_.cancel(timer_);
    // Queued passes find no calculator; a running one finishes and its result is dropped with the
    // liveness flag. Joining the queue here keeps its thread from outliving the monitor.
    calculator_.reset();
    sampleQueue_.reset();
}

void SystemPerformanceMonitor::sample()
{
    Q_ASSERT(platform::isMainThread());
    std::weak_ptr<SystemPerformanceCalculator> weakCalculator = calculator_;
    sampleQueue_->async([weakCalculator, &clock = clock_, token = alive_.token(), this] {
        const auto calculator = weakCalculator.lock();
        if (!calculator)
            return;
        const SystemPerformanceSnapshot next = calculator->pass(clock.now());
        platform::runOnMain(token, [this, next] {
            snapshot_ = next;
            emit snapshotChanged();
        });
    });
}

} // namespace record_screen
