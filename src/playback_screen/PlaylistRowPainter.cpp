#include "playback_screen/PlaylistRowPainter.h"

#include "ui/AppTheme.h"
#include "ui/ButtonLabel.h"
#include "ui/IconRegistry.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace playback_screen {

namespace {

using ui::AppTheme;
using ui::ColorRole;
using ui::ThemeColor;

constexpr ThemeColor plBlue { ColorRole::systemBlue };
constexpr ThemeColor plOrange { ColorRole::systemOrange };
constexpr double plCornerRadius = 10.0;
constexpr int plBadgePaddingX = 8;
constexpr int plBadgePaddingY = 6;
constexpr int plBadgeInset = 6;
constexpr int plHeaderOuterPadding = 4;
constexpr int plHeaderPaddingX = 10;
constexpr int plHeaderPaddingY = 6;
constexpr int plHeaderBoxInset = 6;

// The platform's text styles behind the Part's names.
QFont plCaption(QFont::Weight weight = QFont::Normal)
{
    return AppTheme::systemFont(10, weight);
}
QFont plCaption2(QFont::Weight weight = QFont::Normal)
{
    return AppTheme::systemFont(10, weight);
}
QFont plNameFont()
{
    return AppTheme::systemFont(13);
}
QFont plFormatBadgeFont()
{
    QFont font = AppTheme::fontMono();
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    return font;
}

QSize plTextSize(const QFont& font, const QString& text)
{
    const QFontMetrics metrics(font);
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

QSize plSymbolSize(const QFont& font)
{
    return ui::IconRegistry::symbolSize(font).toSize();
}

void plDrawSymbol(QPainter& painter, const QString& name, const QRect& frame, const QFont& font, const QColor& color)
{
    const QSize glyph = plSymbolSize(font).boundedTo(frame.size());
    ui::IconRegistry::paint(painter, name,
        QRectF(QPointF(frame.center()) - QPointF(glyph.width() / 2.0, glyph.height() / 2.0), glyph), color);
}

// The dark capsule under the camera and offline texts: black 55 %, a faint white outline.
void plPaintDarkBadge(QPainter& painter, const QRectF& rect)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 140));
    painter.drawRoundedRect(rect, plCornerRadius, plCornerRadius);
    painter.setPen(QPen(QColor(255, 255, 255, 26), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), plCornerRadius, plCornerRadius);
}

ui::ButtonLabel plOfflineLabel()
{
    ui::ButtonLabel label
        = ui::ButtonLabel::symbolAndText(QStringLiteral("bolt.slash.fill"), QStringLiteral("OFFLINE"));
    label.font = AppTheme::systemFont(10, QFont::DemiBold);
    label.iconFont = AppTheme::systemFont(11, QFont::DemiBold);
    return label;
}

// Where the name, the format badge and the warning go inside the name cell.
struct plNameLayout {
    QRect name, badge, warning;
};

plNameLayout plNameParts(const QRect& cell, const PlaylistRowContent& content)
{
    plNameLayout parts;
    int right = cell.right() + 1;
    if (content.formatMismatch) {
        const QSize warning = plSymbolSize(AppTheme::systemFont(11, QFont::DemiBold));
        parts.warning = QRect(
            right - warning.width(), cell.center().y() - warning.height() / 2, warning.width(), warning.height());
        right = parts.warning.left() - 8;
    }
    const QSize text = plTextSize(plFormatBadgeFont(), content.formatLabel);
    const QSize badge(text.width() + 2 * 8, text.height() + 2 * 4);
    parts.badge = QRect(right - badge.width(), cell.center().y() - badge.height() / 2, badge.width(), badge.height());
    parts.name = QRect(cell.left(), cell.top(), std::max(0, parts.badge.left() - 8 - cell.left()), cell.height());
    return parts;
}

} // namespace

int PlaylistRowPainter::headerHeight()
{
    const int content = std::max(
        { plSymbolSize(plCaption(QFont::Bold)).height(), plTextSize(plCaption(), QStringLiteral("Take")).height(),
            plSymbolSize(plCaption(QFont::DemiBold)).height() + 2 * plHeaderPaddingY });
    return content + 2 * plHeaderPaddingY + 2 * plHeaderOuterPadding;
}

