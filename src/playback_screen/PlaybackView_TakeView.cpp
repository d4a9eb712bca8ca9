// The take multi-view of the playback screen.

#include "playback_screen/PlaybackView.h"
#include "playback_screen/TakeMultiView.h"

namespace playback_screen {

QWidget* PlaybackView::makeTakeMultiView(bool isMini, bool wideRow, double cornerRadius)
{
    TakeTilePictures pictures {
        [](QWidget* parent) { return new QWidget(parent); },
        [](QWidget*, media::MediaPlayer*) {},
        [](bool, QWidget* parent) { return new QWidget(parent); },
    };
    auto* view = new TakeMultiView(models_.vm, std::move(pictures), isMini, wideRow, cornerRadius);
    view->setHideHUD(hideHUD_);
    connect(this, &PlaybackView::hideHUDChanged, view, &TakeMultiView::setHideHUD);
    return view;
}

} // namespace playback_screen
