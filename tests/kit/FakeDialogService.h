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
    template <class Request, class Answer> struct Panel {
        Request request;
        std::function<void(const Answer&)> done;
        std::optional<Answer> answer; // set once answered (a cancelled save is an answer with no path)
    };
    using OpenPanel = Panel<OpenPanelRequest, QStringList>;
    using SavePanel = Panel<SavePanelRequest, std::optional<QString>>;

    void showAlert(QWidget* parent, const AlertRequest& request, std::function<void(int)> done) override;
    void showOpenPanel(
        QWidget* parent, const OpenPanelRequest& request, std::function<void(const QStringList&)> done) override;
    void showSavePanel(QWidget* parent, const SavePanelRequest& request,
        std::function<void(const std::optional<QString>&)> done) override;

    // Scripted answers, used in order by the next requests of their kind.
    void answerNextAlertWith(const QString& buttonTitle);
    void answerNextOpenPanelWith(const QStringList& paths);
    void answerNextSavePanelWith(const std::optional<QString>& path);

    const std::vector<Alert>& alerts() const { return alerts_; }
    const std::vector<OpenPanel>& openPanels() const { return openPanels_; }
    const std::vector<SavePanel>& savePanels() const { return savePanels_; }
    int pendingAlertCount() const;

    // Answers the oldest unanswered alert by button title, at once. False (and a test failure) when
    // no alert waits or it has no such button.
    bool answerAlert(const QString& buttonTitle);
    bool answerOpenPanel(const QStringList& paths);
    bool answerSavePanel(const std::optional<QString>& path);

private:
    void deliverAlert(std::size_t index, const QString& buttonTitle);
    // Records a panel request and answers it on the next turn when an answer was scripted.
    template <class P, class A> void recordPanel(std::vector<P>& panels, std::deque<A>& scripted, P panel);
    template <class P, class A> bool answerOldest(std::vector<P>& panels, const A& answer, const char* kind);

    std::vector<Alert> alerts_;
    std::vector<OpenPanel> openPanels_;
    std::vector<SavePanel> savePanels_;
    std::deque<QString> scriptedAlerts_;
    std::deque<QStringList> scriptedOpens_;
    std::deque<std::optional<QString>> scriptedSaves_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace ui
