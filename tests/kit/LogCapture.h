#pragma once

// Collects log lines from every thread while it lives: the diagnostic lines, the system log, or
// both (in arrival order).

#include "platform/DebugLog.h"
#include "platform/SystemLog.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace testkit {

class LogCapture {
public:
    enum Source { diagnostic = 1, system = 2 };

    explicit LogCapture(int sources = diagnostic)
        : sources_(sources)
    {
        auto keep = [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        };
        if (sources_ & diagnostic)
            debuglog::setSink(keep);
        if (sources_ & system)
            platform::setSystemLogSink(keep);
    }
    ~LogCapture()
    {
        if (sources_ & diagnostic)
            debuglog::setSink({});
        if (sources_ & system)
            platform::setSystemLogSink({});
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The index of the first line that contains `text`; -1 when none does.
    int find(const std::string& text) const
    {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < int(lines_.size()); ++i) {
            if (lines_[std::size_t(i)].find(text) != std::string::npos)
                return i;
        }
        return -1;
    }
    bool contains(const std::string& text) const { return find(text) >= 0; }
    int count(const std::string& text) const
    {
        std::lock_guard lock(mutex_);
        return int(std::count_if(lines_.begin(), lines_.end(),
            [&](const std::string& line) { return line.find(text) != std::string::npos; }));
    }

private:
    const int sources_;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace testkit
