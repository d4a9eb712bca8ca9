#pragma once

// Engines for remote-control tests: the playback and capture ports over plain fields, recording
// every operation called and signalling every assignment as the real engines do.

#include "remote/CaptureRemotePort.h"
#include "remote/ClipCacheService.h"
#include "remote/PlaybackRemotePort.h"

#include <QStringList>

class FakePlaybackPort final : public remote::PlaybackRemotePort {
public:
    using Property = remote::PlaybackRemotePort::Property;

    std::vector<Clip> clips() const override { return clipList; }
    std::optional<QUuid> selectedClipID() const override { return selected; }
    std::optional<QUuid> secondaryClipID() const override { return secondary; }
    bool isPlaying() const override { return playing; }
    double currentTime() const override { return playhead; }
    bool loopInOut() const override { return loop; }
    std::optional<double> markIn() const override { return in; }
    std::optional<double> markOut() const override { return {}; }
    std::optional<qint64> previewTake() const override { return {}; }
    QList<QUuid> previewTakeClipIDs() const override { return {}; }
    double playerTime() const override { return timeOfPlayer; }
    std::optional<double> playerItemDuration() const override { return itemDuration; }

    void togglePlayPause() override { called(QStringLiteral("togglePlayPause")); }
    void stopPlayback() override { called(QStringLiteral("stopPlayback")); }
    void jogFrame(int direction) override { called(QStringLiteral("jogFrame %1").arg(direction)); }
    void shuttleTap(int direction) override { called(QStringLiteral("shuttleTap %1").arg(direction)); }
    void setMarkIn() override { called(QStringLiteral("setMarkIn")); }
    void setMarkOut() override { called(QStringLiteral("setMarkOut")); }
    void clearMarks() override { called(QStringLiteral("clearMarks")); }
    void playInToOut() override { called(QStringLiteral("playInToOut")); }
    void setLoopInOut(bool value) override;
    void seek(double seconds, bool stopTransport) override;
    void selectClip(const std::optional<QUuid>& id) override;
    void setSecondaryClip(const std::optional<QUuid>& id) override;
    void deleteSelectedClip() override { called(QStringLiteral("deleteSelectedClip")); }
    void deleteAllClips() override { called(QStringLiteral("deleteAllClips")); }

    // Assigns a published property (signalling it) the way the engine does.
    void assign(Property property) { emit propertyAssigned(property); }

    std::vector<Clip> clipList;
    std::optional<QUuid> selected;
    std::optional<QUuid> secondary;
    bool playing = false;
    double playhead = 0.0;
    bool loop = false;
    std::optional<double> in;
    double timeOfPlayer = 0.0;
    std::optional<double> itemDuration;
    QStringList calls;

private:
    void called(const QString& call) { calls.append(call); }
};

class FakeCapturePort final : public remote::CaptureRemotePort {
public:
    int activeInputCount() const override { return inputs; }
    int outputColorModeRaw() const override { return colorMode; }
    RemotePreviewMode remotePreviewMode() const override { return mode; }
    void setRemotePreviewMode(RemotePreviewMode value) override;
    void applyWebRTCSourceRouting() override { calls.append(QStringLiteral("applyWebRTCSourceRouting")); }

    void setInputs(int count);

    int inputs = 1;
    int colorMode = 1;
    RemotePreviewMode mode = RemotePreviewMode::playback;
    QStringList calls;
};

class FakeClipCache final : public remote::ClipCacheService {
public:
    QJsonArray buildCacheManifestClips() const override { return manifest; }
    void streamClipToClient(const QString& clipID, remote::ConnectionId) override { fetched.append(clipID); }

    QJsonArray manifest;
    QStringList fetched;
};

// A clip with a fixed identifier made from `n`, online unless told.
remote::PlaybackRemotePort::Clip fakeClip(int n, bool offline = false);
