#include "record_screen/SystemPerformanceReaders.h"

#include <QDir>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace record_screen {

namespace {

// Whitespace-separated fields, each a plain decimal count; nullopt at the first that is not.
std::optional<std::vector<std::uint64_t>> countsOf(std::istringstream& in)
{
    std::vector<std::uint64_t> counts;
    std::string field;
    while (in >> field) {
        std::uint64_t value = 0;
        const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
        if (error != std::errc() || end != field.data() + field.size())
            return std::nullopt;
        counts.push_back(value);
    }
    return counts;
}

std::optional<std::string> readWhole(const char* path)
{
    std::ifstream file(path);
    if (!file)
        return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return std::nullopt;
    return text;
}

std::optional<std::uint64_t> meminfoKilobytes(const std::string& meminfo, const std::string& key)
{
    std::istringstream lines(meminfo);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + ":", 0) != 0)
            continue;
        std::istringstream fields(line.substr(key.size() + 1));
        std::string number;
        fields >> number;
        std::uint64_t value = 0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (error != std::errc() || end != number.data() + number.size() || number.empty())
            return std::nullopt;
        return value;
    }
    return std::nullopt;
}

} // namespace

std::optional<CPUSample> SystemPerformanceReaders::parseProcStat(const std::string& firstLine)
{
    std::istringstream in(firstLine);
    std::string label;
    if (!(in >> label) || label != "cpu")
        return std::nullopt;
    const auto counts = countsOf(in);
    if (!counts || counts->size() < 4)
        return std::nullopt;
    // user nice system idle iowait irq softirq steal (guest time is already inside user).
    auto at = [&](std::size_t i) -> std::uint64_t { return i < counts->size() ? (*counts)[i] : 0; };
    CPUSample sample;
    sample.user = at(0);
    sample.nice = at(1);
    sample.system = at(2) + at(5) + at(6) + at(7);
    sample.idle = at(3) + at(4);
    return sample;
}

std::optional<std::uint64_t> SystemPerformanceReaders::parseStatmResidentBytes(
    const std::string& statm, std::uint64_t pageSize)
{
    std::istringstream in(statm);
    const auto counts = countsOf(in);
    if (!counts || counts->size() < 2 || pageSize == 0)
        return std::nullopt;
    return (*counts)[1] * pageSize;
}

std::optional<double> SystemPerformanceReaders::parseMeminfoUsedRatio(const std::string& meminfo)
{
    const auto total = meminfoKilobytes(meminfo, "MemTotal");
    const auto available = meminfoKilobytes(meminfo, "MemAvailable");
    if (!total || !available || *total == 0)
        return std::nullopt;
    const std::uint64_t used = *total > *available ? *total - *available : 0;
    return std::clamp(static_cast<double>(used) / static_cast<double>(*total), 0.0, 1.0);
}

std::optional<DiskUsage> SystemPerformanceReaders::diskUsageFrom(std::uint64_t sizeBytes, std::uint64_t freeBytes)
{
    if (sizeBytes == 0)
        return std::nullopt;
    const std::uint64_t used = sizeBytes > freeBytes ? sizeBytes - freeBytes : 0;
    return DiskUsage { std::clamp(static_cast<double>(used) / static_cast<double>(sizeBytes), 0.0, 1.0), freeBytes };
}

SystemPerformanceReaders SystemPerformanceReaders::system()
{
    SystemPerformanceReaders readers;
    readers.taskCPUSeconds = []() -> std::optional<double> {
        rusage usage {};
        if (getrusage(RUSAGE_SELF, &usage) != 0)
            return std::nullopt;
        auto seconds = [](const timeval& t) {
            return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1'000'000.0;
        };
        return seconds(usage.ru_utime) + seconds(usage.ru_stime);
    };
    readers.systemCPUTicks = []() -> std::optional<CPUSample> {
        std::ifstream file("/proc/stat");
        std::string line;
        if (!file || !std::getline(file, line))
            return std::nullopt;
        return parseProcStat(line);
    };
    readers.appResidentMemoryBytes = []() -> std::optional<std::uint64_t> {
        const long pageSize = sysconf(_SC_PAGESIZE);
        const auto text = readWhole("/proc/self/statm");
        if (!text || pageSize <= 0)
            return std::nullopt;
        return parseStatmResidentBytes(*text, static_cast<std::uint64_t>(pageSize));
    };
    readers.systemMemoryUsedRatio = []() -> std::optional<double> {
        const auto text = readWhole("/proc/meminfo");
        return text ? parseMeminfoUsedRatio(*text) : std::nullopt;
    };
    // The volume watched is the home folder's, as the desktop reports it, not the recording folder's.
    readers.diskUsage = [home = QDir::homePath().toStdString()]() -> std::optional<DiskUsage> {
        struct statvfs volume { };
        if (statvfs(home.c_str(), &volume) != 0)
            return std::nullopt;
        const auto unit = static_cast<std::uint64_t>(volume.f_frsize);
        return diskUsageFrom(
            static_cast<std::uint64_t>(volume.f_blocks) * unit, static_cast<std::uint64_t>(volume.f_bavail) * unit);
    };
    readers.activeProcessorCount = [] { return static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)); };
    return readers;
}

} // namespace record_screen
