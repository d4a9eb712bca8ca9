#pragma once

// The picture box of an input card: the live picture fitted into a 16:9 black area, or the
// "NO INPUT" placeholder, with the "Ref." badge in the top-left corner while the input's
// reference is locked. 160 high; the outline is drawn over everything.
//
// Main thread only.

#include "media/frame/Frame.h"

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

    // The black 16:9 area and, while shown, the badge (widget coordinates).
    QRectF pictureRect() const;
    QRectF refBadgeRect() const;

    QSize sizeHint() const override { return { 2 * sidePadding + 264, boxHeight }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    media::Frame frame_;
    bool refLocked_ = false;
};

} // namespace record_screen
