#include "app/RecordViewModelRemotePort.h"

#include "capture/RecordViewModel.h"

namespace app {

RecordViewModelRemotePort::RecordViewModelRemotePort(capture::RecordViewModel& engine, QObject* parent)
    : CaptureRemotePort(parent)
    , engine_(engine)
{
    using Engine = capture::RecordViewModel;
    connect(&engine, &Engine::activeInputCountChanged, this, &CaptureRemotePort::activeInputCountAssigned);
    connect(&engine, &Engine::outputColorModeChanged, this, [this] { emit outputColorModeAssigned(); });
}

int RecordViewModelRemotePort::activeInputCount() const
{
    return engine_.activeInputCount();
}

int RecordViewModelRemotePort::outputColorModeRaw() const
{
    return static_cast<int>(engine_.outputColorMode());
}

RecordViewModelRemotePort::RemotePreviewMode RecordViewModelRemotePort::remotePreviewMode() const
{
    return engine_.remotePreviewMode() == capture::RemotePreviewMode::capture ? RemotePreviewMode::capture
                                                                              : RemotePreviewMode::playback;
}

void RecordViewModelRemotePort::setRemotePreviewMode(RemotePreviewMode mode)
{
    engine_.setRemotePreviewMode(mode == RemotePreviewMode::capture ? capture::RemotePreviewMode::capture
                                                                    : capture::RemotePreviewMode::playback);
}

void RecordViewModelRemotePort::applyWebRTCSourceRouting()
{
    engine_.applyWebRTCSourceRouting();
}

} // namespace app
