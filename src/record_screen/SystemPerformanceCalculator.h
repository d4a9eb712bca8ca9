#pragma once

// One sampling pass of the performance monitor as plain arithmetic over the readers: processor
// shares from the differences to the previous pass, memory and disk as read, and every failed
// reading falling back to the value handed out last.
//
// Thread rule: not shared. The monitor keeps one on its sampling queue and only that queue calls it.

#include "record_screen/SystemPerformanceReaders.h"
#include "record_screen/SystemPerformanceSnapshot.h"

#include <optional>

namespace record_screen {

class SystemPerformanceCalculator {
public:
    explicit SystemPerformanceCalculator(SystemPerformanceReaders readers);

    // Reads everything once at `now` (seconds on the monotonic media clock) and gives the
    // snapshot to publish. The first pass leaves both processor shares at 0 and lays baselines.
    SystemPerformanceSnapshot pass(double now);

    // The value the last pass handed out (all zero before the first).
    const SystemPerformanceSnapshot& last() const { return last_; }

private:
    SystemPerformanceReaders readers_;
    SystemPerformanceSnapshot last_;
    std::optional<CPUSample> lastSystemSample_;
    std::optional<double> lastTaskCPUSeconds_;
    std::optional<double> lastSampleTime_;
};

} // namespace record_screen
