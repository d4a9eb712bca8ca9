#include "projects/ui/CloudSyncCard.h"

#include "projects/ui/CloudSyncChanges.h"
#include "projects/ui/Divider.h"
#include "projects/ui/DriveLogo.h"
#include "projects/ui/ScreenLayout.h"
#include "projects/ui/TextStyle.h"
#include "settings/AppSettings.h"
#include "ui/PillButtonStyle.h"
#include "ui/StyledButton.h"
#include "ui/SymbolImage.h"
#include "ui/ThemedLabel.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

namespace projects_ui {

namespace {

const ui::ThemeColor red { ui::ColorRole::systemRed };
const ui::ThemeColor orange { ui::ColorRole::systemOrange };
const ui::ThemeColor green { ui::ColorRole::systemGreen };

// The 36-point tile the Drive mark sits on.
class LogoTile final : public QWidget {
public:
    LogoTile()
    {
        setObjectName(QStringLiteral("logoTile"));
        setFixedSize(36, 36);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new DriveLogo(22), 0, Qt::AlignCenter);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, qRound(255 * 0.06)));
        painter.drawRoundedRect(QRectF(rect()), 8, 8);
    }
};

// The phase as a capsule: a dot and the phase's title in its colour on a faint fill of it.
class PhasePill final : public QWidget {
public:
    PhasePill()
    {
        setObjectName(QStringLiteral("phasePill"));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    void setPhase(cloud::CloudSyncPhase phase)
    {
        phase_ = phase;
        updateGeometry();
        update();
    }
    cloud::CloudSyncPhase phase() const { return phase_; }

    QSize sizeHint() const override
    {
        const QFontMetricsF metrics(font());
        return QSize(static_cast<int>(std::ceil(10 + 6 + 5 + metrics.horizontalAdvance(cloud::title(phase_)) + 10)),
            static_cast<int>(std::ceil(metrics.height() + 10)));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const ui::ThemeColor colour = CloudSyncCard::syncPhaseColor(phase_);
        const QRectF capsule = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
        const double radius = capsule.height() / 2;
        painter.setPen(QPen(colour.opacity(0.25).color(), 0.5));
        painter.setBrush(colour.opacity(0.12).color());
        painter.drawRoundedRect(capsule, radius, radius);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour.color());
        painter.drawEllipse(QRectF(10, height() / 2.0 - 3, 6, 6));
        painter.setPen(colour.color());
        painter.setFont(font());
        painter.drawText(QRectF(21, 0, width() - 21, height()), Qt::AlignLeft | Qt::AlignVCenter, cloud::title(phase_));
    }

private:
    cloud::CloudSyncPhase phase_ = cloud::CloudSyncPhase::idle;
};

ui::StyledButton* compactPill(const QString& name, const QString& icon, const QString& text, ui::ThemeColor tint)
{
    auto* button
        = new ui::StyledButton(ui::ButtonLabel::symbolAndText(icon, text), ui::PillButtonStyle(tint, false, true));
    button->setObjectName(name);
    return button;
}

// A section under a divider: the divider, then the section's own padded column.
QWidget* dividedSection(const QString& name, QVBoxLayout*& inner, int spacing)
{
    auto* section = new QWidget;
    section->setObjectName(name);
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new Divider(0.15));
    auto* body = new QWidget;
    inner = new QVBoxLayout(body);
    inner->setContentsMargins(16, 10, 16, 10);
    inner->setSpacing(spacing);
    layout->addWidget(body);
    return section;
}

} // namespace

