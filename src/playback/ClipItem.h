#pragma once

// One entry of the playlist: a movie file that was recorded or opened, with its slate, marks and
// good-take flag, plus what the engine learns about the file while it runs (thumbnail, offline
// flag, probed format), which is never stored. A value: copies are independent, and two records
// are equal exactly when their ids are, so an edited copy still equals the record it came from.
//
// No thread rule of its own: the engine keeps its records on the main thread and hands the
// playlist writer an immutable copy of the list.

#include "platform/Result.h"
#include "settings/StringEnum.h"

#include <QImage>
#include <QJsonValue>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <optional>

namespace playback {

class JsonTextWriter;

struct ClipItem {
    // The stored keys, in the order they are written.
    enum class CodingKeys { id, url, title, duration, markIn, markOut, reel, scene, take, inputNumber, isGood };

    QUuid id;
    QUrl url;
    QString title;
    double duration = 0.0; // seconds; 0 until learnt
    std::optional<double> markIn;
    std::optional<double> markOut;
    std::optional<QString> reel;
    std::optional<QString> scene;
    std::optional<qint64> take;
    std::optional<qint64> inputNumber;
    bool isGood = false;

    // Learnt at run time, never stored.
    QImage thumbnail; // null while there is none
    bool offline = false;
    std::optional<qint64> formatWidth;
    std::optional<qint64> formatHeight;
    std::optional<double> formatFPS;
    std::optional<QString> formatScan;

    bool operator==(const ClipItem& other) const { return id == other.id; }

    // The name shown to the operator and to remote clients, made from the file name.
    QString slateDisplayName() const;
    // "1920x1080 25P", "1920x1080 -P" without a rate, "—" while the size is unknown.
    QString formatLabel() const;

    // One playlist object. Fails with a reason for a missing required key, a null where a value
    // is required, or a value of the wrong type; unknown keys are ignored.
    static platform::Result<ClipItem, QString> fromJson(const QJsonValue& value);
    // Writes the stored fields; absent optionals are left out, non-finite numbers never reach
    // the file (a duration becomes 0, a mark is left out).
    void writeJson(JsonTextWriter& writer) const;
};

// The file name of a URL's path (decoded), as the playlist shows it: "Take 1.mov".
QString lastPathComponent(const QUrl& url);
// A file name without its last extension: "a.b.mov" gives "a.b"; ".hidden" stays.
QString deletingPathExtension(const QString& fileName);
// An optional sign followed by ASCII digits that fits a signed 64-bit integer; none otherwise.
std::optional<qint64> parseDecimalInteger(QStringView text);
// A UUID text in the canonical 8-4-4-4-12 form, either case, nothing around it; none otherwise.
std::optional<QUuid> parseUuid(const QString& text);
// The canonical upper-case text the playlist file stores.
QString uuidText(const QUuid& uuid);
// Whether a file is on disk for a clip URL; URLs of any scheme but "file" never are.
bool clipFileExists(const QUrl& url);

} // namespace playback

namespace settings {
template <> struct EnumTable<playback::ClipItem::CodingKeys> {
    using K = playback::ClipItem::CodingKeys;
    static constexpr std::array<EnumCase<K>, 11> cases { {
        { K::id, "id", "id" },
        { K::url, "url", "url" },
        { K::title, "title", "title" },
        { K::duration, "duration", "duration" },
        { K::markIn, "markIn", "markIn" },
        { K::markOut, "markOut", "markOut" },
        { K::reel, "reel", "reel" },
        { K::scene, "scene", "scene" },
        { K::take, "take", "take" },
        { K::inputNumber, "inputNumber", "inputNumber" },
        { K::isGood, "isGood", "isGood" },
    } };
    static_assert(enumTableIsDense(cases));
};
} // namespace settings
