#pragma once

// The window's backdrop (appWindowChrome()): fills the whole root with the window background and
// tints everything inside with the accent colour (the palette's highlight and link colours, which
// standard controls draw their checked and selected states in).

#include <QWidget>

namespace ui {

class AppWindowChrome final : public QWidget {
    Q_OBJECT
public:
    explicit AppWindowChrome(QWidget* content, QWidget* parent = nullptr);

    QWidget* content() const { return content_; }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyTint();

    QWidget* content_;
    bool tinting_ = false;
};

AppWindowChrome* appWindowChrome(QWidget* content);

} // namespace ui
