#pragma once

// The Google Drive panel of the project library: connection and account, the sync phase, sign-in
// and sign-out, "Sync Now", "Retry", the pending count, the automatic sync interval, transfer
// progress and the latest status and failed files.
//
// It holds no state of its own: it redraws from the cloud sync state and the interval setting on
// every change, and from the library screen's cloud-selection flag (a cloud project is selected),
// which gates the pending badge, the interval picker and the progress section. Main thread only.

#include "cloud/CloudSync.h"
#include "ui/AppTheme.h"
#include "ui/ThemedLabel.h"

#include <QWidget>

#include <vector>

class QComboBox;
class QProgressBar;

namespace settings {
class AppSettings;
}
namespace ui {
class StyledButton;
class SymbolImage;
}

namespace projects_ui {

class CloudSyncCard final : public QWidget {
    Q_OBJECT
public:
    static constexpr int maxFailedItemsShown = 3;
    static constexpr double cornerRadius = 12.0;

    CloudSyncCard(cloud::CloudSync& cloud, settings::AppSettings& settings, QWidget* parent = nullptr);

    void setCloudSelection(bool cloudSelected);
    bool cloudSelection() const { return cloudSelection_; }

    // The colour of a phase: secondary text while idle, the accent while working, green, orange or
    // red when an operation has ended.
    static ui::ThemeColor syncPhaseColor(cloud::CloudSyncPhase phase);
    // A transfer's fraction as a whole percentage, truncated ("99%" for 0.999); a value that is not a
    // finite number reads "0%".
    static QString percentText(double progress);

    // The parts tests read.
    ui::ThemedLabel* accountLabel() const { return account_; }
    QWidget* phasePill() const { return pill_; }
    ui::StyledButton* signButton() const { return sign_; }
    ui::StyledButton* syncNowButton() const { return syncNow_; }
    ui::StyledButton* retryButton() const { return retry_; }
    QWidget* pendingBadge() const { return pending_; }
    QComboBox* intervalPicker() const { return interval_; }
    QWidget* progressSection() const { return progressSection_; }
    ui::ThemedLabel* transferLabel() const { return transfer_; }
    ui::ThemedLabel* percentLabel() const { return percent_; }
    QProgressBar* progressBar() const { return progressBar_; }
    QWidget* statusSection() const { return statusSection_; }
    QStringList statusLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();
    void refreshInterval();

    cloud::CloudSync& cloud_;
    settings::AppSettings& settings_;
    bool cloudSelection_ = false;

    ui::ThemedLabel* account_;
    QWidget* pill_;
    ui::StyledButton* sign_;
    ui::StyledButton* syncNow_;
    ui::StyledButton* retry_;
    QWidget* pending_;
    ui::ThemedLabel* pendingLabel_;
    QComboBox* interval_;
    QWidget* progressSection_;
    ui::SymbolImage* transferIcon_;
    ui::ThemedLabel* transfer_;
    ui::ThemedLabel* percent_;
    QProgressBar* progressBar_;
    QWidget* statusSection_;
    QWidget* statusRow_;
    ui::ThemedLabel* status_;
    std::vector<QWidget*> failedRows_;
    std::vector<ui::ThemedLabel*> failedLabels_;
    ui::ThemedLabel* overflow_;
};

} // namespace projects_ui
