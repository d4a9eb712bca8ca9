#include "app/DialogConflictPrompter.h"

#include "ui/DialogService.h"

namespace app {

DialogConflictPrompter::DialogConflictPrompter(ui::DialogService& dialogs, QWidget* parent)
    : dialogs_(dialogs)
    , parent_(parent)
{
}

void DialogConflictPrompter::promptDuplicateConflict(
    const QString& filename, std::function<void(cloud::DuplicateConflictAction)> answer)
{
    ui::AlertRequest alert;
    alert.title = QString::fromLatin1(title);
    alert.message = informativeText(filename);
    alert.buttons = { { QStringLiteral("Cancel"), ui::AlertButton::Role::cancel },
        { QStringLiteral("Overwrite"), ui::AlertButton::Role::destructive },
        { QStringLiteral("Keep Both"), ui::AlertButton::Role::normal } };
    dialogs_.showAlert(parent_.data(), alert, [answer = std::move(answer)](int button) {
        // Any way of closing the alert but the two answers is cancel.
        answer(button == 1    ? cloud::DuplicateConflictAction::overwrite
                : button == 2 ? cloud::DuplicateConflictAction::keepBoth
                              : cloud::DuplicateConflictAction::cancel);
    });
}

} // namespace app
