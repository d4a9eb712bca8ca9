#pragma once

// The inspector's content: "Output Preview" with the caption naming what the program output
// carries and the small output preview, the program output's control card under "DeckLink / HDMI
// Out", and the selected clip's details under "Clip Detail". It keeps nothing: every value is
// read from the models when one of them publishes, once per event-loop turn.
//
// Main thread only.

#include "playback_screen/CenterMode.h"

#include "playback_screen/OncePerTurn.h"

#include <QList>
#include <QWidget>

namespace capture {
class RecordViewModel;
}
namespace playback {
class PlaybackViewModel;
}
namespace ui {
class ThemedLabel;
}

namespace playback_screen {

class OutputControlCard;

class PlaybackInspectorPane final : public QWidget {
    Q_OBJECT
public:
    static constexpr int previewHeight = 140;
    static constexpr int infoTitleWidth = 70;

    // Takes ownership of `outputPreview`.
    PlaybackInspectorPane(playback::PlaybackViewModel& vm, capture::RecordViewModel& record, QWidget* outputPreview,
        QWidget* parent = nullptr);

    void setCenterMode(CenterMode mode);
    CenterMode centerMode() const { return mode_; }

    QString captionText() const;
    // The values of the eight Clip Detail rows, in order.
    QStringList detailValues() const;
    OutputControlCard* outputCard() const { return card_; }
    QWidget* outputPreview() const { return preview_; }

    // Reads the models now (otherwise it happens once at the end of the event-loop turn).
    void refresh();

private:
    playback::PlaybackViewModel& vm_;
    capture::RecordViewModel& record_;
    CenterMode mode_ = CenterMode::playback;
    OncePerTurn updates_ { this, [this] { refresh(); } };
    ui::ThemedLabel* caption_;
    QWidget* preview_;
    OutputControlCard* card_;
    QList<ui::ThemedLabel*> values_;
};

} // namespace playback_screen
