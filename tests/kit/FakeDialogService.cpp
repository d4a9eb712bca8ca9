#include "kit/FakeDialogService.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMetaObject>

namespace ui {

namespace {

// Requests answer after the call that made them has returned, as a real panel would.
void later(std::function<void()> fn)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

std::optional<int> buttonIndex(const AlertRequest& request, const QString& title)
{
    if (request.buttons.empty())
        return title == QStringLiteral("OK") ? std::optional<int>(0) : std::nullopt;
    for (std::size_t i = 0; i < request.buttons.size(); ++i) {
        if (request.buttons[i].title == title)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

} // namespace

void FakeDialogService::showAlert(QWidget*, const AlertRequest& request, std::function<void(int)> done)
{
    alerts_.push_back(Alert { request, std::move(done), std::nullopt });
    if (!scriptedAlerts_.empty()) {
        const QString title = scriptedAlerts_.front();
        scriptedAlerts_.pop_front();
        const std::size_t index = alerts_.size() - 1;
        later([this, alive = std::weak_ptr<bool>(alive_), index, title] {
            if (alive.lock())
                deliverAlert(index, title);
        });
    }
}

bool FakeDialogService::deliverAlert(std::size_t index, const QString& buttonTitle)
{
    Alert& alert = alerts_[index];
    const auto button = buttonIndex(alert.request, buttonTitle);
    if (!button) {
        ADD_FAILURE() << "the alert \"" << alert.request.title.toStdString() << "\" has no button \""
                      << buttonTitle.toStdString() << "\"";
        return false;
    }
    alert.answer = *button;
    // A copy: the callback may make new requests, which moves the records.
    const auto done = alert.done;
    if (done)
        done(*button);
    return true;
}

void FakeDialogService::showOpenPanel(
    QWidget*, const OpenPanelRequest& request, std::function<void(const QStringList&)> done)
{
    openPanels_.push_back(OpenPanel { request, std::move(done), std::nullopt });
    if (scriptedOpens_.empty())
        return;
    const QStringList answer = scriptedOpens_.front();
    scriptedOpens_.pop_front();
    later([this, alive = std::weak_ptr<bool>(alive_), index = openPanels_.size() - 1, answer] {
        if (!alive.lock())
            return;
        openPanels_[index].answer.emplace(answer);
        const auto done = openPanels_[index].done; // a copy: the callback may make new requests
        if (done)
            done(answer);
    });
}

// No test answers a save panel yet; an unanswered panel is a cancelled one that never returns.
void FakeDialogService::showSavePanel(
    QWidget*, const SavePanelRequest&, std::function<void(const std::optional<QString>&)>)
{
}

void FakeDialogService::answerNextAlertWith(const QString& buttonTitle)
{
    scriptedAlerts_.push_back(buttonTitle);
}

void FakeDialogService::answerNextOpenPanelWith(const QStringList& paths)
{
    scriptedOpens_.push_back(paths);
}

int FakeDialogService::pendingAlertCount() const
{
    int count = 0;
    for (const Alert& alert : alerts_)
        count += alert.answer ? 0 : 1;
    return count;
}

bool FakeDialogService::answerAlert(const QString& buttonTitle)
{
    for (std::size_t i = 0; i < alerts_.size(); ++i) {
        if (!alerts_[i].answer)
            return deliverAlert(i, buttonTitle);
    }
    ADD_FAILURE() << "no alert is waiting for an answer";
    return false;
}

} // namespace ui
