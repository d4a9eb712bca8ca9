#pragma once

// Draws one player's picture, fitted inside the view with its aspect ratio kept (letterboxed on
// black, never cropped or stretched). The picture comes from the player's shared frame feed,
// already scaled to this view's size off the main thread; painting copies it 1:1 and never
// scales. No controls are drawn over it.
//
// Main thread only.

#include "media/frame/Frame.h"
#include "media/player/MediaPlayer.h"
#include "platform/Scheduler.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace playback_screen {

class PlayerFrameFeed;

class PlayerView final : public QWidget {
    Q_OBJECT
public:
    explicit PlayerView(
        platform::Scheduler& scheduler, media::MediaPlayer* player = nullptr, QWidget* parent = nullptr);
    ~PlayerView() override;

    // Shows another player; the very same player changes nothing.
    void setPlayer(media::MediaPlayer* player);
    media::MediaPlayer* player() const { return player_; }
    // How many times a different player was put in; for tests.
    int playerAssignments() const { return assignments_; }
    // The size (device pixels) of the last picture painted, and the picture; for tests.
    QSize lastPaintedSize() const { return lastPaintedSize_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize pixelSize() const;
    void useSize(QSize size);

    platform::Scheduler& scheduler_;
    QPointer<media::MediaPlayer> player_;
    std::shared_ptr<PlayerFrameFeed> feed_;
    QMetaObject::Connection readyConnection_;
    QSize usedSize_;
    QSize lastPaintedSize_;
    int assignments_ = 0;
};

} // namespace playback_screen
