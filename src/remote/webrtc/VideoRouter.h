#pragma once

// One switch for track 0 of the live session: either the playback feed or the DeckLink feed
// reaches it. Selecting a feed routes track 0 to that producer; the other feed's pushes are
// dropped here. The application does not create one; it stays for tools and tests.
//
// Threads: source, setSource() and attachWebRTC() on the main thread; the pushes from any thread.

#include "media/frame/Frame.h"

#include <QImage>
#include <QObject>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

namespace remote {

class WebRTCSessionManager;

class VideoRouter : public QObject {
    Q_OBJECT
    Q_PROPERTY(Source source READ source WRITE setSource NOTIFY sourceChanged)

public:
    enum class Source { playback, deckLink };
    Q_ENUM(Source)

    explicit VideoRouter(QObject* parent = nullptr);

    Source source() const { return source_.load(); }
    void setSource(Source source);
    void attachWebRTC(std::weak_ptr<WebRTCSessionManager> session);

    void pushPlayback(const media::Frame& frame, std::optional<double> time);
    void pushDeckLink(const QImage& image, std::optional<double> time);

signals:
    void sourceChanged();

private:
    std::shared_ptr<WebRTCSessionManager> session() const;
    void route();

    std::atomic<Source> source_ { Source::playback };
    mutable std::mutex mutex_;
    std::weak_ptr<WebRTCSessionManager> webrtc_;
};

} // namespace remote
