#include "platform/ManualMediaClock.h"
#include "platform/ManualScheduler.h"
#include "record_screen/PerformanceFigures.h"
#include "record_screen/SystemPerformanceCalculator.h"
#include "record_screen/SystemPerformanceMonitor.h"
#include "record_screen/SystemPerformanceWidget.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

using namespace record_screen;

namespace {

// Readers that answer whatever the test put in last; a field left empty reads as a failure.
struct Readings {
    std::optional<double> taskSeconds = 0.0;
    std::optional<CPUSample> ticks = CPUSample {};
    std::optional<std::uint64_t> rss = 100;
    std::optional<double> memRatio = 0.5;
    std::optional<DiskUsage> disk = DiskUsage { 0.25, 4000 };
    int cores = 4;
};

SystemPerformanceReaders readersOf(const Readings& r)
{
    return { [&r] { return r.taskSeconds; }, [&r] { return r.ticks; }, [&r] { return r.rss; },
        [&r] { return r.memRatio; }, [&r] { return r.disk; }, [&r] { return r.cores; } };
}

} // namespace

TEST(SystemPerformanceCalculator, ProcessorShares)
{
    struct Case {
        const char* name;
        int cores;
        double dt;
        double usedSeconds;
        CPUSample ticksDelta; // added to a baseline of 1000 each; negative growth via `wrap`
        bool wrap;
        double appCPU;
        double sysCPU;
    };
    const Case cases[] = {
        { "one core of eight busy", 8, 1.0, 1.0, { 30, 10, 50, 10 }, false, 12.5, 50.0 },
        { "zero cores count as one", 0, 1.0, 0.5, { 1, 0, 3, 0 }, false, 50.0, 25.0 },
        { "no time between passes is capped", 1, 0.0, 0.001, { 0, 0, 0, 1 }, false, 100.0, 100.0 },
        { "time going backwards counts as zero", 2, 1.0, -5.0, { 0, 0, 0, 0 }, false, 0.0, 33.0 },
        { "wrapped counters add nothing", 2, 1.0, 0.0, { 0, 0, 0, 0 }, true, 0.0, 33.0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Readings r;
        r.cores = c.cores;
        r.taskSeconds = 10.0;
        r.ticks = CPUSample { 1000, 1000, 1000, 1000 };
        SystemPerformanceCalculator calc(readersOf(r));
        calc.pass(1.0);
        // A previous system share of 33% so "unchanged" is visible.
        r.ticks = CPUSample { 1001, 1000, 1002, 1000 };
        calc.pass(1.0 + 1.0);
        ASSERT_NEAR(calc.last().systemCPUPercent, 33.33, 0.01);

        r.taskSeconds = 10.0 + c.usedSeconds;
        const CPUSample base = *r.ticks;
        r.ticks = c.wrap ? CPUSample { 5, 5, 5, 5 }
                         : CPUSample { base.user + c.ticksDelta.user, base.system + c.ticksDelta.system,
                               base.idle + c.ticksDelta.idle, base.nice + c.ticksDelta.nice };
        const auto s = calc.pass(2.0 + c.dt);
        EXPECT_NEAR(s.appCPUPercent, c.appCPU, 0.01);
        EXPECT_NEAR(s.systemCPUPercent, c.sysCPU, 0.34);
    }
}

TEST(SystemPerformanceCalculator, FailedReadingsKeepLastValuesAndBaselines)
{
    Readings r;
    r.cores = 1;
    r.taskSeconds = 1.0;
    SystemPerformanceCalculator calc(readersOf(r));
    calc.pass(0.0);
    r.taskSeconds = 1.5;
    const auto good = calc.pass(1.0);
    ASSERT_NEAR(good.appCPUPercent, 50.0, 1e-9);

    r = Readings { std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 1 };
    const auto failed = calc.pass(2.0);
    EXPECT_EQ(failed, good);

    // Measured against the last good reading (1.5 s at t=1) over the interval since the last pass
    // (t=2): 0.5 s of processor time in 1 s.
    r.taskSeconds = 2.0;
    EXPECT_NEAR(calc.pass(3.0).appCPUPercent, 50.0, 1e-9);
    r.taskSeconds = 40.0;
    EXPECT_EQ(calc.pass(4.0).appCPUPercent, 100.0);
}

TEST(SystemPerformanceReaders, ParsersFenceBadInput)
{
    const auto stat = SystemPerformanceReaders::parseProcStat("cpu  10 2 30 400 5 6 7 8 9 9");
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->system, 30u + 6 + 7 + 8);
    EXPECT_EQ(stat->idle, 405u);
    for (const char* bad : { "", "cpu0 1 2 3 4", "cpu 1 2 3", "cpu -3 1 1 1", "cpu a b c d", "cpu 1 2 3 4x" })
        EXPECT_FALSE(SystemPerformanceReaders::parseProcStat(bad)) << bad;

    EXPECT_EQ(SystemPerformanceReaders::parseStatmResidentBytes("900 25 3 1 0 40 0\n", 4096), 25u * 4096);
    EXPECT_FALSE(SystemPerformanceReaders::parseStatmResidentBytes("900", 4096));
    EXPECT_FALSE(SystemPerformanceReaders::parseStatmResidentBytes("900 25", 0));

    EXPECT_DOUBLE_EQ(*SystemPerformanceReaders::parseMeminfoUsedRatio(
                         "MemTotal:  1000 kB\nMemFree: 10 kB\nMemAvailable:   250 kB\n"),
        0.75);
    EXPECT_EQ(SystemPerformanceReaders::parseMeminfoUsedRatio("MemTotal: 100 kB\nMemAvailable: 900 kB\n"), 0.0);
    for (const char* bad :
        { "MemTotal: 0 kB\nMemAvailable: 0 kB\n", "MemTotal: 100 kB\n", "MemTotal: x kB\nMemAvailable: 1 kB" })
        EXPECT_FALSE(SystemPerformanceReaders::parseMeminfoUsedRatio(bad)) << bad;

    EXPECT_EQ(SystemPerformanceReaders::diskUsageFrom(100, 500)->usedRatio, 0.0);
    EXPECT_DOUBLE_EQ(SystemPerformanceReaders::diskUsageFrom(100, 25)->usedRatio, 0.75);
    EXPECT_FALSE(SystemPerformanceReaders::diskUsageFrom(0, 0));
}

