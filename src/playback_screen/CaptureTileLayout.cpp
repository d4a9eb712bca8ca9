#include "playback_screen/CaptureTileLayout.h"

#include <algorithm>

namespace playback_screen {

CaptureTileLayout captureTileRects(QSizeF size, int count, std::span<const QSize> imageSizes, bool isMini)
{
    CaptureTileLayout layout;
    layout.cornerRadius = isMini ? CaptureTileLayout::miniCornerRadius : 14.0;
    layout.outerInset = isMini ? CaptureTileLayout::miniOuterInset : 2.0;
    count = std::clamp(count, 1, 4);
    layout.columns = count == 1 ? 1 : 2;

    const double width = std::max(0.0, std::min(size.width(), size.height() * 16.0 / 9.0));
    const double height = width * 9.0 / 16.0;
    layout.frame = QRectF((size.width() - width) / 2, (size.height() - height) / 2, width, height);
    const double inset = layout.outerInset;
    layout.clip = layout.frame.adjusted(inset, inset, -inset, -inset);

    const double spacing = CaptureTileLayout::spacing;
    const QRectF grid = layout.frame.adjusted(CaptureTileLayout::gridInset, CaptureTileLayout::gridInset,
        -CaptureTileLayout::gridInset, -CaptureTileLayout::gridInset);
    const int columns = layout.columns;
    const double columnWidth
        = std::max(CaptureTileLayout::minColumnWidth, (grid.width() - (columns - 1) * spacing) / columns);

    const int cells = count + (count % 2);
    const int rows = (cells + columns - 1) / columns;
    QList<double> rowHeights(rows, 0.0);
    for (int i = 0; i < count; ++i) {
        const QSize image = i < static_cast<int>(imageSizes.size()) ? imageSizes[static_cast<std::size_t>(i)] : QSize();
        const double tileHeight = image.width() > 0 && image.height() > 0 ? columnWidth * image.height() / image.width()
                                                                          : columnWidth * 9.0 / 16.0;
        rowHeights[i / columns] = std::max(rowHeights[i / columns], tileHeight);
    }
    double content = (rows - 1) * spacing;
    for (double h : rowHeights)
        content += h;

    double y = grid.top() + (grid.height() - content) / 2;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const int cell = row * columns + column;
            const double x = grid.left() + column * (columnWidth + spacing);
            if (cell < count)
                layout.tiles.append(QRectF(x, y, columnWidth, rowHeights[row]));
            else if (cell < cells)
                layout.filler = QRectF(x, y, columnWidth, 0);
        }
        y += rowHeights[row] + spacing;
    }
    return layout;
}

} // namespace playback_screen
