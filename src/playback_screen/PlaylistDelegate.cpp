#include "playback_screen/PlaylistDelegate.h"

#include "playback_screen/PlaylistModel.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace playback_screen {

PlaylistDelegate::PlaylistDelegate(PlaylistModel& model, QObject* parent)
    : QStyledItemDelegate(parent)
    , model_(model)
{
}

void PlaylistDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int row = index.row();
    if (model_.isHeader(row)) {
        ++headerPaints_;
        PlaylistRowPainter::paintHeader(*painter, option.rect, model_.headerContent(row));
    } else {
        ++rowPaints_;
        PlaylistRowPainter::paintRow(
            *painter, option.rect, model_.rowContent(row), option.state.testFlag(QStyle::State_Selected));
    }
}

QSize PlaylistDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int height
        = model_.isHeader(index.row()) ? PlaylistRowPainter::headerHeight() : PlaylistRowPainter::rowHeight;
    return QSize(option.rect.width(), height);
}

PlaylistRowPainter::Button PlaylistDelegate::buttonAt(const QRect& line, int row, QPoint point) const
{
    if (model_.isHeader(row))
        return PlaylistRowPainter::headerButtonAt(line, model_.headerContent(row), point);
    return PlaylistRowPainter::rowButtonAt(line, point);
}

bool PlaylistDelegate::editorEvent(
    QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const int row = index.row();
    const PlaylistRowPainter::Button button = buttonAt(option.rect, row, mouse->position().toPoint());
    if (type == QEvent::MouseButtonRelease) {
        const bool clicked
            = button != PlaylistRowPainter::Button::none && pressed_ && *pressed_ == std::make_pair(row, button);
        const bool wasOnButton = pressed_.has_value();
        pressed_.reset();
        if (clicked)
            emit buttonClicked(row, button);
        return wasOnButton;
    }
    pressed_.reset();
    if (button == PlaylistRowPainter::Button::none)
        // A header is no row: clicks on it select nothing and leave the selection alone.
        return model_.isHeader(row);
    // Presses on a button are the button's: the row under it is not selected.
    pressed_ = std::make_pair(row, button);
    return true;
}

bool PlaylistDelegate::helpEvent(
    QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const int row = index.row();
    const QString text = model_.isHeader(row)
        ? PlaylistRowPainter::headerToolTipAt(option.rect, model_.headerContent(row), event->pos())
        : PlaylistRowPainter::rowToolTipAt(option.rect, model_.rowContent(row), event->pos());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPos(), text, view->viewport(), option.rect);
    return true;
}

} // namespace playback_screen
