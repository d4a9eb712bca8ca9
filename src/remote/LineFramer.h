#pragma once

// Cuts a connection's received bytes into lines at line feeds. The buffer holds what follows the
// last line feed taken so far (and, while the reader is paused, complete lines not yet taken).
// Empty lines are skipped; a carriage return is an ordinary byte, left for the JSON parser.
//
// Not thread-safe: the control server calls it under the lock that guards the buffers.

#include <QByteArray>

#include <vector>

namespace remote {

class LineFramer {
public:
    // The most bytes a line may hold before its line feed arrives; far above the largest message
    // of the protocol (an SDP answer of a few kilobytes).
    static constexpr qsizetype maxLineBytes = 1 << 20;

    // Moves up to `maxLines` non-empty lines (without their line feeds) from the front of
    // `buffer` into `lines`; empty lines do not count.
    static void takeLines(QByteArray& buffer, int maxLines, std::vector<QByteArray>& lines);

    // The bytes after the last line feed in `buffer`.
    static qsizetype unterminatedLength(const QByteArray& buffer);

    // True when the bytes after the last line feed exceed the line limit.
    static bool overLimit(const QByteArray& buffer, qsizetype limit = maxLineBytes)
    {
        return unterminatedLength(buffer) > limit;
    }
};

} // namespace remote
