#include "playback_screen/OncePerTurn.h"

#include "platform/MainThread.h"

namespace playback_screen {

OncePerTurn::OncePerTurn(QObject* owner, std::function<void()> call)
    : owner_(owner)
    , call_(std::move(call))
{
}

void OncePerTurn::request()
{
    if (pending_)
        return;
    pending_ = true;
    platform::postTo(owner_, [this] {
        if (pending_)
            runNow();
    });
}

void OncePerTurn::runNow()
{
    pending_ = false;
    call_();
}

} // namespace playback_screen