TEST(SystemPerformanceMonitor, PublishesEverySecondAndNothingAfterDeletion)
{
    platform::ManualMediaClock clock(100.0);
    platform::ManualScheduler scheduler(&clock);
    std::atomic<double> taskSeconds { 1.0 };
    std::mutex mutex;
    std::condition_variable changed;
    bool hold = false;
    bool entered = false;
    SystemPerformanceReaders readers;
    readers.taskCPUSeconds = [&]() -> std::optional<double> { return taskSeconds.load(); };
    readers.appResidentMemoryBytes = [&]() -> std::optional<std::uint64_t> {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [&] { return !hold; });
        return 7;
    };
    readers.activeProcessorCount = [] { return 1; };

    auto* monitor = new SystemPerformanceMonitor(readers, scheduler, clock);
    QSignalSpy spy(monitor, &SystemPerformanceMonitor::snapshotChanged);
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_EQ(monitor->snapshot().appMemoryBytes, 7u);
    EXPECT_EQ(monitor->snapshot().appCPUPercent, 0);

    taskSeconds = 1.25;
    scheduler.advance(1.0);
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_NEAR(monitor->snapshot().appCPUPercent, 25.0, 1e-9);

    // A pass in flight while the monitor goes: its result must never arrive.
    int published = 0;
    QObject::connect(monitor, &SystemPerformanceMonitor::snapshotChanged, [&] { ++published; });
    {
        std::lock_guard lock(mutex);
        hold = true;
        entered = false;
    }
    monitor->sample();
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return entered; }));
        hold = false;
        changed.notify_all();
    }
    delete monitor;
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(published, 0);
}

TEST(SystemPerformanceWidget, ShowsTheMonitorsFiguresAndTheInputPill)
{
    platform::ManualMediaClock clock;
    platform::ManualScheduler scheduler(&clock);
    SystemPerformanceReaders readers;
    readers.appResidentMemoryBytes = []() -> std::optional<std::uint64_t> { return 1536ull * 1024 * 1024; };
    readers.systemMemoryUsedRatio = []() -> std::optional<double> { return 0.95; };
    readers.diskUsage = []() -> std::optional<DiskUsage> { return DiskUsage { 0.5, 5ull << 40 }; };
    auto monitor = std::make_unique<SystemPerformanceMonitor>(readers, scheduler, clock);
    QSignalSpy spy(monitor.get(), &SystemPerformanceMonitor::snapshotChanged);
    SystemPerformanceWidget widget(3, 4, true, std::move(monitor));
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_EQ(widget.statusText(), "Inputs 3/4");
    EXPECT_EQ(widget.dotColor().role(), ui::ColorRole::systemRed);

    // The first publication: memory and disk measured, the processors still at 0.
    const auto figures = widget.figures();
    ASSERT_EQ(figures.size(), 6u);
    EXPECT_EQ(figures[0].valueText, "0%");
    EXPECT_EQ(figures[1].valueText, "1.5 GB");
    EXPECT_EQ(figures[4].valueText, "95%");
    EXPECT_EQ(figures[4].tint.role(), ui::ColorRole::systemRed);
}
