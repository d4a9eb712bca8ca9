#include "remote/protocol/ClipSummary.h"

#include "remote/protocol/RecordWriter.h"

namespace remote {

QJsonObject ClipSummary::toJson() const
{
    return RecordWriter()
        .field("id", id)
        .field("name", name)
        .field("duration", duration)
        .field("markIn", markIn)
        .field("markOut", markOut)
        .field("isOffline", isOffline)
        .field("takeGroup", takeGroup)
        .field("inputNumber", inputNumber ? std::optional<qint64>(*inputNumber) : std::nullopt)
        .take();
}

Decoded<ClipSummary> ClipSummary::fromJson(const QJsonObject& object)
{
    RecordReader reader(object);
    ClipSummary clip;
    clip.id = reader.string("id");
    clip.name = reader.string("name");
    clip.duration = reader.number("duration");
    clip.markIn = reader.optionalNumber("markIn");
    clip.markOut = reader.optionalNumber("markOut");
    clip.isOffline = reader.boolean("isOffline");
    clip.takeGroup = reader.optionalString("takeGroup");
    clip.inputNumber = reader.optionalInteger("inputNumber");
    return reader.result(std::move(clip));
}

} // namespace remote
