#pragma once

// A one-pixel horizontal separator line in the separator colour at a given opacity.

#include <QWidget>

namespace projects_ui {

class Divider final : public QWidget {
    Q_OBJECT
public:
    explicit Divider(double opacity, QWidget* parent = nullptr);

    double opacity() const { return opacity_; }
    QSize sizeHint() const override { return QSize(1, 1); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double opacity_;
};

} // namespace projects_ui
