#pragma once

// The rounded outline that panes and cards draw over their content. It lies on top of every sibling
// but takes no mouse events, so a control flush with the edge still gets the clicks that land on
// the stroke.

#include "ui/AppTheme.h"

#include <QWidget>

namespace ui {

class BorderOverlay final : public QWidget {
    Q_OBJECT
public:
    BorderOverlay(double cornerRadius, ThemeColor color, double lineWidth, QWidget* decorated);

    void setStroke(ThemeColor color, double lineWidth);
    ThemeColor strokeColor() const { return color_; }
    double lineWidth() const { return lineWidth_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    double cornerRadius_;
    ThemeColor color_;
    double lineWidth_;
};

} // namespace ui
