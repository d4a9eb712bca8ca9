#pragma once

// What remote control needs of the capture engine: the input count and output colour mode that
// the state snapshot reports (each assignment signalled, repeated values included), and the
// remote live-video source that "set_preview_mode" chooses. The adapter over the real engine
// lives in the application; tests use a fake.
//
// Threads: main thread only.

#include <QObject>
#include <QString>

namespace remote {

class CaptureRemotePort : public QObject {
    Q_OBJECT

public:
    enum class RemotePreviewMode { playback, capture };

    using QObject::QObject;

    virtual int activeInputCount() const = 0;
    // The output colour mode's raw value, 0 (auto) to 5 (P3-D65 PQ).
    virtual int outputColorModeRaw() const = 0;
    virtual RemotePreviewMode remotePreviewMode() const = 0;
    virtual void setRemotePreviewMode(RemotePreviewMode mode) = 0;
    virtual void applyWebRTCSourceRouting() = 0;

    // The label clients show for a raw output colour mode; empty outside 0...5.
    static QString outputColorModeLabel(int raw);
    static bool outputIsHDR(int raw) { return raw >= 3 && raw <= 5; }

signals:
    void activeInputCountAssigned(int count);
    void outputColorModeAssigned();
};

} // namespace remote
