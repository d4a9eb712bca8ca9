#pragma once

// Movie file names of takes: "R<reel>-SC<scene>-T<take>-Cam<n>[-S<segment>]-<yyyy-MM-dd>.mov",
// with "-2", "-3", ... before the extension when the name is taken. The playlist reads the slate
// back out of the "-"-separated tokens, so the pattern is fixed in every detail.
//
// Pure functions of their arguments: safe on any thread.

#include <QDate>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>

namespace capture {

class ClipNaming {
public:
    // The longest file name the file systems we record to accept, in bytes.
    static constexpr int maxFileNameBytes = 255;
    // Kept free in every tag for "-<n>" and ".mov".
    static constexpr int suffixReserveBytes = 12;

    // The name without extension. Slate texts are trimmed; an empty reel or scene gives "R0" or
    // "SC0". A "/" or a control character in them would make a path or an unreadable name, so it
    // becomes "_"; texts too long for a file name are shortened. The date is the day the name is
    // made.
    static QString makeClipTag(
        const QString& reel, const QString& scene, std::int64_t take, int slot, int segment, const QDate& date);

    // The first free "<tag>.mov", "<tag>-2.mov", ... in `folder`, creating the folder when it is
    // missing; none when it cannot be made.
    static std::optional<QUrl> nextFreeURL(const QUrl& folder, const QString& tag);

    // `text` cut to at most `bytes` bytes of UTF-8 without splitting a character.
    static QString truncatedUtf8(const QString& text, int bytes);
};

} // namespace capture
