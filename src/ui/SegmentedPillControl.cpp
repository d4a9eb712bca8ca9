#include "ui/SegmentedPillControl.h"

#include "ui/AppTheme.h"
#include "ui/ButtonLabel.h"
#include "ui/ValueAnimator.h"

#include <QHBoxLayout>
#include <QPainter>

#include <cmath>

namespace ui {

namespace {

ButtonLabel segmentLabel(const QString& label, const std::optional<QString>& icon)
{
    ButtonLabel result;
    result.text = label;
    result.icon = icon.value_or(QString());
    result.font = AppTheme::systemFont(12, QFont::DemiBold);
    result.iconFont = AppTheme::systemFont(11, QFont::DemiBold);
    result.spacing = 5;
    return result;
}

constexpr QMarginsF segmentPadding(14, 6, 14, 6);

} // namespace

SegmentedPillControl::SegmentedPillControl(std::vector<Option> options, QVariant selection, QWidget* parent)
    : QWidget(parent)
    , options_(std::move(options))
    , selection_(std::move(selection))
{
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(2);
    row->setAlignment(Qt::AlignVCenter);
    for (std::size_t i = 0; i < options_.size(); ++i) {
        auto* segment = new Segment(options_[i], this);
        segment->setObjectName(QStringLiteral("segment%1").arg(i));
        row->addWidget(segment, 0, Qt::AlignVCenter);
        segments_.push_back(segment);
        connect(segment, &QAbstractButton::clicked, this, [this, i] {
            const QVariant value = options_[i].value;
            setSelection(value);
            emit activated(value);
        });
    }
    refreshSegments();
    // The first look is the settled one; only later changes animate.
    for (Segment* segment : segments_)
        segment->settle();
}

void SegmentedPillControl::setSelection(const QVariant& value)
{
    selection_ = value;
    refreshSegments();
    emit selectionChanged(value);
}

void SegmentedPillControl::refreshSegments()
{
    for (std::size_t i = 0; i < segments_.size(); ++i)
        segments_[i]->setSelected(options_[i].value == selection_);
}

void SegmentedPillControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    const double radius = track.height() / 2.0;
    painter.setPen(QPen(AppTheme::border.color(), 0.5));
    painter.setBrush(AppTheme::surface2.color());
    painter.drawRoundedRect(track, radius, radius);
}

SegmentedPillControl::Segment::Segment(const Option& option, QWidget* parent)
    : QAbstractButton(parent)
    , label_(option.label)
    , icon_(option.icon)
    , progress_(new ValueAnimator(
          0.0, [this](double) { update(); }, this))
{
    setFocusPolicy(Qt::NoFocus);
    setText(option.label);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SegmentedPillControl::Segment::setSelected(bool selected)
{
    selected_ = selected;
    progress_->animateTo(selected ? 1.0 : 0.0, selectionAnimationDuration, ValueAnimator::easeInOut());
}

void SegmentedPillControl::Segment::settle()
{
    progress_->setValue(selected_ ? 1.0 : 0.0);
}

double SegmentedPillControl::Segment::selectionProgress() const
{
    return progress_->value();
}

QColor SegmentedPillControl::Segment::fillColor() const
{
    return AppTheme::accent.opacity(selectionProgress()).color();
}

QColor SegmentedPillControl::Segment::foregroundColor() const
{
    return AppTheme::mix(AppTheme::textSecondary.color(), QColor(Qt::white), selectionProgress());
}

QSize SegmentedPillControl::Segment::sizeHint() const
{
    const QSizeF label = segmentLabel(label_, icon_).sizeFor(AppTheme::systemFont(12, QFont::DemiBold));
    return QSize(static_cast<int>(std::ceil(label.width() + segmentPadding.left() + segmentPadding.right())),
        static_cast<int>(std::ceil(label.height() + segmentPadding.top() + segmentPadding.bottom())));
}

void SegmentedPillControl::Segment::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule(rect());
    const QColor fill = fillColor();
    if (fill.alpha() > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(capsule, capsule.height() / 2.0, capsule.height() / 2.0);
    }
    segmentLabel(label_, icon_)
        .paint(painter, capsule.marginsRemoved(segmentPadding), AppTheme::systemFont(12, QFont::DemiBold),
            foregroundColor());
}

} // namespace ui
