#include "playback_screen/SupportPopover.h"

#include "ui/AppTheme.h"
#include "ui/PillButtonStyle.h"
#include "ui/StyledButton.h"
#include "ui/ThemedLabel.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#ifndef CORVALE_COMMUNITY_INVITE_URL
#define CORVALE_COMMUNITY_INVITE_URL ""
#endif

namespace playback_screen {

namespace {

constexpr int popoverPadding = 20;
constexpr double popoverCardRadius = 12.0;

} // namespace

SupportPopover::SupportPopover(QString inviteLink, LinkOpener openLink, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
    , inviteLink_(std::move(inviteLink))
    , openLink_(openLink ? std::move(openLink) : LinkOpener([](const QUrl& url) { QDesktopServices::openUrl(url); }))
{
    setObjectName(QStringLiteral("supportPopover"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(contentWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(popoverPadding, popoverPadding + arrowHeight, popoverPadding, popoverPadding);
    layout->setSpacing(16);
    auto* title = new ui::ThemedLabel(
        QStringLiteral("Get Support"), ui::AppTheme::systemFont(13, QFont::DemiBold), ui::AppTheme::textPrimary);
    title->setObjectName(QStringLiteral("supportTitle"));
    auto* body = new ui::ThemedLabel(
        QStringLiteral("Join our Discord community to ask questions, report issues, or share feedback."),
        ui::AppTheme::systemFont(12), ui::AppTheme::textSecondary);
    body->setObjectName(QStringLiteral("supportMessage"));
    body->setWordWrap(true);
    body->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    ui::ButtonLabel label = ui::ButtonLabel::symbolAndText(
        QStringLiteral("bubble.left.and.bubble.right.fill"), QStringLiteral("Join Discord"), 8);
    join_ = new ui::StyledButton(
        label, ui::PillButtonStyle(ui::ThemeColor(QColor::fromRgbF(0.34f, 0.4f, 0.91f)), true, false));
    join_->setObjectName(QStringLiteral("joinDiscordButton"));
    join_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(join_, &QAbstractButton::clicked, this, [this] { joinCommunity(); });
    layout->addWidget(title);
    layout->addWidget(body);
    layout->addWidget(join_);
    setFixedHeight(
        layout->heightForWidth(contentWidth) > 0 ? layout->heightForWidth(contentWidth) : layout->sizeHint().height());
}

std::optional<QUrl> SupportPopover::inviteURL(const QString& link)
{
    const QUrl url(link.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty())
        return std::nullopt;
    return url;
}

QString SupportPopover::builtInInviteLink()
{
    return QStringLiteral(CORVALE_COMMUNITY_INVITE_URL);
}

void SupportPopover::joinCommunity()
{
    // The popover stays open: only a click outside closes it.
    if (const std::optional<QUrl> url = inviteURL(inviteLink_))
        openLink_(*url);
}

void SupportPopover::popUpUnder(QWidget* anchor)
{
    const QPoint tip = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height()));
    QPoint topLeft(tip.x() - contentWidth / 2, tip.y());
    if (const QScreen* screen = anchor->screen()) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() + 1 - contentWidth)));
    }
    arrowX_ = std::clamp(tip.x() - topLeft.x(), 16, contentWidth - 16);
    move(topLeft);
    show();
    update();
}

void SupportPopover::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(0.5, arrowHeight + 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(card, popoverCardRadius, popoverCardRadius);
    QPainterPath arrow;
    arrow.moveTo(arrowX_ - arrowHeight, card.top() + 1);
    arrow.lineTo(arrowX_, 0.5);
    arrow.lineTo(arrowX_ + arrowHeight, card.top() + 1);
    arrow.closeSubpath();
    shape = shape.united(arrow);
    painter.setPen(QPen(ui::AppTheme::border.color(), 1.0));
    painter.setBrush(ui::AppTheme::surface.color());
    painter.drawPath(shape);
}

void SupportPopover::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit dismissed();
}

} // namespace playback_screen
