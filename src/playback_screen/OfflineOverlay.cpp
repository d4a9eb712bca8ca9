#include "playback_screen/OfflineOverlay.h"

#include "ui/AppTheme.h"
#include "ui/IconRegistry.h"
#include "ui/ShapeShadow.h"
#include "ui/SymbolImage.h"
#include "ui/ThemedLabel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace playback_screen {

namespace {

const QString kSymbol = QStringLiteral("bolt.slash.fill");

QString title()
{
    return OfflineOverlay::tr("MEDIA OFFLINE");
}

QString detail()
{
    return OfflineOverlay::tr("File not found on disk");
}

} // namespace

struct OfflineOverlay::Metrics {
    QFont symbolFont;
    QFont titleFont;
    QFont detailFont;
    double spacing;
    double padding;
    QSizeF symbolSize;
    QSizeF titleSize;
    QSizeF detailSize;
    QSizeF card;
};

OfflineOverlay::OfflineOverlay(bool big, QWidget* parent)
    : QWidget(parent)
    , big_(big)
{
    setObjectName(QStringLiteral("offlineOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

OfflineOverlay::Metrics OfflineOverlay::metrics() const
{
    Metrics m;
    // The platform's title 3 / subheadline (big) and caption / caption 2 (small) text styles.
    m.symbolFont = ui::AppTheme::systemFont(big_ ? 26 : 16, QFont::DemiBold);
    m.titleFont = ui::AppTheme::systemFont(big_ ? 15 : 10, QFont::DemiBold);
    m.detailFont = ui::AppTheme::systemFont(big_ ? 11 : 10);
    m.spacing = big_ ? 10 : 6;
    m.padding = big_ ? 14 : 10;
    m.symbolSize = ui::IconRegistry::symbolSize(m.symbolFont);
    m.titleSize = QFontMetricsF(m.titleFont).size(Qt::TextSingleLine, title());
    m.detailSize = QFontMetricsF(m.detailFont).size(Qt::TextSingleLine, detail());
    const double width = std::max({ m.symbolSize.width(), m.titleSize.width(), m.detailSize.width() });
    const double height = m.symbolSize.height() + m.titleSize.height() + m.detailSize.height() + 2 * m.spacing;
    m.card = QSizeF(width + 2 * m.padding, height + 2 * m.padding);
    return m;
}

QRectF OfflineOverlay::cardRect() const
{
    const QSizeF card = metrics().card;
    return QRectF(QPointF((width() - card.width()) / 2, (height() - card.height()) / 2), card);
}

void OfflineOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0, 0, 0, qRound(255 * 0.55)));

    const Metrics m = metrics();
    const QRectF card = cardRect();
    QPainterPath shape;
    shape.addRoundedRect(card, cardCornerRadius, cardCornerRadius);
    QColor shadowColor(Qt::black);
    shadowColor.setAlphaF(0.18);
    shadow_.paint(painter, shape, shadowColor, 10, QPointF(0, 6));
    painter.fillPath(shape, ui::AppTheme::surface.opacity(0.92).color());
    // The stroke is centred on the outline and clipped to the card: only its inner half shows.
    painter.save();
    painter.setClipPath(shape);
    painter.setPen(QPen(ui::AppTheme::border.color(), 1.0));
    painter.drawPath(shape);
    painter.restore();

    double y = card.top() + m.padding;
    const double midX = card.center().x();
    const ui::ThemeColor text = ui::AppTheme::textPrimary;
    ui::IconRegistry::paint(painter, kSymbol, QRectF(QPointF(midX - m.symbolSize.width() / 2, y), m.symbolSize),
        text.opacity(0.92).color());
    y += m.symbolSize.height() + m.spacing;
    painter.setFont(m.titleFont);
    painter.setPen(text.opacity(0.95).color());
    painter.drawText(QRectF(card.left(), y, card.width(), m.titleSize.height()), Qt::AlignCenter, title());
    y += m.titleSize.height() + m.spacing;
    painter.setFont(m.detailFont);
    painter.setPen(text.opacity(0.78).color());
    painter.drawText(QRectF(card.left(), y, card.width(), m.detailSize.height()), Qt::AlignCenter, detail());
}

QWidget* OfflineOverlay::makeMiniBadgeContent(QWidget* parent)
{
    auto* row = new QWidget(parent);
    row->setObjectName(QStringLiteral("offlineMiniBadge"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(
        new ui::SymbolImage(kSymbol, ui::AppTheme::systemFont(11, QFont::DemiBold), ui::AppTheme::textSecondary, row));
    layout->addWidget(new ui::ThemedLabel(
        tr("OFFLINE"), ui::AppTheme::systemFont(10, QFont::DemiBold), ui::AppTheme::textSecondary, row));
    return row;
}

} // namespace playback_screen
