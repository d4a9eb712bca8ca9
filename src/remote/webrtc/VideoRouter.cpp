#include "remote/webrtc/VideoRouter.h"

#include "platform/MainThread.h"
#include "remote/webrtc/WebRTCSessionManager.h"

namespace remote {

VideoRouter::VideoRouter(QObject* parent)
    : QObject(parent)
{
}

void VideoRouter::setSource(Source source)
{
    Q_ASSERT(platform::isMainThread());
    source_.store(source);
    route();
    emit sourceChanged();
}

void VideoRouter::attachWebRTC(std::weak_ptr<WebRTCSessionManager> session)
{
    Q_ASSERT(platform::isMainThread());
    {
        std::lock_guard lock(mutex_);
        webrtc_ = std::move(session);
    }
    route();
}

std::shared_ptr<WebRTCSessionManager> VideoRouter::session() const
{
    std::lock_guard lock(mutex_);
    return webrtc_.lock();
}

void VideoRouter::route()
{
    if (auto manager = session()) {
        manager->setActiveSource(source_.load() == Source::playback ? WebRTCSessionManager::ActiveSource::playback
                                                                    : WebRTCSessionManager::ActiveSource::deckLink);
    }
}

void VideoRouter::pushPlayback(const media::Frame& frame, std::optional<double> time)
{
    if (source_.load() != Source::playback)
        return;
    if (auto manager = session())
        manager->push(frame, 0, WebRTCSessionManager::ActiveSource::playback, time);
}

void VideoRouter::pushDeckLink(const QImage& image, std::optional<double> time)
{
    if (source_.load() != Source::deckLink)
        return;
    if (auto manager = session())
        manager->push(image, 0, WebRTCSessionManager::ActiveSource::deckLink, time);
}

} // namespace remote
