#pragma once

// The transport row under the timeline: ten icon pills (open files, play or pause, the external
// window, Mark In, Mark Out, play In–Out, loop, jump to either mark, clear the marks) in groups
// split by two short dividers, and at the right the framed readout of the two marks. The pills
// light up with their mark or the loop flag; the names are only in the hover tooltips. No pill
// takes focus, so Space over a pill reaches the keyboard shortcuts and never presses it.
//
// The row's minimum width is ignored: when the pane gets narrower the row is clipped and the
// readout's texts elide. It follows the engine once per event-loop turn.
//
// Main thread only.

#include "playback_screen/OncePerTurn.h"

#include <QWidget>

namespace ui {
class StyledButton;
}

namespace playback_screen {

class PlaybackView;

class TransportBar final : public QWidget {
    Q_OBJECT
public:
    static constexpr double iconSize = 17.0;
    static constexpr double iconFrameWidth = 26.0;
    static constexpr double iconFrameHeight = 22.0;
    static constexpr int groupSpacing = 4;
    static constexpr int rowSpacing = 10;

    explicit TransportBar(PlaybackView& screen, QWidget* parent = nullptr);

    // The readout's texts now ("-" for an unset mark).
    QString markInText() const;
    QString markOutText() const;

    // Applies the engine's state now (it is otherwise applied once per event-loop turn).
    void refresh() { updates_.runNow(); }

private:
    void apply();
    ui::StyledButton* addButton(const char* name, const QString& icon, const QString& tooltip);

    PlaybackView& screen_;
    OncePerTurn updates_ { this, [this] { apply(); } };
    ui::StyledButton* playPause_ = nullptr;
    ui::StyledButton* markIn_ = nullptr;
    ui::StyledButton* markOut_ = nullptr;
    ui::StyledButton* playInOut_ = nullptr;
    ui::StyledButton* loop_ = nullptr;
    ui::StyledButton* jumpIn_ = nullptr;
    ui::StyledButton* jumpOut_ = nullptr;
    QWidget* group_ = nullptr;
    QWidget* readout_ = nullptr;
};

} // namespace playback_screen
