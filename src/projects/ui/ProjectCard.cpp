#include "projects/ui/ProjectCard.h"

#include "projects/ui/ProjectDateFormatter.h"
#include "projects/ui/TextStyle.h"
#include "settings/CaptureFormat.h"
#include "ui/AppTheme.h"
#include "ui/IconRegistry.h"
#include "ui/TextLines.h"
#include "ui/ValueAnimator.h"

#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace projects_ui {

namespace {

constexpr int maxNameLines = 2;
constexpr double headerSpacing = 8.0;

QFont badgeFont()
{
    QFont font = TextStyle::caption2();
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

struct ProjectCard::Layout {
    QStringList nameLines;
    QRectF name;
    QRectF badge;
    QRectF path;
    QRectF formatRow;
    std::optional<QRectF> clockRow;
    double height = 0;
};

ProjectCard::ProjectCard(
    const projects::ProjectInfo& project, const ProjectDateFormatter& dateFormatter, bool isSelected, QWidget* parent)
    : QWidget(parent)
    , project_(project)
    , dateFormatter_(dateFormatter)
    , isSelected_(isSelected)
    , selection_(new ui::ValueAnimator(
          isSelected ? 1.0 : 0.0, [this](double) { update(); }, this))
{
    setObjectName(QStringLiteral("projectCard"));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAttribute(Qt::WA_Hover);
}

void ProjectCard::setProject(const projects::ProjectInfo& project)
{
    if (project == project_)
        return;
    project_ = project;
    updateGeometry();
    update();
}

void ProjectCard::setSelected(bool selected)
{
    if (selected == isSelected_)
        return;
    isSelected_ = selected;
    selection_->animateTo(selected ? 1.0 : 0.0, selectionAnimationDuration, ui::ValueAnimator::easeOut());
}

double ProjectCard::selectionProgress() const
{
    return selection_->value();
}

QString ProjectCard::badgeText() const
{
    return settings::displayName(project_.storage());
}

QString ProjectCard::formatText() const
{
    const auto format = settings::fromRaw<settings::CaptureFormat>(project_.formatRaw);
    return settings::displayName(format.value_or(settings::CaptureFormat::hd1080p25));
}

std::optional<QString> ProjectCard::lastOpenedText() const
{
    if (!project_.lastOpenedAt)
        return std::nullopt;
    return dateFormatter_.string(project_.lastOpenedAt->toDateTime());
}

QStringList ProjectCard::nameLines() const
{
    return layoutFor(width()).nameLines;
}

ProjectCard::Layout ProjectCard::layoutFor(double width) const
{
    Layout layout;
    const double inner = std::max(1.0, width - 2 * padding);
    double y = padding;

    const QFontMetricsF badgeMetrics(badgeFont());
    const QSizeF badgeSize(
        std::ceil(badgeMetrics.horizontalAdvance(badgeText())) + 16, std::ceil(badgeMetrics.height()) + 6);
    const double nameWidth = std::max(1.0, inner - badgeSize.width() - headerSpacing);
    const QFont nameFont = TextStyle::headline();
    layout.nameLines = ui::wrapLines(project_.name, nameFont, nameWidth, maxNameLines);
    const double nameHeight = layout.nameLines.size() * QFontMetricsF(nameFont).lineSpacing();
    layout.name = QRectF(padding, y, nameWidth, nameHeight);
    layout.badge = QRectF(QPointF(padding + inner - badgeSize.width(), y), badgeSize);
    y += std::max(nameHeight, badgeSize.height()) + rowSpacing;

    const double pathHeight = std::ceil(QFontMetricsF(TextStyle::caption()).height());
    layout.path = QRectF(padding, y, inner, pathHeight);
    y += pathHeight + rowSpacing;

    auto rowHeight = [](const QFont& font) {
        return std::max(std::ceil(QFontMetricsF(font).height()), ui::IconRegistry::symbolSize(font).height());
    };
    const double formatHeight = rowHeight(badgeFont());
    layout.formatRow = QRectF(padding, y, inner, formatHeight);
    y += formatHeight;

    if (project_.lastOpenedAt) {
        y += rowSpacing;
        const double clockHeight = rowHeight(TextStyle::caption2());
        layout.clockRow = QRectF(padding, y, inner, clockHeight);
        y += clockHeight;
    }
    layout.height = std::ceil(y + padding);
    return layout;
}

int ProjectCard::heightForWidth(int width) const
{
    return static_cast<int>(layoutFor(width).height);
}

QSize ProjectCard::sizeHint() const
{
    return QSize(240, heightForWidth(240));
}

QSize ProjectCard::minimumSizeHint() const
{
    return QSize(120, heightForWidth(120));
}

QColor ProjectCard::fillColor() const
{
    return ui::AppTheme::mix(
        ui::AppTheme::surface2.color(), ui::AppTheme::accent.opacity(0.08).color(), selectionProgress());
}

QColor ProjectCard::borderColor() const
{
    return ui::AppTheme::mix(ui::AppTheme::border.color(), ui::AppTheme::accent.color(), selectionProgress());
}

double ProjectCard::borderWidth() const
{
    return 1.0 + selectionProgress();
}

QColor ProjectCard::shadowColor() const
{
    QColor colour = ui::AppTheme::accent.opacity(0.18).color();
    colour.setAlphaF(static_cast<float>(colour.alphaF() * selectionProgress()));
    return colour;
}

void ProjectCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double t = selectionProgress();
    const QColor accent = ui::AppTheme::accent.color();
    const QColor secondary = ui::AppTheme::textSecondary.color();
    const Layout layout = layoutFor(width());

    // Background, then the outline centred on the edge (its outer half falls outside the widget).
    const QRectF shape = QRectF(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(fillColor());
    painter.drawRoundedRect(shape, cornerRadius, cornerRadius);

    // Name.
    painter.setFont(TextStyle::headline());
    painter.setPen(ui::AppTheme::mix(ui::AppTheme::textPrimary.color(), accent, t));
    const double lineSpacing = QFontMetricsF(TextStyle::headline()).lineSpacing();
    for (int i = 0; i < layout.nameLines.size(); ++i) {
        const QRectF line(layout.name.left(), layout.name.top() + i * lineSpacing, layout.name.width(), lineSpacing);
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, layout.nameLines.at(i));
    }

    // Storage badge.
    painter.setPen(Qt::NoPen);
    painter.setBrush(ui::AppTheme::mix(ui::AppTheme::surface.color(), ui::AppTheme::accent.opacity(0.15).color(), t));
    painter.drawRoundedRect(layout.badge, layout.badge.height() / 2, layout.badge.height() / 2);
    painter.setFont(badgeFont());
    painter.setPen(ui::AppTheme::mix(secondary, accent, t));
    painter.drawText(layout.badge, Qt::AlignCenter, badgeText());

    // Folder path, cut off after one line.
    painter.setFont(TextStyle::caption());
    painter.setPen(secondary);
    painter.drawText(layout.path, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(TextStyle::caption()).elidedText(project_.folderPath, Qt::ElideRight, layout.path.width()));

    // An icon and a text side by side, vertically centred in `row`.
    auto iconRow = [&](const QRectF& row, const QString& icon, const QColor& iconColour, double spacing,
                       const QFont& font, const QColor& textColour, const QString& text) {
        const QSizeF glyph = ui::IconRegistry::symbolSize(TextStyle::caption2());
        const QRectF iconRect(row.left(), row.center().y() - glyph.height() / 2, glyph.width(), glyph.height());
        ui::IconRegistry::paint(painter, icon, iconRect, iconColour);
        painter.setFont(font);
        painter.setPen(textColour);
        const QRectF textRect(
            iconRect.right() + spacing, row.top(), row.right() - iconRect.right() - spacing, row.height());
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetricsF(font).elidedText(text, Qt::ElideRight, textRect.width()));
    };
    QColor filmTint = accent;
    filmTint.setAlphaF(0.7f);
    QColor formatTint = accent;
    formatTint.setAlphaF(0.9f);
    iconRow(layout.formatRow, QStringLiteral("film"), ui::AppTheme::mix(secondary, filmTint, t), 6, badgeFont(),
        ui::AppTheme::mix(secondary, formatTint, t), formatText());
    if (layout.clockRow) {
        iconRow(*layout.clockRow, QStringLiteral("clock"), ui::AppTheme::textSecondary.opacity(0.6).color(), 4,
            TextStyle::caption2(), secondary, lastOpenedText().value_or(QString()));
    }

    const double line = borderWidth();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(borderColor(), line));
    painter.drawRoundedRect(shape, cornerRadius, cornerRadius);
}

void ProjectCard::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        emit clicked();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void ProjectCard::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void ProjectCard::contextMenuEvent(QContextMenuEvent* event)
{
    emit contextMenuRequested(event->globalPos());
    event->accept();
}

} // namespace projects_ui
