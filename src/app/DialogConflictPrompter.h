#pragma once

// Asks the operator what to do when a media file's name is already taken in the project's Drive
// folder: an alert through the dialog service with "Cancel", "Overwrite" and "Keep Both". Main
// thread only.

#include "cloud/ConflictPrompter.h"

#include <QPointer>
#include <QWidget>

namespace ui {
class DialogService;
}

namespace app {

class DialogConflictPrompter final : public cloud::ConflictPrompter {
public:
    // `parent` (may be null) is the window the alert is shown over.
    DialogConflictPrompter(ui::DialogService& dialogs, QWidget* parent);

    void promptDuplicateConflict(
        const QString& filename, std::function<void(cloud::DuplicateConflictAction)> answer) override;

private:
    ui::DialogService& dialogs_;
    QPointer<QWidget> parent_;
};

} // namespace app