PlaylistRowPainter::RowCells PlaylistRowPainter::rowCells(const QRect& line)
{
    const QRect inner = line.adjusted(sideInset, rowVerticalPadding, -sideInset, -rowVerticalPadding);
    RowCells cells;
    const auto column = [&](int right, int width) { return QRect(right - width, inner.top(), width, inner.height()); };
    const int end = inner.right() + 1;
    cells.duration = column(end, durationWidth);
    cells.out = column(cells.duration.left() - cellSpacing, outWidth);
    cells.in = column(cells.out.left() - cellSpacing, inWidth);
    cells.good = column(cells.in.left() - cellSpacing, goodWidth);
    cells.thumbnail
        = QRect(inner.left(), inner.top() + (inner.height() - thumbnailHeight) / 2, thumbnailWidth, thumbnailHeight);
    const int nameLeft = cells.thumbnail.right() + 1 + cellSpacing;
    cells.name = QRect(nameLeft, inner.top(), std::max(0, cells.good.left() - cellSpacing - nameLeft), inner.height());
    return cells;
}

QRect PlaylistRowPainter::clipGoodButtonRect(const QRect& line)
{
    const QRect cell = rowCells(line).good;
    constexpr int labelHeight = 22;
    return QRect(cell.left(), cell.top() + (cell.height() - labelHeight) / 2, cell.width(), labelHeight);
}

PlaylistRowPainter::HeaderParts PlaylistRowPainter::headerParts(const QRect& line, const PlaylistHeaderContent& content)
{
    HeaderParts parts;
    parts.box = line.adjusted(plHeaderBoxInset, plHeaderOuterPadding, -plHeaderBoxInset, -plHeaderOuterPadding);
    const QRect inner = parts.box.adjusted(plHeaderPaddingX, plHeaderPaddingY, -plHeaderPaddingX, -plHeaderPaddingY);
    const int midY = inner.center().y();

    const QSize chevron = plSymbolSize(plCaption(QFont::Bold));
    const QSize grid = plSymbolSize(plCaption(QFont::DemiBold));
    const QSize label = plTextSize(plCaption(QFont::DemiBold), content.label);
    const QSize count = plTextSize(plCaption2(), QStringLiteral("(%1)").arg(content.clipCount));
    const int collapseWidth = chevron.width() + 8 + grid.width() + 8 + label.width() + 8 + count.width();
    const int collapseHeight = std::max({ chevron.height(), label.height(), count.height() });
    parts.collapse = QRect(inner.left(), midY - collapseHeight / 2, collapseWidth, collapseHeight);

    const QSize goodSymbol = plSymbolSize(plCaption(QFont::DemiBold));
    const QSize good(goodSymbol.width() + 16, goodSymbol.height() + 12);
    parts.good = QRect(parts.collapse.right() + 1 + 10, midY - good.height() / 2, good.width(), good.height());

    const QSize multiText = plTextSize(plCaption2(QFont::DemiBold), QStringLiteral("Multi-View"));
    const QSize multiSymbol = plSymbolSize(plCaption2(QFont::DemiBold));
    const int multiWidth = multiText.width() + 6 + multiSymbol.width();
    const int multiHeight = std::max(multiText.height(), multiSymbol.height());
    parts.multiView = QRect(inner.right() + 1 - multiWidth, midY - multiHeight / 2, multiWidth, multiHeight);
    return parts;
}

std::optional<QString> PlaylistRowPainter::camBadgeText(const std::optional<qint64>& inputNumber)
{
    if (!inputNumber || *inputNumber < 1)
        return std::nullopt;
    return QStringLiteral("Cam ") + QString::number(*inputNumber);
}

QPixmap PlaylistRowPainter::thumbnailPixmap(const QImage& image, double dpr)
{
    if (image.isNull())
        return {};
    const QSize pixels(qRound(thumbnailWidth * dpr), qRound(thumbnailHeight * dpr));
    const QImage filled = image.scaled(pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    QPixmap result(pixels);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(pixels)), plCornerRadius * dpr, plCornerRadius * dpr);
    painter.setClipPath(rounded);
    painter.drawImage(QPoint((pixels.width() - filled.width()) / 2, (pixels.height() - filled.height()) / 2), filled);
    painter.end();
    result.setDevicePixelRatio(dpr);
    return result;
}

