#pragma once

// Every camera of a previewed take at once: one TakeTile per clip of the preview, in the model's
// order (the master first after a click), as a grid of preferredGrid(n) cells or, in the main
// pane with the recording sidebar collapsed and at most four clips, as one wide row. Cells past
// the clips stay black. Tiles are kept per clip id, so a publish of the model moves and updates
// them but never makes a new player view for a clip that is still shown. A click on a tile makes
// its clip the master.
//
// Main thread only; the model's changes reach it once per event-loop turn.

#include "playback_screen/TakeTile.h"

#include "playback_screen/OncePerTurn.h"
#include <QHash>

#include <QList>
#include <QRectF>
#include <QUuid>
#include <QWidget>

namespace playback {
class PlaybackViewModel;
}

namespace playback_screen {

class TakeMultiView final : public QWidget {
    Q_OBJECT
public:
    // The take row is used in the main pane only, with the sidebar collapsed and at most 4 clips.
    static bool usesRow(bool isMini, bool isRecordCollapsed, int clipCount);

    TakeMultiView(playback::PlaybackViewModel& vm, TakeTilePictures pictures, bool isMini, bool wideRow,
        double cornerRadius, QWidget* parent = nullptr);

    void setHideHUD(bool hide);
    bool isWideRow() const { return wideRow_; }
    // The tiles in their cells' order.
    QList<TakeTile*> tiles() const;
    // Every cell of the current layout (tiles first, then the empty ones).
    const QList<QRectF>& cellRects() const { return cells_; }
    // Reads the model now (otherwise once at the end of the event-loop turn after a publish).
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutTiles();

    playback::PlaybackViewModel& vm_;
    const TakeTilePictures pictures_;
    const bool isMini_;
    const bool wideRow_;
    const double cornerRadius_;
    bool hideHUD_ = false;
    OncePerTurn updates_ { this, [this] { refresh(); } };
    QList<QUuid> order_;
    QHash<QUuid, TakeTile*> tiles_;
    QList<QRectF> cells_;
};

} // namespace playback_screen
