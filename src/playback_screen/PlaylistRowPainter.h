#pragma once

// Paints the playlist's two kinds of line, a take group's header and a clip's row, and tells
// which of their buttons lies under a point (the list has no child widgets per line: a long
// playlist scrolls and rebuilds without creating any). Everything a line shows comes in its
// content record, made by the model from the clip; the painter keeps no state.
//
// Main thread only (fonts and the symbol cache).

#include <QPixmap>
#include <QRect>
#include <QString>

#include <optional>

class QImage;
class QPainter;

namespace playback_screen {

// What a clip row shows.
struct PlaylistRowContent {
    QPixmap thumbnail; // already scaled to the cell and rounded; null: the placeholder
    bool offline = false;
    std::optional<qint64> inputNumber;
    QString name;
    QString formatLabel;
    bool formatMismatch = false;
    bool isGood = false;
    QString inText;
    QString outText;
    QString durationText;
};

// What a take group's header shows.
struct PlaylistHeaderContent {
    QString label;
    int clipCount = 0;
    bool collapsed = false;
    bool allGood = false;
    bool multiViewEnabled = true;
};

class PlaylistRowPainter final {
public:
    PlaylistRowPainter() = delete;

    static constexpr int thumbnailWidth = 90;
    static constexpr int thumbnailHeight = 50;
    static constexpr int goodWidth = 60;
    static constexpr int inWidth = 70;
    static constexpr int outWidth = 70;
    static constexpr int durationWidth = 80;
    static constexpr int cellSpacing = 10;
    static constexpr int rowVerticalPadding = 4;
    // The list's inset: rows and headers sit this far in from the list's sides, so their columns
    // line up under the column titles.
    static constexpr int sideInset = 12;
    static constexpr double offlineOpacity = 0.62;
    static constexpr int rowHeight = thumbnailHeight + 2 * rowVerticalPadding;
    static int headerHeight();

    enum class Button { none, collapse, takeGood, multiView, clipGood };

    struct RowCells {
        QRect thumbnail, name, good, in, out, duration;
    };
    // The six cells of a row laid out in `line` (the list's line rect).
    static RowCells rowCells(const QRect& line);
    // The good button's click area in a row: 60 wide, its label's height, centred in the cell.
    static QRect clipGoodButtonRect(const QRect& line);
    // The header's three buttons inside `line`.
    struct HeaderParts {
        QRect box, collapse, good, multiView;
    };
    static HeaderParts headerParts(const QRect& line, const PlaylistHeaderContent& content);

    static void paintRow(QPainter& painter, const QRect& line, const PlaylistRowContent& content, bool selected);
    static void paintHeader(QPainter& painter, const QRect& line, const PlaylistHeaderContent& content);

    // Hit tests: the button under `point`, none elsewhere (a disabled button is not hit).
    static Button rowButtonAt(const QRect& line, QPoint point);
    static Button headerButtonAt(const QRect& line, const PlaylistHeaderContent& content, QPoint point);
    // The tooltip over `point`, empty where there is none.
    static QString rowToolTipAt(const QRect& line, const PlaylistRowContent& content, QPoint point);
    static QString headerToolTipAt(const QRect& line, const PlaylistHeaderContent& content, QPoint point);

    // "Cam 2" for input 2; none below input 1.
    static std::optional<QString> camBadgeText(const std::optional<qint64>& inputNumber);
    // The thumbnail filled into the cell (aspect kept, overflow cut), with the cell's rounded
    // corners, for a screen of pixel ratio `dpr`. Done once per thumbnail by the model.
    static QPixmap thumbnailPixmap(const QImage& image, double dpr);
};

} // namespace playback_screen
