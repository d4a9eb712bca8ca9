#include "app/KeyboardSettingsView.h"

#include "playback/keys/KeyboardShortcutManager.h"
#include "playback/keys/ShortcutLabel.h"
#include "settings/KeyBinding.h"
#include "ui/AppTheme.h"
#include "ui/ThemedLabel.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace app {

namespace {

using settings::PlayerAction;

QFont bodyMono()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(13);
    return font;
}

// The outline of a rounded rectangle drawn with the given fill and stroke.
void paintRounded(QPainter& painter, const QRectF& rect, double radius, const QColor& fill, const QColor& stroke = {})
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, fill);
    if (stroke.isValid()) {
        painter.setPen(QPen(stroke, 1));
        painter.drawPath(path);
    }
}

// One action's shortcut: its label on a rounded chip, white on blue while capturing.
class ShortcutButton final : public QAbstractButton {
public:
    using QAbstractButton::QAbstractButton;

    void setCapturing(bool capturing)
    {
        capturing_ = capturing;
        update();
    }
    bool isCapturing() const { return capturing_; }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return QSize(metrics.horizontalAdvance(text()) + 20, metrics.height() + 8);
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor secondary = ui::AppTheme::textSecondary.color();
        QColor fill = secondary;
        fill.setAlphaF(secondary.alphaF() * 0.15);
        if (capturing_)
            fill = ui::ThemeColor(ui::ColorRole::systemBlue).color();
        paintRounded(painter, QRectF(rect()), 7, fill);
        painter.setPen(capturing_ ? QColor(Qt::white) : secondary);
        painter.drawText(rect(), Qt::AlignCenter, text());
    }

private:
    bool capturing_ = false;
};

// The orange capture banner.
class Banner final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor orange = ui::ThemeColor(ui::ColorRole::systemOrange).color();
        QColor fill = orange;
        fill.setAlphaF(0.12);
        QColor stroke = orange;
        stroke.setAlphaF(0.35);
        paintRounded(painter, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, fill, stroke);
    }
};

} // namespace

KeyboardSettingsView::KeyboardSettingsView(playback::KeyboardShortcutManager& keyboard, QWidget* parent)
    : QWidget(parent)
    , keyboard_(keyboard)
{
    setObjectName(QStringLiteral("keyboardSettings"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);
    column->addWidget(new ui::ThemedLabel(QStringLiteral("Keyboard Shortcuts"),
        ui::AppTheme::systemFont(17, QFont::DemiBold), ui::AppTheme::textPrimary));

    banner_ = new Banner;
    banner_->setObjectName(QStringLiteral("captureBanner"));
    auto* bannerRow = new QHBoxLayout(banner_);
    bannerRow->setContentsMargins(10, 8, 10, 8);
    bannerRow->setSpacing(8);
    const QFont caption = ui::AppTheme::systemFont(10);
    bannerRow->addWidget(
        new ui::ThemedLabel(QStringLiteral("Press new key for"), caption, ui::AppTheme::textSecondary));
    bannerAction_
        = new ui::ThemedLabel(QString(), ui::AppTheme::systemFont(10, QFont::DemiBold), ui::AppTheme::textPrimary);
    bannerAction_->setObjectName(QStringLiteral("captureAction"));
    bannerRow->addWidget(bannerAction_);
    bannerRow->addWidget(new ui::ThemedLabel(QStringLiteral("(Esc to cancel)"), caption, ui::AppTheme::textSecondary));
    bannerRow->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("captureCancel"));
    cancel->setFocusPolicy(Qt::NoFocus);
    connect(cancel, &QPushButton::clicked, this, [this] { keyboard_.cancelEditing(); });
    bannerRow->addWidget(cancel);
    column->addWidget(banner_);

    auto* rows = new QWidget;
    rows->setObjectName(QStringLiteral("shortcutRows"));
    auto* list = new QVBoxLayout(rows);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(0);
    for (PlayerAction action : settings::allCases<PlayerAction>()) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 4, 0, 4);
        row->setSpacing(12);
        auto* name = new ui::ThemedLabel(settings::displayName(action), bodyMono(), ui::AppTheme::textPrimary);
        row->addWidget(name);
        row->addStretch(1);
        auto* button = new ShortcutButton;
        button->setObjectName(QStringLiteral("shortcut_") + settings::toRaw(action));
        button->setFont(bodyMono());
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QAbstractButton::clicked, this, [this, action] {
            if (keyboard_.editingAction() == action)
                keyboard_.cancelEditing();
            else
                keyboard_.beginEditing(action);
        });
        row->addWidget(button);
        buttons_.push_back(button);
        list->addLayout(row);
    }
    list->addStretch(1);
    // The list scrolls on its own when the window is short.
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("shortcutList"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(rows);
    scroll->viewport()->setAutoFillBackground(false);
    rows->setAutoFillBackground(false);
    column->addWidget(scroll, 1);

    auto* reset = new QPushButton(QStringLiteral("Reset to Default"));
    reset->setObjectName(QStringLiteral("resetShortcuts"));
    reset->setFocusPolicy(Qt::NoFocus);
    connect(reset, &QPushButton::clicked, this, [this] { keyboard_.resetToDefaults(); });
    auto* footer = new QHBoxLayout;
    footer->addWidget(reset);
    footer->addStretch(1);
    column->addLayout(footer);

    connect(&keyboard_, &playback::KeyboardShortcutManager::bindingsChanged, this, &KeyboardSettingsView::refresh);
    connect(&keyboard_, &playback::KeyboardShortcutManager::editingActionChanged, this, &KeyboardSettingsView::refresh);
    refresh();
}

const settings::KeyBinding* KeyboardSettingsView::binding(PlayerAction action) const
{
    for (const auto& bound : keyboard_.bindings()) {
        if (bound.action == action)
            return &bound;
    }
    return nullptr;
}

QString KeyboardSettingsView::shortcutLabel(PlayerAction action) const
{
    if (keyboard_.editingAction() == action)
        return QStringLiteral("Press key...");
    if (const auto* bound = binding(action))
        return playback::shortcutLabel(*bound);
    return QStringLiteral("Not set");
}

QAbstractButton* KeyboardSettingsView::shortcutButton(PlayerAction action) const
{
    const auto index = std::size_t(action);
    return index < buttons_.size() ? buttons_[index] : nullptr;
}

void KeyboardSettingsView::refresh()
{
    const auto editing = keyboard_.editingAction();
    banner_->setVisible(editing.has_value());
    if (editing)
        bannerAction_->setText(settings::displayName(*editing));
    for (PlayerAction action : settings::allCases<PlayerAction>()) {
        auto* button = static_cast<ShortcutButton*>(shortcutButton(action));
        button->setText(shortcutLabel(action));
        button->setCapturing(editing == action);
        button->updateGeometry();
    }
}

} // namespace app
