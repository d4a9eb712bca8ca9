#include "projects/ui/ProgressSpinner.h"

#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

namespace projects_ui {

ProgressSpinner::ProgressSpinner(double diameter, ui::ThemeColor color, QWidget* parent)
    : QWidget(parent)
    , color_(color)
    , turn_(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("progressSpinner"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    const int edge = static_cast<int>(std::ceil(diameter));
    setFixedSize(edge, edge);
    turn_->setStartValue(0.0);
    turn_->setEndValue(360.0);
    turn_->setDuration(1000);
    turn_->setLoopCount(-1);
    connect(turn_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        angle_ = value.toDouble();
        update();
    });
}

void ProgressSpinner::setColor(ui::ThemeColor color)
{
    color_ = color;
    update();
}

void ProgressSpinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (ui::AppTheme::animationsEnabled())
        turn_->start();
}

void ProgressSpinner::hideEvent(QHideEvent* event)
{
    turn_->stop();
    QWidget::hideEvent(event);
}

void ProgressSpinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double line = std::max(1.5, width() / 8.0);
    const QRectF circle = QRectF(rect()).adjusted(line / 2, line / 2, -line / 2, -line / 2);
    QColor faint = color_.color();
    faint.setAlphaF(faint.alphaF() * 0.25f);
    painter.setPen(QPen(faint, line));
    painter.drawEllipse(circle);
    painter.setPen(QPen(color_.color(), line, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(circle, static_cast<int>((90.0 - angle_) * 16), -100 * 16);
}

} // namespace projects_ui
