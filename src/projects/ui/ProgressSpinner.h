#pragma once

// The small circular "working" indicator: an arc turning once a second while shown. With the
// theme's animations off it stands still, so pictures of it are stable.

#include "ui/AppTheme.h"

#include <QWidget>

class QVariantAnimation;

namespace projects_ui {

class ProgressSpinner final : public QWidget {
    Q_OBJECT
public:
    ProgressSpinner(double diameter, ui::ThemeColor color, QWidget* parent = nullptr);

    void setColor(ui::ThemeColor color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    ui::ThemeColor color_;
    double angle_ = 0.0;
    QVariantAnimation* turn_;
};

} // namespace projects_ui
