// Removing clips and keeping the playlist honest about files that went missing. Removal never
// touches a media file; the offline flag is recomputed from the disk and never saved.

#include "playback/PlaybackViewModel.h"

namespace playback {

void PlaybackViewModel::refreshOfflineStatus()
{
    if (clips_.isEmpty())
        return;
    bool changed = false;
    for (qsizetype i = 0; i < clips_.size(); ++i) {
        const bool offline = !clipFileExists(clips_[i].url);
        if (clips_[i].offline == offline)
            continue;
        ClipItem clip = clips_[i];
        clip.offline = offline;
        replaceClip(i, clip);
        changed = true;
    }
    // Observers of the unsaved flag redraw the rows; the flag itself does not change.
    if (changed)
        emit hasUnsavedChangesChanged(hasUnsavedChanges_);
}

} // namespace playback
