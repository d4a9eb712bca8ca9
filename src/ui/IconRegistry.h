#pragma once

// The one source of symbol images: tintable SVG icons drawn for the station, shipped as a Qt
// resource and looked up by symbol name ("play.fill", "folder", ...).
//
// The drawings are single-colour masks: black is ink, white marks holes cut out of the ink (the
// glyph inside a filled circle, the gap that keeps a slash apart from its symbol). Rendering turns
// darkness into coverage and paints the coverage in the requested colour, so one drawing serves
// every tint and both appearances.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QSizeF>
#include <QString>
#include <QStringList>

class QPainter;

namespace ui {

class IconRegistry final {
public:
    IconRegistry() = delete;

    // Every registered symbol name, sorted.
    static QStringList names();
    static bool contains(const QString& name);

    // The symbol at `size` points in `color`, for a screen of pixel ratio `dpr`. Unknown names give
    // a null pixmap (and one debug line). Pixmaps are cached; call from the main thread.
    static QPixmap pixmap(const QString& name, QSizeF size, const QColor& color, double dpr = 1.0);

    // Paints the symbol centred in `rect`, sized to fit it, in `color`.
    static void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color);

    // The square a symbol takes next to text in `font` (symbols are sized by the font they are
    // "drawn in", a little taller than its pixel size).
    static QSizeF symbolSize(const QFont& font);
};

} // namespace ui
