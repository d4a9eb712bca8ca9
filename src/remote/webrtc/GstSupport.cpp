#include "remote/webrtc/GstSupport.h"

#include <mutex>

namespace remote {

void ensureGstInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

} // namespace remote
