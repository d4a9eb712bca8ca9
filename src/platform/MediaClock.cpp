#include "platform/MediaClock.h"

#include <chrono>

namespace platform {

namespace {
class SteadyMediaClock final : public MediaClock {
public:
    double now() const override
    {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }
};
} // namespace

MediaClock& MediaClock::system()
{
    static SteadyMediaClock clock;
    return clock;
}

} // namespace platform
