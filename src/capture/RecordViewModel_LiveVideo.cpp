// RecordViewModel: which producer feeds each of the remote-video session's four tracks (chosen
// from the remote preview mode and what each slot is doing), and the offers of captured frames.
//
// Main thread only. The session is held weakly; every call on it is a task of its own on the main
// thread that holds the session only while it runs.

#include "capture/RecordViewModel.h"

#include "platform/MainThread.h"

namespace capture {

void RecordViewModel::setWebRTC(std::weak_ptr<LiveVideoSession> session)
{
    webrtc_ = std::move(session);
    publishRoadState();
    applyWebRTCSourceRouting();
}

void RecordViewModel::setRemotePreviewMode(RemotePreviewMode mode)
{
    assign(remotePreviewMode_, mode, &RecordViewModel::remotePreviewModeChanged);
    applyWebRTCSourceRouting();
}

void RecordViewModel::applyWebRTCSourceRouting()
{
    if (webrtc_.expired())
        return;
    using Source = LiveVideoSession::ActiveSource;
    for (int slot = 0; slot < kInputSlotCount; ++slot) {
        Source producer = Source::playback;
        if (remotePreviewMode_ == RemotePreviewMode::capture && slot < activeInputCount_ && isCapturingFlags_[slot])
            producer = captureSources_[slot] == CaptureSourceKind::deckLink ? Source::deckLink : Source::avFoundation;
        platform::runOnMain([weak = webrtc_, producer, slot] {
            if (auto session = weak.lock())
                session->setActiveSource(producer, slot);
        });
    }
}

void RecordViewModel::offerLiveFrame(
    const media::Frame& frame, int slot, LiveVideoSession::ActiveSource source, std::optional<double> time)
{
    if (webrtc_.expired())
        return;
    platform::runOnMain([weak = webrtc_, frame, slot, source, time] {
        if (auto session = weak.lock())
            session->push(frame, slot, source, time);
    });
}

} // namespace capture
