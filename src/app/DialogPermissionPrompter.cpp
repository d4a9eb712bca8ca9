#include "app/DialogPermissionPrompter.h"

#include "ui/DialogService.h"

namespace app {

DialogPermissionPrompter::DialogPermissionPrompter(ui::DialogService& dialogs, QWidget* parent)
    : dialogs_(dialogs)
    , parent_(parent)
{
}

void DialogPermissionPrompter::ask(const remote::PermissionRequest& request, std::function<void(bool allowed)> answer)
{
    ui::AlertRequest alert;
    alert.title = alertTitle();
    alert.message = alertMessage(request);
    alert.buttons
        = { { allowButton(), ui::AlertButton::Role::normal }, { denyButton(), ui::AlertButton::Role::cancel } };
    dialogs_.showAlert(parent_.data(), alert, [answer = std::move(answer)](int button) { answer(button == 0); });
}

} // namespace app
