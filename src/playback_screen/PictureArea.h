#pragma once

// The picture area by centre mode: the viewer in playback mode, the capture live view in capture
// mode, in the full size (centre pane) or the small one (output preview). The shown view is made
// when the mode changes and the other one is dropped.
//
// Main thread only.

#include "playback_screen/CenterMode.h"

#include <QWidget>

namespace playback_screen {

class PlaybackView;

class PictureArea final : public QWidget {
    Q_OBJECT
public:
    PictureArea(PlaybackView& screen, bool isMini, QWidget* parent = nullptr);

    QWidget* current() const { return current_; }

private:
    void showMode(CenterMode mode);

    PlaybackView& screen_;
    const bool isMini_;
    QWidget* current_ = nullptr;
};

} // namespace playback_screen
