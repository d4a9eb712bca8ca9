#pragma once

// Size, smoothed frame rate and colour tags of an incoming stream.

#include <QString>

namespace decklink {

struct IncomingVideoInfo {
    int width = 0; // pixels
    int height = 0; // pixels
    double fpsEMA = 0; // frames per second, 0 when unknown
    // Colour primaries, transfer function and Y'CbCr matrix in the platform's vocabulary
    // ("ITU_R_709_2", "SMPTE_ST_2084_PQ" ...); "nil" for a frame without the tag, "unknown" when
    // there was no picture at all.
    QString primaries = QStringLiteral("unknown");
    QString transfer = QStringLiteral("unknown");
    QString matrix = QStringLiteral("unknown");

    bool operator==(const IncomingVideoInfo&) const = default;
};

} // namespace decklink
