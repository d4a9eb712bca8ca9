#pragma once

// The operating-system readings behind the performance monitor, one function each so tests can put
// their own figures in. Every reader answers nullopt on any failure and reports nothing; they run on
// the monitor's sampling queue, never on the main thread.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace record_screen {

// Cumulative processor time of the whole machine in clock ticks, split the way the load is computed.
struct CPUSample {
    std::uint64_t user = 0;
    std::uint64_t system = 0;
    std::uint64_t idle = 0;
    std::uint64_t nice = 0;
};

struct DiskUsage {
    double usedRatio = 0;
    std::uint64_t freeBytes = 0;
};

struct SystemPerformanceReaders {
    // User plus system processor time of this process, in seconds.
    std::function<std::optional<double>()> taskCPUSeconds;
    std::function<std::optional<CPUSample>()> systemCPUTicks;
    std::function<std::optional<std::uint64_t>()> appResidentMemoryBytes;
    std::function<std::optional<double>()> systemMemoryUsedRatio;
    std::function<std::optional<DiskUsage>()> diskUsage;
    // May answer 0 or less; the calculator counts that as one processor.
    std::function<int()> activeProcessorCount;

    // The readers of this machine: getrusage, /proc/stat, /proc/self/statm, /proc/meminfo and
    // statvfs of the home folder.
    static SystemPerformanceReaders system();

    // The parsers behind the /proc readers, on text already read (the first line of /proc/stat,
    // the whole of /proc/self/statm and /proc/meminfo).
    static std::optional<CPUSample> parseProcStat(const std::string& firstLine);
    static std::optional<std::uint64_t> parseStatmResidentBytes(const std::string& statm, std::uint64_t pageSize);
    static std::optional<double> parseMeminfoUsedRatio(const std::string& meminfo);
    // Used share and free space from a volume's size and free size; nullopt for a size of 0.
    static std::optional<DiskUsage> diskUsageFrom(std::uint64_t sizeBytes, std::uint64_t freeBytes);
};

} // namespace record_screen
