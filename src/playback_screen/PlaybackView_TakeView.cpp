// The take multi-view of the playback screen.

#include "playback_screen/OfflineOverlay.h"
#include "playback_screen/PlaybackView.h"
#include "playback_screen/PlayerView.h"
#include "playback_screen/TakeMultiView.h"

namespace playback_screen {

QWidget* PlaybackView::makeTakeMultiView(bool isMini, bool wideRow, double cornerRadius)
{
    platform::Scheduler& scheduler = models_.scheduler;
    TakeTilePictures pictures {
        [&scheduler](QWidget* parent) { return new PlayerView(scheduler, nullptr, parent); },
        [](QWidget* view, media::MediaPlayer* player) { static_cast<PlayerView*>(view)->setPlayer(player); },
        [](bool big, QWidget* parent) { return new OfflineOverlay(big, parent); },
    };
    auto* view = new TakeMultiView(models_.vm, std::move(pictures), isMini, wideRow, cornerRadius);
    view->setHideHUD(hideHUD_);
    connect(this, &PlaybackView::hideHUDChanged, view, &TakeMultiView::setHideHUD);
    return view;
}

} // namespace playback_screen
