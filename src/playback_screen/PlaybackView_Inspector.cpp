// The inspector pane of the playback screen.

#include "playback_screen/OutputPreviewViewer.h"
#include "playback_screen/PlaybackInspectorPane.h"
#include "playback_screen/PlaybackView.h"

namespace playback_screen {

QWidget* PlaybackView::makePlaybackInspectorPane()
{
    auto* playbackPicture = new QWidget;
    auto* preview = new OutputPreviewViewer(models_.recordVM, playbackPicture, makeCaptureLiveView(true));
    preview->setCenterMode(centerMode_);
    auto* pane = new PlaybackInspectorPane(models_.vm, models_.recordVM, preview);
    pane->setCenterMode(centerMode_);
    pane->refresh();
    connect(this, &PlaybackView::centerModeChanged, pane, [pane, preview](CenterMode mode) {
        preview->setCenterMode(mode);
        pane->setCenterMode(mode);
    });
    return pane;
}

} // namespace playback_screen
