#include "playback/taps/RecordViewModelTapSink.h"

#include "capture/RecordViewModel.h"

namespace playback {

RecordViewModelTapSink::RecordViewModelTapSink(capture::RecordViewModel& recordVM)
    : PlaybackTapSink(&recordVM)
    , recordVM_(recordVM)
{
}

double RecordViewModelTapSink::playbackDeckLinkTapFPSHint() const
{
    return recordVM_.playbackDeckLinkTapFPSHint();
}

void RecordViewModelTapSink::handlePlaybackOutput(
    const media::Frame& pixelBuffer, capture::PlaybackOutputSource source, std::optional<double> time)
{
    recordVM_.handlePlaybackOutput(pixelBuffer, source, time);
}

void RecordViewModelTapSink::handlePlaybackMultiView(
    const QHash<QUuid, media::Frame>& frames, const QList<QUuid>& order)
{
    recordVM_.handlePlaybackMultiView(frames, order);
}

} // namespace playback
