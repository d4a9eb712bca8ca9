#pragma once

// The playlist's list: single selection over PlaylistModel, lines painted by PlaylistDelegate.
// Mouse presses go to the delegate first, so a click on a line's button or on a take header never
// selects anything. Typing does not search the list, and keys other than the arrows, page and
// home/end keys are left to the window (I, O, J, K, L and Space belong to the transport).
//
// Main thread only.

#include <QListView>

namespace playback_screen {

class PlaylistListView final : public QListView {
    Q_OBJECT
public:
    explicit PlaylistListView(QWidget* parent = nullptr);

    void keyboardSearch(const QString&) override { }

protected:
    // A changed line repaints that line only: values never change a line's height, so the list
    // needs no new layout (which would repaint every visible line).
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Offers a mouse event to the delegate of the line under it; true when the delegate took it.
    bool offerToDelegate(QMouseEvent* event);
};

} // namespace playback_screen
