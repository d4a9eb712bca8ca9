#include "remote/protocol/RemoteEnvelope.h"

#include "remote/protocol/RecordWriter.h"

namespace remote {

QJsonObject RemoteEnvelope::toJson() const
{
    return RecordWriter().field("type", type).take();
}

Decoded<RemoteEnvelope> RemoteEnvelope::fromJson(const QJsonObject& object)
{
    RecordReader reader(object);
    RemoteEnvelope envelope;
    envelope.type = reader.enumeration<RemoteMessageType>("type");
    return reader.result(std::move(envelope));
}

} // namespace remote