void PlaylistRowPainter::paintRow(
    QPainter& painter, const QRect& line, const PlaylistRowContent& content, bool selected)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (selected) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(AppTheme::accent.opacity(0.22).color());
        painter.drawRoundedRect(QRectF(line.adjusted(plHeaderBoxInset, 0, -plHeaderBoxInset, 0)), 8, 8);
    }
    painter.setOpacity(content.offline ? offlineOpacity : 1.0);
    const RowCells cells = rowCells(line);

    // Thumbnail cell: picture or placeholder, then the camera and offline badges bottom-left.
    painter.save();
    painter.setClipRect(cells.thumbnail);
    if (!content.thumbnail.isNull() && !content.offline) {
        painter.drawPixmap(cells.thumbnail.topLeft(), content.thumbnail);
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 217));
        painter.drawRoundedRect(QRectF(cells.thumbnail), plCornerRadius, plCornerRadius);
        const QSize play = plSymbolSize(AppTheme::systemFont(13));
        ui::IconRegistry::paint(painter, QStringLiteral("play.fill"),
            QRectF(QPointF(cells.thumbnail.left(), cells.thumbnail.bottom() + 1 - play.height()), play),
            QColor(255, 255, 255, 191));
    }
    const auto paintBadge = [&](const ui::ButtonLabel& label) {
        const QSizeF size = label.sizeFor(label.font.value_or(AppTheme::systemFont(10, QFont::DemiBold)));
        const QRectF badge(cells.thumbnail.left() + plBadgeInset,
            cells.thumbnail.bottom() + 1 - plBadgeInset - size.height() - 2 * plBadgePaddingY,
            size.width() + 2 * plBadgePaddingX, size.height() + 2 * plBadgePaddingY);
        plPaintDarkBadge(painter, badge);
        label.paint(painter, badge, AppTheme::systemFont(10, QFont::DemiBold), QColor(255, 255, 255, 242));
    };
    if (const std::optional<QString> cam = camBadgeText(content.inputNumber)) {
        ui::ButtonLabel label = ui::ButtonLabel::textOnly(*cam);
        label.font = AppTheme::systemFont(10, QFont::DemiBold);
        paintBadge(label);
    }
    if (content.offline)
        paintBadge(plOfflineLabel());
    painter.restore();

    // Name cell: the name (one line, elided), the format badge, the mismatch warning.
    const plNameLayout name = plNameParts(cells.name, content);
    painter.setFont(plNameFont());
    painter.setPen(AppTheme::textPrimary.color());
    painter.drawText(name.name, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        QFontMetrics(plNameFont()).elidedText(content.name, Qt::ElideRight, name.name.width()));
    const QRectF badge = QRectF(name.badge);
    painter.setPen(Qt::NoPen);
    painter.setBrush(content.formatMismatch ? plOrange.opacity(0.18).color() : AppTheme::surface2.color());
    painter.drawRoundedRect(badge, 8, 8);
    painter.setPen(QPen(content.formatMismatch ? plOrange.opacity(0.65).color() : AppTheme::border.color(), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(badge.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.setFont(plFormatBadgeFont());
    painter.setPen(content.formatMismatch ? plOrange.color() : AppTheme::textSecondary.color());
    painter.drawText(name.badge, Qt::AlignCenter | Qt::TextSingleLine, content.formatLabel);
    if (content.formatMismatch)
        plDrawSymbol(painter, QStringLiteral("exclamationmark.triangle.fill"), name.warning,
            AppTheme::systemFont(11, QFont::DemiBold), plOrange.color());

    // Good-take button: the thumbs-up in a 36 x 22 frame.
    const QRect good = clipGoodButtonRect(line);
    plDrawSymbol(painter, content.isGood ? QStringLiteral("hand.thumbsup.fill") : QStringLiteral("hand.thumbsup"),
        QRect(good.center().x() - 18, good.top(), 36, 22), AppTheme::systemFont(14, QFont::DemiBold),
        content.isGood ? plBlue.color() : AppTheme::textSecondary.color());

    // Times, right-aligned in their columns.
    painter.setFont(AppTheme::monospacedDigitFont(10));
    painter.setPen(AppTheme::textSecondary.color());
    const int trailing = Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine;
    painter.drawText(cells.in, trailing, content.inText);
    painter.drawText(cells.out, trailing, content.outText);
    painter.drawText(cells.duration, trailing, content.durationText);
    painter.restore();
}

void PlaylistRowPainter::paintHeader(QPainter& painter, const QRect& line, const PlaylistHeaderContent& content)
{
    const HeaderParts parts = headerParts(line, content);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(parts.box);
    painter.setPen(Qt::NoPen);
    painter.setBrush(plBlue.opacity(content.collapsed ? 0.08 : 0.12).color());
    painter.drawRoundedRect(box, plCornerRadius, plCornerRadius);
    painter.setPen(QPen(plBlue.opacity(0.35).color(), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), plCornerRadius, plCornerRadius);

    // Collapse button: chevron, grid, label, (count).
    const QColor ink = plBlue.color();
    int x = parts.collapse.left();
    const auto symbolAt = [&](const QString& name, const QFont& font) {
        const QSize size = plSymbolSize(font);
        plDrawSymbol(painter, name,
            QRect(x, parts.collapse.center().y() - size.height() / 2, size.width(), size.height()), font, ink);
        x += size.width() + 8;
    };
    symbolAt(
        content.collapsed ? QStringLiteral("chevron.right") : QStringLiteral("chevron.down"), plCaption(QFont::Bold));
    symbolAt(QStringLiteral("square.grid.2x2"), plCaption(QFont::DemiBold));
    const auto textAt = [&](const QString& text, const QFont& font, const QColor& color) {
        const QSize size = plTextSize(font, text);
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QRect(x, parts.collapse.top(), size.width() + 1, parts.collapse.height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        x += size.width() + 8;
    };
    textAt(content.label, plCaption(QFont::DemiBold), ink);
    textAt(QStringLiteral("(%1)").arg(content.clipCount), plCaption2(), plBlue.opacity(0.75).color());

    // Good this Take: the thumbs-up on a faint plBlue rounded fill.
    painter.setPen(Qt::NoPen);
    painter.setBrush(plBlue.opacity(0.14).color());
    painter.drawRoundedRect(QRectF(parts.good), 8, 8);
    plDrawSymbol(painter, content.allGood ? QStringLiteral("hand.thumbsup.fill") : QStringLiteral("hand.thumbsup"),
        parts.good.adjusted(8, 6, -8, -6), plCaption(QFont::DemiBold), ink);

    // Multi-View, trailing; drawn faint where it cannot start a preview.
    painter.setOpacity(content.multiViewEnabled ? 1.0 : 0.35);
    ui::ButtonLabel multi
        = ui::ButtonLabel::symbolAndText(QStringLiteral("rectangle.grid.2x2"), QStringLiteral("Multi-View"), 6);
    // Text first, then the symbol: drawn as two parts.
    const QFont multiFont = plCaption2(QFont::DemiBold);
    const QSize multiText = plTextSize(multiFont, multi.text);
    painter.setFont(multiFont);
    painter.setPen(plBlue.opacity(0.85).color());
    painter.drawText(
        QRect(parts.multiView.left(), parts.multiView.top(), multiText.width() + 1, parts.multiView.height()),
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, multi.text);
    const QSize multiSymbol = plSymbolSize(multiFont);
    plDrawSymbol(painter, multi.icon,
        QRect(parts.multiView.right() + 1 - multiSymbol.width(),
            parts.multiView.center().y() - multiSymbol.height() / 2, multiSymbol.width(), multiSymbol.height()),
        multiFont, plBlue.opacity(0.85).color());
    painter.restore();
}

PlaylistRowPainter::Button PlaylistRowPainter::rowButtonAt(const QRect& line, QPoint point)
{
    return clipGoodButtonRect(line).contains(point) ? Button::clipGood : Button::none;
}

PlaylistRowPainter::Button PlaylistRowPainter::headerButtonAt(
    const QRect& line, const PlaylistHeaderContent& content, QPoint point)
{
    const HeaderParts parts = headerParts(line, content);
    if (parts.collapse.contains(point))
        return Button::collapse;
    if (parts.good.contains(point))
        return Button::takeGood;
    if (content.multiViewEnabled && parts.multiView.contains(point))
        return Button::multiView;
    return Button::none;
}

QString PlaylistRowPainter::rowToolTipAt(const QRect& line, const PlaylistRowContent& content, QPoint point)
{
    if (rowButtonAt(line, point) == Button::clipGood)
        return QStringLiteral("Good Take");
    if (content.formatMismatch && plNameParts(rowCells(line).name, content).warning.contains(point))
        return QStringLiteral("Project format mismatch (playback only)");
    return {};
}

QString PlaylistRowPainter::headerToolTipAt(const QRect& line, const PlaylistHeaderContent& content, QPoint point)
{
    return headerButtonAt(line, content, point) == Button::takeGood ? QStringLiteral("Good this Take") : QString();
}

} // namespace playback_screen
