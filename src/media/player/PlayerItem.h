#pragma once

// One playable movie file in one player: its loading status, duration, tracks, the frames on
// show for the video outputs attached to it, and its own end and failure notifications. Every
// replacement in a player is a new item, even for the same file, so the notifications of an
// item that has left its player can never be taken for the current item's.
//
// Items live on the main thread. Loading starts when a player first takes the item and runs on
// the item's decoder thread; its results are posted back to the main thread.

#include "media/player/MediaTime.h"
#include "platform/MainThread.h"

#include <QObject>
#include <QSize>
#include <QString>
#include <QUrl>

#include <memory>
#include <vector>

namespace platform {
class MediaClock;
}

namespace media {

class ItemDecoder;
class MediaPlayer;
class PlayerFrameQueue;
class PlayerTimebase;
class PlayerVideoOutput;

class PlayerItem : public QObject {
    Q_OBJECT

public:
    enum class Status { Unknown, ReadyToPlay, Failed };
    Q_ENUM(Status)

    // Only local files play; any other URL fails once a player loads the item.
    static std::shared_ptr<PlayerItem> create(const QUrl& url);
    ~PlayerItem() override;

    const QUrl& url() const { return url_; }
    Status status() const { return status_; }
    // Why the item failed; empty otherwise.
    const QString& errorText() const { return error_; }
    // Indefinite until the item is ready.
    MediaTime duration() const { return duration_; }
    bool hasVideo() const { return hasVideo_; }
    bool hasAudio() const { return hasAudio_; }
    QSize presentationSize() const { return size_; }
    double nominalFrameRate() const { return nominalFrameRate_; }

    // Video outputs. An output serves one item at a time: adding it here removes it from the
    // item it served before. The item keeps its outputs alive.
    void addOutput(const std::shared_ptr<PlayerVideoOutput>& output);
    void removeOutput(const std::shared_ptr<PlayerVideoOutput>& output);
    const std::vector<std::shared_ptr<PlayerVideoOutput>>& outputs() const { return outputs_; }

    // --- For players (the real one and test doubles) ---
    // The player that holds the item, or null.
    MediaPlayer* player() const { return player_; }
    void setPlayer(MediaPlayer* player) { player_ = player; }
    // Starts opening and decoding the file (once). The clock is the player's.
    void load(const platform::MediaClock& clock);
    bool isLoading() const { return decoder_ != nullptr; }
    // Exact seek of the pictures on show; a seek before loading is served when the file opens.
    void seekFrames(double seconds);
    // Decoding ahead follows the playing rate.
    void setDecodeRate(double rate);
    const std::shared_ptr<PlayerFrameQueue>& frameQueue() const { return queue_; }
    const std::shared_ptr<PlayerTimebase>& timebase() const { return timebase_; }
    // Status changes, each with its signal.
    void markReady(MediaTime duration, bool hasVideo, bool hasAudio, QSize size, double nominalFrameRate);
    void markFailed(const QString& error);
    void notifyDidPlayToEnd();
    void notifyFailedToPlayToEnd(const QString& error);

signals:
    void statusChanged(media::PlayerItem::Status status);
    void durationChanged();
    // The item was played to its end (forward), once per arrival at the end.
    void didPlayToEndTime();
    void failedToPlayToEndTime(const QString& error);

private:
    explicit PlayerItem(const QUrl& url);

    const QUrl url_;
    Status status_ = Status::Unknown;
    QString error_;
    MediaTime duration_ = MediaTime::indefinite();
    bool hasVideo_ = false;
    bool hasAudio_ = false;
    QSize size_;
    double nominalFrameRate_ = 0.0;
    MediaPlayer* player_ = nullptr;

    std::shared_ptr<PlayerFrameQueue> queue_;
    std::shared_ptr<PlayerTimebase> timebase_;
    std::vector<std::shared_ptr<PlayerVideoOutput>> outputs_;

    std::uint64_t epoch_ = 0;
    double seekBeforeLoad_ = -1.0;
    double rateBeforeLoad_ = 0.0;
    std::unique_ptr<ItemDecoder> decoder_;
    // What the decoder thread's posted results check before touching the item.
    platform::LivenessFlag liveness_;
};

} // namespace media