CloudSyncCard::CloudSyncCard(cloud::CloudSync& cloud, settings::AppSettings& settings, QWidget* parent)
    : QWidget(parent)
    , cloud_(cloud)
    , settings_(settings)
{
    setObjectName(QStringLiteral("cloudSyncCard"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Header: tile, title and account, phase.
    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 14, 16, 14);
    header->setSpacing(12);
    header->addWidget(new LogoTile);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(new ui::ThemedLabel(
        QStringLiteral("Google Drive"), ui::AppTheme::systemFont(14, QFont::DemiBold), ui::AppTheme::textPrimary));
    account_ = new ui::ThemedLabel(QString(), TextStyle::caption(), ui::AppTheme::textSecondary);
    account_->setObjectName(QStringLiteral("accountLabel"));
    titles->addWidget(account_);
    header->addLayout(titles);
    header->addStretch(1);
    auto* pill = new PhasePill;
    QFont pillFont = TextStyle::caption();
    pillFont.setWeight(QFont::Medium);
    pill->setFont(pillFont);
    pill_ = pill;
    header->addWidget(pill_);
    column->addLayout(header);

    column->addWidget(new Divider(0.15));

    // Controls.
    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(16, 10, 16, 10);
    controls->setSpacing(8);
    sign_ = compactPill(QStringLiteral("signButton"), QString(), QString(), ui::AppTheme::accent);
    syncNow_ = compactPill(QStringLiteral("syncNowButton"), QStringLiteral("arrow.triangle.2.circlepath"),
        QStringLiteral("Sync Now"), ui::AppTheme::accent);
    retry_ = compactPill(
        QStringLiteral("retryButton"), QStringLiteral("arrow.clockwise"), QStringLiteral("Retry"), orange);
    controls->addWidget(sign_);
    controls->addWidget(syncNow_);
    controls->addWidget(retry_);
    controls->addStretch(1);
    pendingLabel_ = new ui::ThemedLabel(QString(), TextStyle::caption(), ui::AppTheme::textSecondary);
    pending_
        = iconRow(new ui::SymbolImage(QStringLiteral("clock.badge"), TextStyle::caption(), ui::AppTheme::textSecondary),
            pendingLabel_, 4);
    pending_->setObjectName(QStringLiteral("pendingBadge"));
    controls->addWidget(pending_);
    interval_ = new QComboBox;
    interval_->setObjectName(QStringLiteral("intervalPicker"));
    interval_->setFocusPolicy(Qt::NoFocus);
    interval_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const auto value : settings::allCases<settings::CloudSyncInterval>())
        interval_->addItem(settings::displayName(value), QVariant::fromValue(static_cast<int>(value)));
    controls->addWidget(interval_);
    column->addLayout(controls);

    // Transfer progress.
    QVBoxLayout* progress = nullptr;
    progressSection_ = dividedSection(QStringLiteral("progressSection"), progress, 6);
    auto* transferRow = new QHBoxLayout;
    transferRow->setSpacing(6);
    transferIcon_
        = new ui::SymbolImage(QStringLiteral("arrow.up.circle.fill"), TextStyle::caption(), ui::AppTheme::accent);
    transfer_ = new ui::ThemedLabel(QString(), TextStyle::caption(), ui::AppTheme::textSecondary);
    transfer_->setObjectName(QStringLiteral("transferLabel"));
    percent_ = new ui::ThemedLabel(QString(),
        ui::AppTheme::monospacedDigitFont(TextStyle::caption().pixelSize(), QFont::DemiBold), ui::AppTheme::accent);
    percent_->setObjectName(QStringLiteral("percentLabel"));
    transferRow->addWidget(transferIcon_);
    transferRow->addWidget(transfer_, 1);
    transferRow->addWidget(percent_);
    progress->addLayout(transferRow);
    progressBar_ = new QProgressBar;
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setRange(0, 1000);
    progressBar_->setTextVisible(false);
    progressBar_->setFixedHeight(6);
    progress->addWidget(progressBar_);
    column->addWidget(progressSection_);

    // Status and failed files.
    QVBoxLayout* status = nullptr;
    statusSection_ = dividedSection(QStringLiteral("statusSection"), status, 4);
    status_ = new ui::ThemedLabel(QString(), TextStyle::caption2(), ui::AppTheme::textSecondary);
    status_->setWordWrap(true);
    statusRow_ = iconRow(
        new ui::SymbolImage(QStringLiteral("info.circle"), TextStyle::caption2(), ui::AppTheme::textSecondary), status_,
        4);
    status->addWidget(statusRow_);
    for (int i = 0; i < maxFailedItemsShown; ++i) {
        auto* label = new ui::ThemedLabel(QString(), TextStyle::caption2(), red.opacity(0.9));
        label->setWordWrap(true);
        label->setMaximumHeight(2 * QFontMetrics(label->font()).lineSpacing());
        auto* row = iconRow(new ui::SymbolImage(QStringLiteral("exclamationmark.triangle.fill"), TextStyle::caption2(),
                                red.opacity(0.9)),
            label, 4);
        failedLabels_.push_back(label);
        failedRows_.push_back(row);
        status->addWidget(row);
    }
    overflow_ = new ui::ThemedLabel(QString(), TextStyle::caption2(), red.opacity(0.9));
    status->addWidget(overflow_);
    column->addWidget(statusSection_);

    connect(sign_, &QAbstractButton::clicked, this, [this] {
        if (cloud_.isSignedIn())
            cloud_.signOut();
        else
            cloud_.signIn();
    });
    connect(syncNow_, &QAbstractButton::clicked, this, [this] { cloud_.syncNow(); });
    connect(retry_, &QAbstractButton::clicked, this, [this] { cloud_.retrySync(); });
    connect(interval_, &QComboBox::activated, this, [this](int index) {
        settings_.setCloudSyncInterval(static_cast<settings::CloudSyncInterval>(interval_->itemData(index).toInt()));
    });
    connect(&settings_, &settings::AppSettings::cloudSyncIntervalChanged, this, &CloudSyncCard::refreshInterval);
    onAnyChange(cloud_, this, [this] { refresh(); });
    refreshInterval();
    refresh();
}

void CloudSyncCard::setCloudSelection(bool cloudSelected)
{
    cloudSelection_ = cloudSelected;
    refresh();
}

