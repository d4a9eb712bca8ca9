#pragma once

// The hidden switch of the layout log: a 44 x 44 point target near the top-left corner of the main
// window's content. A left click inside it while the gesture is held (Caps Lock on, or Ctrl and
// Shift held where Caps Lock cannot be read) toggles the overlay and is consumed; any other click
// passes through untouched to whatever lies under it, since the target covers part of the
// recording sidebar. Nothing is drawn.
//
// Main thread only.

#include <QRect>
#include <QWidget>

#include <functional>

namespace app {

class LayoutLogTriggerZone final : public QWidget {
    Q_OBJECT
public:
    // Where the target lies in its parent (centred on an 18 x 18 frame at (159, -12), kept inside).
    static constexpr QRect zoneRect { 146, 0, 44, 44 };

    // `gestureHeld` reads the keyboard's modifier state at the time of a click; none: gestureHeld().
    explicit LayoutLogTriggerZone(QWidget* parent, std::function<bool()> gestureHeld = {});
    ~LayoutLogTriggerZone() override;

    // Caps Lock on (read from the X keyboard state), or Ctrl and Shift held now.
    static bool gestureHeldNow();

signals:
    void toggled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> gestureHeld_;
};

} // namespace app
