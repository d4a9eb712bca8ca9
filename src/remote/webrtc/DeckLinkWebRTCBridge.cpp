#include "remote/webrtc/DeckLinkWebRTCBridge.h"

#include "platform/MainThread.h"
#include "remote/webrtc/WebRTCSessionManager.h"

namespace remote {

DeckLinkWebRTCBridge::DeckLinkWebRTCBridge(QObject* parent)
    : QObject(parent)
{
}

void DeckLinkWebRTCBridge::setWebRTC(std::weak_ptr<WebRTCSessionManager> session)
{
    std::lock_guard lock(mutex_);
    webrtc_ = std::move(session);
}

void DeckLinkWebRTCBridge::setOnFrame(std::function<void(const QImage&)> onFrame)
{
    std::lock_guard lock(mutex_);
    onFrame_ = std::move(onFrame);
}

void DeckLinkWebRTCBridge::didReceiveFrame(const QImage& image)
{
    std::function<void(const QImage&)> onFrame;
    std::weak_ptr<WebRTCSessionManager> session;
    {
        std::lock_guard lock(mutex_);
        onFrame = onFrame_;
        session = webrtc_;
    }
    if (onFrame)
        onFrame(image);
    platform::runOnMain([session = std::move(session), image] {
        if (auto manager = session.lock())
            manager->push(image, WebRTCSessionManager::ActiveSource::deckLink, std::nullopt);
    });
}

} // namespace remote
