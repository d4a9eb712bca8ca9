#include "record_screen/SystemPerformanceCalculator.h"

#include <algorithm>
#include <utility>

namespace record_screen {

namespace {

// A counter lower than its baseline has wrapped or been reset: it contributes nothing.
std::uint64_t grown(std::uint64_t now, std::uint64_t before)
{
    return now > before ? now - before : 0;
}

} // namespace

SystemPerformanceCalculator::SystemPerformanceCalculator(SystemPerformanceReaders readers)
    : readers_(std::move(readers))
{
}

SystemPerformanceSnapshot SystemPerformanceCalculator::pass(double now)
{
    const int cores = std::max(readers_.activeProcessorCount ? readers_.activeProcessorCount() : 1, 1);
    const std::optional<double> cpuNow = readers_.taskCPUSeconds ? readers_.taskCPUSeconds() : std::nullopt;
    const std::optional<CPUSample> ticksNow = readers_.systemCPUTicks ? readers_.systemCPUTicks() : std::nullopt;

    SystemPerformanceSnapshot next = last_;
    if (lastSampleTime_) {
        if (cpuNow && lastTaskCPUSeconds_) {
            // Two passes at the same instant still divide by a tiny interval, never by zero.
            const double dt = std::max(now - *lastSampleTime_, 0.0001);
            const double used = std::max(*cpuNow - *lastTaskCPUSeconds_, 0.0);
            next.appCPUPercent = std::min(used / dt * 100.0 / cores, 100.0);
        }
        if (ticksNow && lastSystemSample_) {
            const std::uint64_t busy = grown(ticksNow->user, lastSystemSample_->user)
                + grown(ticksNow->system, lastSystemSample_->system) + grown(ticksNow->nice, lastSystemSample_->nice);
            const std::uint64_t total = busy + grown(ticksNow->idle, lastSystemSample_->idle);
            if (total > 0)
                next.systemCPUPercent = std::min(static_cast<double>(busy) / static_cast<double>(total) * 100.0, 100.0);
        }
    }
    if (const auto memory = readers_.appResidentMemoryBytes ? readers_.appResidentMemoryBytes() : std::nullopt)
        next.appMemoryBytes = *memory;
    if (const auto ratio = readers_.systemMemoryUsedRatio ? readers_.systemMemoryUsedRatio() : std::nullopt)
        next.systemMemoryUsedRatio = std::clamp(*ratio, 0.0, 1.0);
    if (const auto disk = readers_.diskUsage ? readers_.diskUsage() : std::nullopt) {
        next.diskUsedRatio = std::clamp(disk->usedRatio, 0.0, 1.0);
        next.diskFreeBytes = disk->freeBytes;
    }

    lastSampleTime_ = now;
    if (cpuNow)
        lastTaskCPUSeconds_ = cpuNow;
    if (ticksNow)
        lastSystemSample_ = ticksNow;
    last_ = next;
    return next;
}

} // namespace record_screen
