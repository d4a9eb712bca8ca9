// The inspector pane of the playback screen.

#include "playback_screen/OutputPreviewViewer.h"
#include "playback_screen/PictureArea.h"
#include "playback_screen/PlaybackInspectorPane.h"
#include "playback_screen/PlaybackView.h"

namespace playback_screen {

QWidget* PlaybackView::makePlaybackInspectorPane()
{
    // The small picture area follows the centre mode itself: the viewer or the live inputs.
    auto* preview = new OutputPreviewViewer(models_.recordVM, new PictureArea(*this, true));
    auto* pane = new PlaybackInspectorPane(models_.vm, models_.recordVM, preview);
    pane->setCenterMode(centerMode_);
    pane->refresh();
    connect(this, &PlaybackView::centerModeChanged, pane, &PlaybackInspectorPane::setCenterMode);
    return pane;
}

} // namespace playback_screen
