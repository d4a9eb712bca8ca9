#include "ui/AppCard.h"

#include "ui/AppTheme.h"
#include "ui/BorderOverlay.h"

#include <QPainter>
#include <QVBoxLayout>

namespace ui {

AppCard::AppCard(QWidget* content, bool isActive, QWidget* parent)
    : QWidget(parent)
    , content_(content)
    , isActive_(isActive)
{
    setObjectName(QStringLiteral("appCard"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (content)
        layout->addWidget(content);
    border_ = new BorderOverlay(cornerRadius, AppTheme::border, 0.5, this);
    setActive(isActive);
}

void AppCard::setActive(bool isActive)
{
    isActive_ = isActive;
    if (isActive)
        border_->setStroke(AppTheme::borderStrong, 1.0);
    else
        border_->setStroke(AppTheme::border, 0.5);
}

void AppCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(AppTheme::surface2.color());
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
}

AppCard* appCard(QWidget* content, bool isActive)
{
    return new AppCard(content, isActive);
}

} // namespace ui
