#pragma once

// One camera of a previewed take: the clip's player (or the offline card when its file is
// missing) filling the tile, and over it, unless the HUD is hidden, the accent border and the
// "MASTER" badge of the master tile and the camera label ("Cam 2", "Cam" without a number) at the
// bottom left. The rounded corners are masks painted over the picture. A click anywhere on the
// tile asks for the clip to become the master.
//
// Main thread only.

#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

namespace media {
class MediaPlayer;
}

namespace playback_screen {

// How tiles show their clips: the screen's player view (made once per tile, then handed each
// player the tile should show) and its offline card.
struct TakeTilePictures {
    std::function<QWidget*(QWidget* parent)> makePlayerView;
    std::function<void(QWidget* view, media::MediaPlayer* player)> setPlayer;
    std::function<QWidget*(bool big, QWidget* parent)> makeOfflineCard;
};

class TakeTile final : public QWidget {
    Q_OBJECT
public:
    static constexpr double cornerRadius = 10;
    static constexpr double labelInset = 8;

    TakeTile(const QUuid& clipID, bool isMini, TakeTilePictures pictures, QWidget* parent = nullptr);

    // `player` is null for an offline clip; the same player keeps the same view.
    void setContent(media::MediaPlayer* player, bool offline, std::optional<qint64> inputNumber);
    void setMaster(bool isMaster);
    void setHideHUD(bool hide);

    const QUuid& clipID() const { return clipID_; }
    bool isMaster() const { return isMaster_; }
    bool isOffline() const { return offline_; }
    bool hideHUD() const { return hideHUD_; }
    QString cameraText() const;
    // Nothing visible when not the master or while the HUD is hidden.
    double borderWidth() const;
    QRectF labelRect() const; // null while the HUD is hidden
    QRectF masterBadgeRect() const; // null unless the master shows its badge
    QWidget* playerView() const { return playerView_; }
    QWidget* offlineCard() const { return offlineCard_; }

signals:
    void clicked(const QUuid& clipID);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    class Overlay;
    void paintOverlay(QPainter& painter) const;

    const QUuid clipID_;
    const bool isMini_;
    const TakeTilePictures pictures_;
    bool isMaster_ = false;
    bool hideHUD_ = false;
    bool offline_ = false;
    bool pressed_ = false;
    std::optional<qint64> inputNumber_;
    QWidget* playerView_ = nullptr;
    QWidget* offlineCard_ = nullptr;
    QWidget* overlay_;
};

} // namespace playback_screen
