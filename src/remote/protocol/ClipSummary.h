#pragma once

// One clip of the playlist as carried by the typed state record.

#include "remote/protocol/RecordReader.h"

namespace remote {

struct ClipSummary {
    QString id;
    QString name;
    double duration = 0.0;
    std::optional<double> markIn;
    std::optional<double> markOut;
    bool isOffline = false;
    std::optional<QString> takeGroup;
    std::optional<std::int64_t> inputNumber;

    QJsonObject toJson() const;
    static Decoded<ClipSummary> fromJson(const QJsonObject& object);
    bool operator==(const ClipSummary&) const = default;
};

} // namespace remote
