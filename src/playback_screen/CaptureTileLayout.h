#pragma once

// Where the capture live view puts its tiles: a 16:9 frame fitted into the space offered, a grid
// of one column (one input) or two inside it, 2 pt apart and 2 pt in from the frame. A tile is as
// tall as its picture at the column width (9/16 of it without a picture); a row as tall as its
// tallest tile, and every tile of a row takes the row's height. With one or three inputs an
// invisible filler of zero height takes the next cell. The grid is centred in the frame; what
// does not fit is cut off by the frame's rounded clip.
//
// Pure.

#include <QList>
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <span>

namespace playback_screen {

struct CaptureTileLayout {
    double cornerRadius = 14;
    double outerInset = 2;
    QRectF frame; // the 16:9 area; its black fill and clip are inset by outerInset
    QRectF clip;
    int columns = 1;
    QList<QRectF> tiles; // one per active input
    QRectF filler; // null unless the input count is odd

    static constexpr double spacing = 2;
    static constexpr double gridInset = 2;
    static constexpr double minColumnWidth = 10;
    static constexpr double miniCornerRadius = 10;
    static constexpr double miniOuterInset = 1;
};

// `count` is read clamped to 1...4; `imageSizes[i]` is input i's picture size (empty, or missing
// from the span, when it has none).
CaptureTileLayout captureTileRects(QSizeF size, int count, std::span<const QSize> imageSizes, bool isMini = false);

} // namespace playback_screen