ui::ThemeColor CloudSyncCard::syncPhaseColor(cloud::CloudSyncPhase phase)
{
    switch (phase) {
    case cloud::CloudSyncPhase::idle:
        return ui::AppTheme::textSecondary;
    case cloud::CloudSyncPhase::refreshing:
    case cloud::CloudSyncPhase::downloading:
    case cloud::CloudSyncPhase::uploading:
        return ui::AppTheme::accent;
    case cloud::CloudSyncPhase::complete:
        return green;
    case cloud::CloudSyncPhase::partial:
        return orange;
    case cloud::CloudSyncPhase::failed:
        return red;
    }
    return ui::AppTheme::textSecondary;
}

QString CloudSyncCard::percentText(double progress)
{
    if (!std::isfinite(progress))
        return QStringLiteral("0%");
    const double percent = std::clamp(progress * 100.0, 0.0, 100.0);
    return QStringLiteral("%1%").arg(static_cast<int>(std::trunc(percent)));
}

QStringList CloudSyncCard::statusLines() const
{
    QStringList lines;
    if (statusRow_->isVisibleTo(statusSection_))
        lines << status_->text();
    for (std::size_t i = 0; i < failedRows_.size(); ++i) {
        if (failedRows_[i]->isVisibleTo(statusSection_))
            lines << failedLabels_[i]->text();
    }
    if (overflow_->isVisibleTo(statusSection_))
        lines << overflow_->text();
    return lines;
}

void CloudSyncCard::refreshInterval()
{
    const QSignalBlocker blocker(interval_);
    interval_->setCurrentIndex(interval_->findData(static_cast<int>(settings_.cloudSyncInterval())));
}

void CloudSyncCard::refresh()
{
    const cloud::CloudSync& sync = cloud_;

    if (sync.isSignedIn() && sync.signedInEmail()) {
        account_->setText(*sync.signedInEmail());
        account_->setColor(green);
    } else if (sync.isSignedIn()) {
        account_->setText(QStringLiteral("Cloud storage connected"));
        account_->setColor(green);
    } else {
        account_->setText(QStringLiteral("Not connected"));
        account_->setColor(ui::AppTheme::textSecondary);
    }
    static_cast<PhasePill*>(pill_)->setPhase(sync.phase());

    if (sync.isSignedIn()) {
        sign_->setLabel(ui::ButtonLabel::symbolAndText(QStringLiteral("person.slash"), QStringLiteral("Sign Out")));
        sign_->setButtonStyle(ui::PillButtonStyle(ui::AppTheme::textSecondary, false, true));
    } else {
        sign_->setLabel(ui::ButtonLabel::symbolAndText(QStringLiteral("person.badge.key"), QStringLiteral("Sign In")));
        sign_->setButtonStyle(ui::PillButtonStyle(ui::AppTheme::accent, true, true));
    }
    const bool canStartSync = sync.isSignedIn() && !sync.isSyncing();
    syncNow_->setEnabled(canStartSync);
    retry_->setVisible(sync.canRetry());
    retry_->setEnabled(canStartSync);

    pending_->setVisible(sync.pendingCount() >= 1 && cloudSelection_);
    pendingLabel_->setText(QStringLiteral("%1 pending").arg(sync.pendingCount()));
    interval_->setEnabled(sync.isSignedIn() && cloudSelection_);

    const bool downloading = sync.phase() == cloud::CloudSyncPhase::downloading;
    const bool transferring = downloading || sync.phase() == cloud::CloudSyncPhase::uploading;
    progressSection_->setVisible(transferring && cloudSelection_);
    if (transferring) {
        const auto& name = downloading ? sync.currentDownloadName() : sync.currentUploadName();
        const double value = downloading ? sync.currentDownloadProgress() : sync.currentUploadProgress();
        const QString verb = downloading ? QStringLiteral("Downloading") : QStringLiteral("Uploading");
        transferIcon_->setName(
            downloading ? QStringLiteral("arrow.down.circle.fill") : QStringLiteral("arrow.up.circle.fill"));
        transfer_->setText(name ? verb + QLatin1Char(' ') + *name : verb + QStringLiteral("…"));
        percent_->setText(percentText(value));
        progressBar_->setValue(std::isfinite(value) ? static_cast<int>(std::clamp(value, 0.0, 1.0) * 1000) : 0);
    }

    const int failed = static_cast<int>(sync.failedItems().size());
    statusSection_->setVisible(!sync.statusText().isEmpty() || failed > 0);
    statusRow_->setVisible(!sync.statusText().isEmpty());
    status_->setText(sync.statusText());
    for (int i = 0; i < maxFailedItemsShown; ++i) {
        failedRows_[static_cast<std::size_t>(i)]->setVisible(i < failed);
        failedLabels_[static_cast<std::size_t>(i)]->setText(i < failed ? sync.failedItems().at(i) : QString());
    }
    overflow_->setVisible(failed > maxFailedItemsShown);
    overflow_->setText(QStringLiteral("+%1 more failed").arg(failed - maxFailedItemsShown));
}

void CloudSyncCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outline = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    painter.setBrush(ui::AppTheme::surface2.opacity(0.5).color());
    painter.setPen(QPen(QColor(255, 255, 255, qRound(255 * 0.08)), 0.5));
    painter.drawRoundedRect(outline, cornerRadius, cornerRadius);
}

} // namespace projects_ui
