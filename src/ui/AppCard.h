#pragma once

// The grouped card (appCard(isActive:)) inside a pane or sheet: a rounded under-page surface with
// an outline over the content that turns stronger while the card is active. Switching the state
// changes only the outline, never the layout.

#include <QWidget>

namespace ui {

class BorderOverlay;

class AppCard final : public QWidget {
    Q_OBJECT
public:
    static constexpr double cornerRadius = 10.0;

    AppCard(QWidget* content, bool isActive, QWidget* parent = nullptr);

    QWidget* content() const { return content_; }
    BorderOverlay* border() const { return border_; }
    bool isActive() const { return isActive_; }
    void setActive(bool isActive);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* content_;
    BorderOverlay* border_;
    bool isActive_;
};

AppCard* appCard(QWidget* content, bool isActive);

} // namespace ui
