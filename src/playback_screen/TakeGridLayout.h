#pragma once

// Where the take multi-view puts its tiles: a grid of preferredGrid(n) cells filled row by row,
// or one row of at most four, 2 pt apart with no inset of their own. Tile sizes never go below
// zero, however small the space.
//
// Pure.

#include <QList>
#include <QRectF>
#include <QSizeF>

namespace playback_screen {

struct TakeGrid {
    int rows = 1;
    int cols = 1;
    bool operator==(const TakeGrid&) const = default;
};

inline constexpr double takeTileSpacing = 2;
// The row layout holds at most this many tiles.
inline constexpr int takeRowMaxTiles = 4;

// 0 and 1: 1x1; 2: 1x2; 3-4: 2x2; 5-6: 2x3; 7-9: 3x3; from 10 the columns are the square root
// rounded up and the rows as many as the clips need. A negative count counts as 0.
TakeGrid preferredGrid(int n);

// Every cell of the grid for `count` clips (rows x cols of them, the clips' cells first), in a
// space of `size` whose height counts as at least 1.
QList<QRectF> takeGridRects(QSizeF size, int count);
// The cells of the single row: one per clip, at least 1 and at most 4, each the full height.
QList<QRectF> takeRowRects(QSizeF size, int count);

} // namespace playback_screen
