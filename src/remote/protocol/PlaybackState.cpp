#include "remote/protocol/PlaybackState.h"

#include "remote/protocol/RecordWriter.h"

namespace remote {

QJsonObject PlaybackState::toJson() const
{
    QJsonArray clipArray;
    for (const auto& clip : clips)
        clipArray.append(clip.toJson());
    return RecordWriter()
        .field("isPlaying", isPlaying)
        .field("currentTime", currentTime)
        .field("duration", duration)
        .field("loopInOut", loopInOut)
        .field("markIn", markIn)
        .field("markOut", markOut)
        .field("selectedClipID", selectedClipID)
        .field("outputClipID", outputClipID)
        .field("clips", clipArray)
        .take();
}

Decoded<PlaybackState> PlaybackState::fromJson(const QJsonObject& object)
{
    RecordReader reader(object);
    PlaybackState state;
    state.isPlaying = reader.boolean("isPlaying");
    state.currentTime = reader.number("currentTime");
    state.duration = reader.number("duration");
    state.loopInOut = reader.boolean("loopInOut");
    state.markIn = reader.optionalNumber("markIn");
    state.markOut = reader.optionalNumber("markOut");
    state.selectedClipID = reader.optionalString("selectedClipID");
    state.outputClipID = reader.optionalString("outputClipID");
    const QJsonArray clipArray = reader.array("clips");
    for (qsizetype i = 0; i < clipArray.size() && !reader.failed(); ++i) {
        if (!clipArray.at(i).isObject()) {
            reader.fail({ DecodeError::Kind::typeMismatch, QStringLiteral("clips"),
                QStringLiteral("Expected to decode Dictionary") });
            break;
        }
        auto clip = ClipSummary::fromJson(clipArray.at(i).toObject());
        if (!clip)
            reader.fail(clip.error());
        else
            state.clips.push_back(std::move(clip).value());
    }
    return reader.result(std::move(state));
}

} // namespace remote
