#pragma once

// The centre pane's content: the header bar (mode switch, project library, timeline and HUD
// toggles, the project title chip), the picture area (at least 250 high), and in playback mode
// with the transport shown the timeline block, a divider and the transport row. It reads and
// toggles the screen's centre mode, transport and HUD switches; the rest is its parts' work.
//
// Main thread only.

#include <QWidget>

namespace ui {
class SegmentedPillControl;
class StyledButton;
} // namespace ui

namespace playback_screen {

class PictureArea;
class PlaybackView;
class TimelineView;
class TransportBar;

class MainPane final : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 12;
    static constexpr int pictureMinimumHeight = 250;

    explicit MainPane(PlaybackView& screen, QWidget* parent = nullptr);

    ui::SegmentedPillControl* modeSwitch() const { return modeSwitch_; }
    ui::StyledButton* timelineToggle() const { return timelineToggle_; }
    ui::StyledButton* hudToggle() const { return hudToggle_; }
    PictureArea* pictureArea() const { return picture_; }
    TimelineView* timeline() const { return timeline_; }
    TransportBar* transport() const { return transport_; }

private:
    QWidget* buildHeader();
    void refresh();

    PlaybackView& screen_;
    ui::SegmentedPillControl* modeSwitch_ = nullptr;
    ui::StyledButton* timelineToggle_ = nullptr;
    ui::StyledButton* hudToggle_ = nullptr;
    QWidget* titleChip_ = nullptr;
    PictureArea* picture_ = nullptr;
    TimelineView* timeline_ = nullptr;
    QWidget* divider_ = nullptr;
    TransportBar* transport_ = nullptr;
};

} // namespace playback_screen
