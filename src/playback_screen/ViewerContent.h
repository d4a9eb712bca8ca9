#pragma once

// The picture area of the playback screen: a rounded black frame with the selected clip's player,
// or the selected clip beside the output clip (split view), or the take tiles while a take is
// previewed, a missing file shown as the "MEDIA OFFLINE" overlay in its player's place. Full size
// in the centre pane, small (`isMini`: smaller corners and inset, small overlay) in the output
// preview. Outside the take row the area keeps 16:9, fitted in the space offered.
//
// It follows the engine's selection, output clip, clips and take preview and the sidebar's
// collapsed state, once per turn of the event loop; a change that keeps the layout only swaps
// players, and a player view given the player it already shows does nothing. Corners are masks
// painted over the picture in the pane's colour.
//
// Main thread only.

#include "playback_screen/OncePerTurn.h"

#include <QWidget>

namespace playback_screen {

class PlaybackView;
class PlayerView;

class ViewerContent final : public QWidget {
    Q_OBJECT
public:
    static constexpr double miniCornerRadius = 10.0;
    static constexpr double cornerRadius = 14.0;
    static constexpr int miniInset = 1;
    static constexpr int inset = 2;
    static constexpr int takeInset = 2;
    static constexpr int splitSpacing = 2;

    enum class Layout { single, split, take };

    ViewerContent(PlaybackView& screen, bool isMini, QWidget* parent = nullptr);

    bool isMini() const { return isMini_; }
    double radius() const { return isMini_ ? miniCornerRadius : cornerRadius; }
    int outerInset() const { return isMini_ ? miniInset : inset; }
    // What the viewer shows now, and whether the take tiles form one wide row.
    Layout layout() const { return shape_.layout; }
    bool isWideRow() const { return shape_.wideRow; }
    // The rounded frame (inside the inset) in this widget's coordinates.
    QRect frameRect() const;
    // The player views shown (left then right in a split view); offline sides have none.
    QList<PlayerView*> playerViews() const;

    // Applies the engine's state now (it is otherwise applied once per event-loop turn).
    void refresh() { updates_.runNow(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Shape {
        Layout layout = Layout::single;
        bool leftOffline = false;
        bool rightOffline = false;
        bool wideRow = false;
        bool operator==(const Shape&) const = default;
    };
    Shape currentShape() const;
    void apply();
    void rebuild();
    void placeFrame();
    QWidget* side(bool offline, PlayerView** view);

    PlaybackView& screen_;
    const bool isMini_;
    Shape shape_;
    bool built_ = false;
    OncePerTurn updates_ { this, [this] { apply(); } };
    QWidget* frame_ = nullptr;
    QWidget* content_ = nullptr;
    QWidget* mask_ = nullptr;
    PlayerView* left_ = nullptr;
    PlayerView* right_ = nullptr;
};

} // namespace playback_screen
