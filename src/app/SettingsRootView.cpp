#include "app/SettingsRootView.h"

#include "app/GeneralSettingsView.h"
#include "app/KeyboardSettingsView.h"
#include "playback/keys/KeyboardShortcutManager.h"
#include "settings/AppSettings.h"
#include "ui/AppPane.h"
#include "ui/AppTheme.h"
#include "ui/AppWindowChrome.h"
#include "ui/SegmentedPillControl.h"
#include "ui/ThemedLabel.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace app {

SettingsRootView::SettingsRootView(Environment environment, QWidget* parent)
    : QWidget(parent)
    , env_(environment)
{
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(QStringLiteral("Settings"));
    setMinimumSize(paneMinimumWidth + 2 * margin, paneMinimumHeight + 2 * margin);

    auto* content = new QWidget;
    content->setMinimumSize(paneMinimumWidth, paneMinimumHeight);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(margin, margin, margin, 0);
    header->addWidget(new ui::ThemedLabel(
        QStringLiteral("Settings"), ui::AppTheme::systemFont(13, QFont::Bold), ui::AppTheme::textPrimary));
    header->addStretch(1);
    column->addLayout(header);

    tabSwitch_ = new ui::SegmentedPillControl(
        { { QVariant::fromValue(int(Tab::general)), QStringLiteral("General"), std::nullopt },
            { QVariant::fromValue(int(Tab::keyboard)), QStringLiteral("Keyboard"), std::nullopt } },
        QVariant::fromValue(int(Tab::general)));
    tabSwitch_->setObjectName(QStringLiteral("settingsTabs"));
    auto* tabRow = new QHBoxLayout;
    tabRow->setContentsMargins(margin, margin, margin, margin);
    tabRow->addWidget(tabSwitch_);
    column->addLayout(tabRow);
    connect(tabSwitch_, &ui::SegmentedPillControl::activated, this,
        [this](const QVariant& value) { setSelection(Tab(value.toInt())); });

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    column->addWidget(divider);

    paneHost_ = new QWidget;
    auto* hostLayout = new QVBoxLayout(paneHost_);
    hostLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(paneHost_, 1);

    auto* pane = ui::appPane(content);
    auto* backdrop = new QWidget;
    auto* outer = new QVBoxLayout(backdrop);
    outer->setContentsMargins(margin, margin, margin, margin);
    outer->addWidget(pane);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(ui::appWindowChrome(backdrop));

    showPane();
}

SettingsRootView::~SettingsRootView() = default;

void SettingsRootView::setSelection(Tab tab)
{
    tabSwitch_->setSelection(QVariant::fromValue(int(tab)));
    if (tab == selection_ && pane_)
        return;
    selection_ = tab;
    showPane();
}

void SettingsRootView::showPane()
{
    if (pane_) {
        // The scroll area owns the General pane; either way the old content goes.
        QWidget* old = scrollArea_ ? static_cast<QWidget*>(scrollArea_) : pane_;
        old->hide();
        old->deleteLater();
        pane_ = nullptr;
        scrollArea_ = nullptr;
    }
    auto* layout = static_cast<QVBoxLayout*>(paneHost_->layout());
    if (selection_ == Tab::general) {
        pane_ = new GeneralSettingsView({ env_.settings, env_.recordVM, env_.dialogs });
        pane_->setContentsMargins(margin, margin, margin, margin);
        scrollArea_ = new QScrollArea;
        scrollArea_->setObjectName(QStringLiteral("generalScrollArea"));
        scrollArea_->setFrameShape(QFrame::NoFrame);
        scrollArea_->setWidgetResizable(true);
        scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scrollArea_->setWidget(pane_);
        scrollArea_->viewport()->setAutoFillBackground(false);
        pane_->setAutoFillBackground(false);
        layout->addWidget(scrollArea_);
    } else {
        pane_ = new KeyboardSettingsView(env_.keyboard);
        pane_->setContentsMargins(margin, margin, margin, margin);
        layout->addWidget(pane_);
    }
}

void SettingsRootView::present()
{
    if (!isVisible()) {
        if (!sized_) {
            sized_ = true;
            resize(defaultWidth, defaultHeight);
        }
        // Each opening starts on General, from its top.
        selection_ = Tab::general;
        tabSwitch_->setSelection(QVariant::fromValue(int(selection_)));
        showPane();
        show();
    }
    raise();
    activateWindow();
    env_.settings.applyAppearance();
}

void SettingsRootView::closeEvent(QCloseEvent* event)
{
    // A capture left pending would take the next key pressed anywhere in the application.
    env_.keyboard.cancelEditing();
    QWidget::closeEvent(event);
}

} // namespace app
