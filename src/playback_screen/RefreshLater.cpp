#include "playback_screen/RefreshLater.h"

#include "platform/MainThread.h"

namespace playback_screen {

RefreshLater::RefreshLater(QObject* owner, std::function<void()> refresh)
    : owner_(owner)
    , refresh_(std::move(refresh))
{
}

void RefreshLater::request()
{
    Q_ASSERT(platform::isMainThread());
    if (pending_)
        return;
    pending_ = true;
    platform::runOnMain(owner_, [this] {
        if (pending_)
            now();
    });
}

void RefreshLater::now()
{
    pending_ = false;
    refresh_();
}

} // namespace playback_screen
