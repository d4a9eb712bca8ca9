#pragma once

// Feeds DeckLink pictures into track 0 of the live session as DeckLink frames, stamped with the
// host clock; an optional observer sees every picture first. The application does not create
// one (the capture engine pushes its own frames); it stays for tools and tests.
//
// Threads: didReceiveFrame() from any thread; the observer runs synchronously on the caller's
// thread, the push in a task on the main thread. The session is held weakly and only on the main
// thread; setWebRTC() and setOnFrame() may be called from any thread.

#include <QImage>
#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace remote {

class WebRTCSessionManager;

class DeckLinkWebRTCBridge : public QObject {
    Q_OBJECT

public:
    explicit DeckLinkWebRTCBridge(QObject* parent = nullptr);

    void setWebRTC(std::weak_ptr<WebRTCSessionManager> session);
    void setOnFrame(std::function<void(const QImage&)> onFrame);

    Q_INVOKABLE void didReceiveFrame(const QImage& image);

private:
    mutable std::mutex mutex_;
    std::weak_ptr<WebRTCSessionManager> webrtc_;
    std::function<void(const QImage&)> onFrame_;
};

} // namespace remote
