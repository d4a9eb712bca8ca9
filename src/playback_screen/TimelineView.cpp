#include "playback_screen/TimelineView.h"

#include "playback/PlaybackViewModel.h"
#include "ui/AppTheme.h"

#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QSlider>

#include <climits>
#include <cmath>

namespace playback_screen {

namespace {

int milliseconds(double seconds)
{
    if (!(seconds > 0.0))
        return 0;
    return static_cast<int>(std::min(std::round(seconds * 1000.0), double(INT_MAX)));
}

QFont captionMono()
{
    return ui::AppTheme::monospacedDigitFont(10);
}

QFont bubbleFont()
{
    QFont font = ui::AppTheme::fontMono();
    font.setPixelSize(10);
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont badgeFont()
{
    return ui::AppTheme::systemFont(9, QFont::Bold);
}

void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& color)
{
    QPainterPath path;
    const double r = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, r, r);
    painter.fillPath(path, color);
}

} // namespace

TimelineView::TimelineView(playback::PlaybackViewModel& vm, QWidget* parent)
    : QWidget(parent)
    , vm_(vm)
{
    setObjectName(QStringLiteral("timeline"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("seekSlider"));
    slider_->setFocusPolicy(Qt::NoFocus);
    slider_->setTracking(true);
    QPalette palette = slider_->palette();
    palette.setColor(QPalette::Highlight, ui::AppTheme::accent.color());
    slider_->setPalette(palette);
    connect(slider_, &QSlider::sliderMoved, this, &TimelineView::userMoved);

    connect(&vm_, &playback::PlaybackViewModel::currentTimeChanged, this, [this] { updates_.request(); });
    connect(&vm_, &playback::PlaybackViewModel::durationChanged, this, [this] { updates_.request(); });
    connect(&vm_, &playback::PlaybackViewModel::markInChanged, this, [this] { updates_.request(); });
    connect(&vm_, &playback::PlaybackViewModel::markOutChanged, this, [this] { updates_.request(); });
    connect(ui::AppTheme::notifier(), &ui::ThemeNotifier::appearanceChanged, this, [this] {
        QPalette p = slider_->palette();
        p.setColor(QPalette::Highlight, ui::AppTheme::accent.color());
        slider_->setPalette(p);
    });
    apply();
}

int TimelineView::rowHeight() const
{
    return QFontMetrics(captionMono()).height();
}

QSize TimelineView::sizeHint() const
{
    // The strip, the spacing, and the time row pulled 2 up with 4 under it.
    return { 400, stripHeight + blockSpacing - 2 + rowHeight() + 4 };
}

QSize TimelineView::minimumSizeHint() const
{
    return { 0, sizeHint().height() };
}

TimelineGeometry TimelineView::geometryNow() const
{
    return TimelineGeometry::compute(width(), vm_.currentTime(), vm_.duration(), vm_.markIn(), vm_.markOut());
}

void TimelineView::apply()
{
    const TimelineGeometry g = geometryNow();
    const QSignalBlocker blocker(slider_);
    slider_->setRange(0, milliseconds(g.sliderMaximum));
    slider_->setValue(milliseconds(vm_.currentTime()));
    update();
}

void TimelineView::userMoved(int value)
{
    if (!(vm_.duration() > 0.0))
        return;
    vm_.seek(value / 1000.0, true);
}

void TimelineView::resizeEvent(QResizeEvent*)
{
    const int h = slider_->sizeHint().height();
    slider_->setGeometry(0, static_cast<int>(sliderTop), width(), std::min(h, stripHeight - int(sliderTop)));
}

void TimelineView::paintTrack(QPainter& painter, const TimelineGeometry& g)
{
    const double h = trackHeight;
    const double top = trackTop;
    const double w = g.width;
    const QColor red = ui::ThemeColor(ui::ColorRole::systemRed).opacity(0.95).color();
    fillCapsule(painter, QRectF(0, top, w, h), ui::AppTheme::surface.opacity(0.85).color());
    const double railHeight = h * 0.45;
    fillCapsule(painter, QRectF(2, top + (h - railHeight) / 2, std::max(w - 4, 0.0), railHeight),
        ui::AppTheme::accent.opacity(0.3).color());
    if (g.showsRange)
        fillCapsule(painter, QRectF(*g.markInX, top, std::max(*g.markOutX - *g.markInX, 0.0), h),
            ui::AppTheme::accent.opacity(0.55).color());
    for (const std::optional<double>& mark : { g.markInX, g.markOutX }) {
        if (mark)
            painter.fillRect(QRectF(*mark - 1, top - 6, 2, h + 6), red);
    }
    fillCapsule(painter, QRectF(g.playheadX - 1, top - 4, 2, h + 4), ui::AppTheme::accent.opacity(0.95).color());
}

void TimelineView::paintBadge(QPainter& painter, const QString& label, QPointF centre, ui::ShapeShadow& shadow)
{
    const QFont font = badgeFont();
    const QSizeF text = QFontMetricsF(font).size(Qt::TextSingleLine, label);
    const QSizeF capsule(text.width() + 16, text.height() + 6);
    const double height = capsule.height() + 3 + 18;
    const double top = centre.y() - height / 2;
    const QRectF pill(centre.x() - capsule.width() / 2, top, capsule.width(), capsule.height());
    const QRectF line(centre.x() - 1, pill.bottom() + 3, 2, 18);
    const ui::ThemeColor red(ui::ColorRole::systemRed);
    QPainterPath shape;
    shape.addRoundedRect(pill, capsule.height() / 2, capsule.height() / 2);
    shape.addRect(line);
    shadow.paint(painter, shape, red.opacity(0.35).color(), 4, QPointF(0, 1));
    painter.fillPath(shape, red.opacity(0.95).color());
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255, qRound(255 * 0.96)));
    painter.drawText(pill, Qt::AlignCenter, label);
}

void TimelineView::paintBubble(QPainter& painter, const QString& text, QPointF centre)
{
    const QFont font = bubbleFont();
    const QSizeF size = QFontMetricsF(font).size(Qt::TextSingleLine, text) + QSizeF(16, 8);
    const QRectF bubble(centre - QPointF(size.width() / 2, size.height() / 2), size);
    QPainterPath path;
    path.addRoundedRect(bubble, 7, 7);
    painter.fillPath(path, QColor(0, 0, 0, qRound(255 * 0.72)));
    painter.setPen(QPen(ui::AppTheme::border.opacity(0.85).color(), 1));
    painter.drawPath(path);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255, qRound(255 * 0.95)));
    painter.drawText(bubble, Qt::AlignCenter, text);
}

void TimelineView::paintEvent(QPaintEvent*)
{
    ++paintCount_;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const TimelineGeometry g = geometryNow();
    const QString now = playback::PlaybackViewModel::formattedTime(vm_.currentTime());
    paintBubble(painter, now, QPointF(g.bubbleX, bubbleCentreY));
    paintTrack(painter, g);
    if (g.markInX)
        paintBadge(painter, QStringLiteral("IN"), QPointF(g.inBadgeX, badgeCentreY), inShadow_);
    if (g.markOutX)
        paintBadge(painter, QStringLiteral("OUT"), QPointF(g.outBadgeX, badgeCentreY), outShadow_);

    const QRectF row(0, stripHeight + blockSpacing - 2, width(), rowHeight());
    painter.setFont(captionMono());
    painter.setPen(ui::AppTheme::textSecondary.color());
    painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, now);
    painter.drawText(
        row, Qt::AlignRight | Qt::AlignVCenter, playback::PlaybackViewModel::formattedTime(vm_.duration()));
}

} // namespace playback_screen
