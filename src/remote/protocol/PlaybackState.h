#pragma once

// The playback state carried by the typed state record; distinct from the playlist file's record
// and from the live "state.update" snapshot.

#include "remote/protocol/ClipSummary.h"

#include <vector>

namespace remote {

struct PlaybackState {
    bool isPlaying = false;
    double currentTime = 0.0;
    double duration = 0.0;
    bool loopInOut = false;
    std::optional<double> markIn;
    std::optional<double> markOut;
    std::optional<QString> selectedClipID;
    std::optional<QString> outputClipID;
    std::vector<ClipSummary> clips;

    QJsonObject toJson() const;
    static Decoded<PlaybackState> fromJson(const QJsonObject& object);
    bool operator==(const PlaybackState&) const = default;
};

} // namespace remote
