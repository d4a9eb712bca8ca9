#pragma once

// The picture box of an input card: the live picture fitted into a 16:9 black area, or the
// "NO INPUT" placeholder, with the "Ref." badge in the top-left corner while the input's
// reference is locked. 160 high; the outline is drawn over everything.
//
// Four inputs at full rate would keep the main thread busy scaling: the picture is scaled to the
// box's size off the main thread (the newest frame wins) and painted 1:1. Until the first scaled
// picture of a size is ready the box stays black.
//
// Main thread only.

#include "media/frame/Frame.h"
#include "media/frame/ScaledFrameCache.h"

#include <QWidget>

namespace record_screen {

class InputPreview final : public QWidget {
    Q_OBJECT
public:
    static constexpr int boxHeight = 160;
    static constexpr double cornerRadius = 10.0;
    static constexpr int sidePadding = 6;

    explicit InputPreview(QWidget* parent = nullptr);

    void setFrame(const media::Frame& frame);
    void setRefLocked(bool locked);
    const media::Frame& frame() const { return frame_; }
    bool isRefLocked() const { return refLocked_; }
    // The scaled picture that is painted now (null before the first one or without a frame).
    media::Frame shownPicture() const;

    // The black 16:9 area and, while shown, the badge (widget coordinates).
    QRectF pictureRect() const;
    QRectF refBadgeRect() const;

    QSize sizeHint() const override { return { 2 * sidePadding + 264, boxHeight }; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void useCanvasSize();

    media::Frame frame_;
    media::ScaledFrameCache scaled_;
    QSize canvasSize_; // device pixels of the picture area, in use with the cache
    bool refLocked_ = false;
};

} // namespace record_screen
