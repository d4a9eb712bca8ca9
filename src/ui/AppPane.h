#pragma once

// The framed pane (appPane()): a rounded surface behind its content, a thin outline over it and a
// faint shadow under the whole. Adds no padding: the content keeps its own insets.

#include <QPointer>
#include <QWidget>

namespace ui {

class BorderOverlay;

class AppPane : public QWidget {
    Q_OBJECT
public:
    static constexpr double cornerRadius = 14.0;
    static constexpr double borderWidth = 0.5;
    static constexpr double shadowOpacity = 0.04;
    static constexpr double shadowRadius = 6.0;
    static constexpr double shadowOffsetY = 2.0;

    explicit AppPane(QWidget* content, QWidget* parent = nullptr);
    ~AppPane() override;

    QWidget* content() const { return content_; }
    BorderOverlay* border() const { return border_; }
    // The widget that draws the shadow in the pane's parent (none while the pane is a window).
    QWidget* shadowWidget() const { return shadow_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void syncShadow();

    QWidget* content_;
    BorderOverlay* border_;
    QPointer<QWidget> shadow_;
};

AppPane* appPane(QWidget* content);

} // namespace ui
