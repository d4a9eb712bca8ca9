#include "projects/ui/Divider.h"

#include "ui/AppTheme.h"

#include <QPainter>

namespace projects_ui {

Divider::Divider(double opacity, QWidget* parent)
    : QWidget(parent)
    , opacity_(opacity)
{
    setObjectName(QStringLiteral("divider"));
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ui::ThemeColor(ui::ColorRole::separator).opacity(opacity_).color());
}

} // namespace projects_ui
