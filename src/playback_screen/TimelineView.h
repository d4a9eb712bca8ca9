#pragma once

// The timeline block under the picture: a 70-point strip with the time bubble over the playhead,
// the track with the In–Out range, the mark lines and their "IN" / "OUT" badges, and the seek
// slider; under it the playhead time on the left and the duration on the right.
//
// The slider counts milliseconds (its range clamped to the largest int). Only the user's moves
// seek (one seek per move, with the transport stopped first); the engine's time goes into the
// slider with its signals blocked, so playback never seeks itself. Moves are ignored while there
// is no positive duration. Everything repaints once per event-loop turn, and only this block:
// the texts are painted here at fixed places, so a new time never lays anything out again.
//
// Main thread only.

#include "playback_screen/OncePerTurn.h"
#include "playback_screen/TimelineGeometry.h"
#include "ui/ShapeShadow.h"

#include <QWidget>

class QSlider;

namespace playback {
class PlaybackViewModel;
}

namespace playback_screen {

class TimelineView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int stripHeight = 70;
    static constexpr int blockSpacing = 4;
    static constexpr double trackHeight = 12.0;
    static constexpr double trackTop = 20.0;
    static constexpr double sliderTop = 36.0;
    static constexpr double bubbleCentreY = 8.0;
    static constexpr double badgeCentreY = 26.0;

    explicit TimelineView(playback::PlaybackViewModel& vm, QWidget* parent = nullptr);

    QSlider* slider() const { return slider_; }
    TimelineGeometry geometryNow() const;
    // Paint events so far; for tests.
    int paintCount() const { return paintCount_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void apply();
    void userMoved(int milliseconds);
    int rowHeight() const;
    void paintTrack(QPainter& painter, const TimelineGeometry& g);
    void paintBadge(QPainter& painter, const QString& label, QPointF centre, ui::ShapeShadow& shadow);
    void paintBubble(QPainter& painter, const QString& text, QPointF centre);

    playback::PlaybackViewModel& vm_;
    QSlider* slider_;
    OncePerTurn updates_ { this, [this] { apply(); } };
    int paintCount_ = 0;
    ui::ShapeShadow inShadow_;
    ui::ShapeShadow outShadow_;
};

} // namespace playback_screen
