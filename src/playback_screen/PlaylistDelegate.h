#pragma once

// Paints the playlist's lines through PlaylistRowPainter and turns clicks on their buttons into
// requests (the collapse, Good this Take and Multi-View buttons of a header, a row's good-take
// button) without selecting anything. Tooltips come from the painter's hit tests.
//
// Main thread only.

#include "playback_screen/PlaylistRowPainter.h"

#include <QStyledItemDelegate>

#include <optional>

namespace playback_screen {

class PlaylistModel;

class PlaylistDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit PlaylistDelegate(PlaylistModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

    // Paints so far, per kind of line (the benchmark's and tests' measure of repaint work).
    int headerPaints() const { return headerPaints_; }
    int rowPaints() const { return rowPaints_; }

signals:
    // A button of line `row` was clicked.
    void buttonClicked(int row, playback_screen::PlaylistRowPainter::Button button);

private:
    PlaylistRowPainter::Button buttonAt(const QRect& line, int row, QPoint point) const;

    PlaylistModel& model_;
    // The button a press landed on, so that only a release on the same button clicks it.
    std::optional<std::pair<int, PlaylistRowPainter::Button>> pressed_;
    mutable int headerPaints_ = 0;
    mutable int rowPaints_ = 0;
};

} // namespace playback_screen
