#pragma once

// The playlist file "playlist.json" of a project folder: its root record, its encoding and the
// file operations around it. The text is one compact JSON object with the keys in declaration
// order, UUIDs in upper case and URLs as their percent-escaped absolute strings; reading accepts
// any layout, key order, escaped slashes and UUIDs in either case. Cloud sync moves the same bytes.
//
// Every function is free of shared state and may run on any thread (the engine encodes and
// writes on its writer queue).

#include "platform/Result.h"
#include "playback/ClipItem.h"
#include "settings/StringEnum.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace playback {

struct PlaybackState {
    enum class CodingKeys { clips, selectedClipID };

    QList<ClipItem> clips;
    std::optional<QUuid> selectedClipID;
};

class PlaylistFile {
public:
    static constexpr const char* kFileName = "playlist.json";

    static QByteArray encode(const PlaybackState& state);
    // The whole file or nothing: text that is not JSON, a missing "clips" or one clip that breaks
    // the record's rules fails with the reason.
    static platform::Result<PlaybackState, QString> decode(const QByteArray& data);

    static platform::Result<QByteArray, QString> read(const QString& path);
    // Writes through a temporary file in the same folder, synced, then renamed over `path`: a
    // reader sees the old file or the new one, never a part.
    static platform::Result<void, QString> writeAtomically(const QString& path, const QByteArray& data);
    // Renames an unreadable playlist to "playlist.unreadable-<yyyyMMdd-HHmmss>.json" beside it
    // (with "-2", "-3"... when that name is taken) so that no later save overwrites it. Returns the
    // new path.
    static platform::Result<QString, QString> moveAside(const QString& path, const QDateTime& now);
};

} // namespace playback

namespace settings {
template <> struct EnumTable<playback::PlaybackState::CodingKeys> {
    using K = playback::PlaybackState::CodingKeys;
    static constexpr std::array<EnumCase<K>, 2> cases { {
        { K::clips, "clips", "clips" },
        { K::selectedClipID, "selectedClipID", "selectedClipID" },
    } };
    static_assert(enumTableIsDense(cases));
};
} // namespace settings
