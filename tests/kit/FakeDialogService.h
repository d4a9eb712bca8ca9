#pragma once

// A dialog service for tests: it shows nothing, records every request, and answers either from
// answers scripted in advance (delivered on the next turn of the event loop, like a real panel) or
// when the test answers a pending request itself.

#include "ui/DialogService.h"

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace ui {

class FakeDialogService final : public DialogService {
public:
    struct Alert {
        AlertRequest request;
        std::function<void(int)> done;
        std::optional<int> answer;
    };
    struct OpenPanel {
        OpenPanelRequest request;
        std::function<void(const QStringList&)> done;
        std::optional<QStringList> answer; // set once answered
    };

    void showAlert(QWidget* parent, const AlertRequest& request, std::function<void(int)> done) override;
    void showOpenPanel(
        QWidget* parent, const OpenPanelRequest& request, std::function<void(const QStringList&)> done) override;
    void showSavePanel(QWidget* parent, const SavePanelRequest& request,
        std::function<void(const std::optional<QString>&)> done) override;

    // Scripted answers, used in order by the next requests of their kind.
    void answerNextAlertWith(const QString& buttonTitle);
    void answerNextOpenPanelWith(const QStringList& paths);

    const std::vector<Alert>& alerts() const { return alerts_; }
    const std::vector<OpenPanel>& openPanels() const { return openPanels_; }
    // Save panels are recorded and never answered.
    int pendingAlertCount() const;

    // Answers the oldest unanswered alert by button title, at once. False (and a test failure) when
    // no alert waits or it has no such button.
    bool answerAlert(const QString& buttonTitle);

private:
    bool deliverAlert(std::size_t index, const QString& buttonTitle);

    std::vector<Alert> alerts_;
    std::vector<OpenPanel> openPanels_;
    std::deque<QString> scriptedAlerts_;
    std::deque<QStringList> scriptedOpens_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace ui
