#include "ui/AppWindowChrome.h"

#include "ui/AppTheme.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace ui {

AppWindowChrome::AppWindowChrome(QWidget* content, QWidget* parent)
    : QWidget(parent)
    , content_(content)
{
    setObjectName(QStringLiteral("appWindowChrome"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (content)
        layout->addWidget(content);
    applyTint();
}

void AppWindowChrome::applyTint()
{
    // Setting the palette sends another palette change; the flag stops the echo.
    if (tinting_)
        return;
    tinting_ = true;
    QPalette tinted = QApplication::palette();
    const QColor accent = AppTheme::accent.color();
    tinted.setColor(QPalette::Highlight, accent);
    tinted.setColor(QPalette::Link, accent);
    tinted.setColor(QPalette::Window, AppTheme::bg.color());
    setPalette(tinted);
    tinting_ = false;
}

void AppWindowChrome::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::PaletteChange)
        applyTint();
    QWidget::changeEvent(event);
}

void AppWindowChrome::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), AppTheme::bg.color());
}

AppWindowChrome* appWindowChrome(QWidget* content)
{
    return new AppWindowChrome(content);
}

} // namespace ui
