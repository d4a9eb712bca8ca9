#pragma once

// One reading of the station's load, as the performance widget shows it. A new value is all zero.

#include <cstdint>

namespace record_screen {

struct SystemPerformanceSnapshot {
    // This process's share of all active processors over the last interval, 0...100.
    double appCPUPercent = 0;
    // The machine's non-idle share of processor time over the last interval, 0...100.
    double systemCPUPercent = 0;
    std::uint64_t appMemoryBytes = 0;
    // Used physical memory over installed memory, 0...1.
    double systemMemoryUsedRatio = 0;
    // Used space of the home folder's volume over its size, 0...1.
    double diskUsedRatio = 0;
    std::uint64_t diskFreeBytes = 0;

    friend bool operator==(const SystemPerformanceSnapshot&, const SystemPerformanceSnapshot&) = default;
};

} // namespace record_screen
