#pragma once

// Asks the operator about a tablet's permission request with an alert through the dialog service:
// "Allow iPad Permission?" with the request's fields, "Allow" (the default) and "Deny". Main
// thread only.

#include "remote/PermissionPrompter.h"

#include <QPointer>
#include <QWidget>

namespace ui {
class DialogService;
}

namespace app {

class DialogPermissionPrompter final : public remote::PermissionPrompter {
public:
    // `parent` (may be null) is the window the alert is shown over.
    DialogPermissionPrompter(ui::DialogService& dialogs, QWidget* parent);

    void ask(const remote::PermissionRequest& request, std::function<void(bool allowed)> answer) override;
    void setParent(QWidget* parent) { parent_ = parent; }

private:
    ui::DialogService& dialogs_;
    QPointer<QWidget> parent_;
};

} // namespace app
