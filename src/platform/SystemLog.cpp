#include "platform/SystemLog.h"

#include <syslog.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace platform {

namespace {
std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}
std::function<void(const std::string&)>& sink()
{
    static std::function<void(const std::string&)> fn;
    return fn;
}
} // namespace

void setSystemLogSink(std::function<void(const std::string&)> fn)
{
    std::lock_guard lock(sinkMutex());
    sink() = std::move(fn);
}

void systemLog(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);

    std::lock_guard lock(sinkMutex());
    if (sink()) {
        sink()(buffer);
        return;
    }
    static const bool opened = [] {
        openlog("corvale", LOG_PID, LOG_USER);
        return true;
    }();
    (void)opened;
    syslog(LOG_NOTICE, "%s", buffer);
#ifdef CORVALE_DEBUG_LOG
    std::fprintf(stderr, "%s\n", buffer);
#endif
}

} // namespace platform
