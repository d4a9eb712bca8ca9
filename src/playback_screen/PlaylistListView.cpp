#include "playback_screen/PlaylistListView.h"

#include "ui/AppTheme.h"

#include <QAbstractItemDelegate>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace playback_screen {

PlaylistListView::PlaylistListView(QWidget* parent)
    : QListView(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(false);
    setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_MacShowFocusRect, false);
}

void PlaylistListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>&)
{
    if (!topLeft.isValid() || !bottomRight.isValid())
        return;
    const QRect first = visualRect(topLeft);
    const QRect last = visualRect(bottomRight);
    viewport()->update(
        QRect(0, first.top(), viewport()->width(), last.bottom() - first.top() + 1).intersected(viewport()->rect()));
}

void PlaylistListView::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), ui::AppTheme::surface.color());
    }
    QListView::paintEvent(event);
}

void PlaylistListView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            QListView::keyPressEvent(event);
            return;
        }
        break;
    default:
        break;
    }
    event->ignore();
}

bool PlaylistListView::offerToDelegate(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid())
        return false;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return itemDelegateForIndex(index)->editorEvent(event, model(), option, index);
}

void PlaylistListView::mousePressEvent(QMouseEvent* event)
{
    if (!offerToDelegate(event))
        QListView::mousePressEvent(event);
}

void PlaylistListView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!offerToDelegate(event))
        QListView::mouseReleaseEvent(event);
}

void PlaylistListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!offerToDelegate(event))
        QListView::mouseDoubleClickEvent(event);
}

} // namespace playback_screen
