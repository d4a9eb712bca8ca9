#include "playback_screen/TakeGridLayout.h"

#include <algorithm>
#include <cmath>

namespace playback_screen {

namespace {

QList<QRectF> cells(QSizeF size, int rows, int cols)
{
    const double width = std::max(0.0, (size.width() - (cols - 1) * takeTileSpacing) / cols);
    const double height = std::max(0.0, (size.height() - (rows - 1) * takeTileSpacing) / rows);
    QList<QRectF> result;
    result.reserve(rows * cols);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c)
            result.append(QRectF(c * (width + takeTileSpacing), r * (height + takeTileSpacing), width, height));
    }
    return result;
}

} // namespace

TakeGrid preferredGrid(int n)
{
    if (n <= 1)
        return { 1, 1 };
    if (n == 2)
        return { 1, 2 };
    if (n <= 4)
        return { 2, 2 };
    if (n <= 6)
        return { 2, 3 };
    if (n <= 9)
        return { 3, 3 };
    const int cols = std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n)))));
    const int rows = std::max(1, (n + cols - 1) / cols);
    return { rows, cols };
}

QList<QRectF> takeGridRects(QSizeF size, int count)
{
    const TakeGrid grid = preferredGrid(count);
    return cells(QSizeF(size.width(), std::max(1.0, size.height())), std::max(1, grid.rows), std::max(1, grid.cols));
}

QList<QRectF> takeRowRects(QSizeF size, int count)
{
    return cells(size, 1, std::clamp(count, 1, takeRowMaxTiles));
}

} // namespace playback_screen
