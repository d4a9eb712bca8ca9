#pragma once

// The capture engine as the playback taps' sink. It is a child of the engine, so it goes when the
// engine goes and the taps' weak hold on it sees that.
//
// Thread rule: main thread only.

#include "playback/taps/PlaybackTapSink.h"

namespace capture {
class RecordViewModel;
}

namespace playback {

class RecordViewModelTapSink final : public PlaybackTapSink {
public:
    explicit RecordViewModelTapSink(capture::RecordViewModel& recordVM);

    double playbackDeckLinkTapFPSHint() const override;
    void handlePlaybackOutput(
        const media::Frame& pixelBuffer, capture::PlaybackOutputSource source, std::optional<double> time) override;
    void handlePlaybackMultiView(const QHash<QUuid, media::Frame>& frames, const QList<QUuid>& order) override;

private:
    capture::RecordViewModel& recordVM_;
};

} // namespace playback
