#pragma once

// Remote control's view of the station's capture engine: the input count and output colour mode
// of the state snapshot (each assignment relayed, repeated values included) and the remote
// live-video source.
//
// Threads: main thread only, like the engine.

#include "remote/CaptureRemotePort.h"

namespace capture {
class RecordViewModel;
}

namespace app {

class RecordViewModelRemotePort final : public remote::CaptureRemotePort {
public:
    explicit RecordViewModelRemotePort(capture::RecordViewModel& engine, QObject* parent = nullptr);

    int activeInputCount() const override;
    int outputColorModeRaw() const override;
    RemotePreviewMode remotePreviewMode() const override;
    void setRemotePreviewMode(RemotePreviewMode mode) override;
    void applyWebRTCSourceRouting() override;

private:
    capture::RecordViewModel& engine_;
};

} // namespace app
