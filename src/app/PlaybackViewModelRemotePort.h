#pragma once

// Remote control's view of the station's playback engine: reads its published state, runs its
// operations, and turns each of its property notifications (sent on every assignment) into the
// port's propertyAssigned. The snapshots read the main player's own time and item duration, not
// the engine's throttled playhead.
//
// Threads: main thread only, like the engine.

#include "remote/PlaybackRemotePort.h"

namespace playback {
class PlaybackViewModel;
}

namespace app {

class PlaybackViewModelRemotePort final : public remote::PlaybackRemotePort {
public:
    explicit PlaybackViewModelRemotePort(playback::PlaybackViewModel& engine, QObject* parent = nullptr);

    std::vector<Clip> clips() const override;
    std::optional<QUuid> selectedClipID() const override;
    std::optional<QUuid> secondaryClipID() const override;
    bool isPlaying() const override;
    double currentTime() const override;
    bool loopInOut() const override;
    std::optional<double> markIn() const override;
    std::optional<double> markOut() const override;
    std::optional<qint64> previewTake() const override;
    QList<QUuid> previewTakeClipIDs() const override;
    double playerTime() const override;
    std::optional<double> playerItemDuration() const override;

    void togglePlayPause() override;
    void stopPlayback() override;
    void jogFrame(int direction) override;
    void shuttleTap(int direction) override;
    void setMarkIn() override;
    void setMarkOut() override;
    void clearMarks() override;
    void playInToOut() override;
    void setLoopInOut(bool value) override;
    void seek(double seconds, bool stopTransport) override;
    void selectClip(const std::optional<QUuid>& id) override;
    void setSecondaryClip(const std::optional<QUuid>& id) override;
    void deleteSelectedClip() override;
    void deleteAllClips() override;

private:
    playback::PlaybackViewModel& engine_;
};

} // namespace app
