#pragma once

// The system log (syslog), where the device bridge writes its lines ("DeckLink: Input stopped").

#include <functional>
#include <string>

namespace platform {

void systemLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Tests capture the lines; pass an empty function to restore the system log.
void setSystemLogSink(std::function<void(const std::string&)> sink);

} // namespace platform
