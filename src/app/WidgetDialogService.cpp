#include "app/WidgetDialogService.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <memory>

namespace app {

namespace {

QMessageBox::ButtonRole roleOf(ui::AlertButton::Role role)
{
    switch (role) {
    case ui::AlertButton::Role::cancel:
        return QMessageBox::RejectRole;
    case ui::AlertButton::Role::destructive:
        return QMessageBox::DestructiveRole;
    case ui::AlertButton::Role::normal:
        break;
    }
    return QMessageBox::AcceptRole;
}

} // namespace

void WidgetDialogService::showAlert(QWidget* parent, const ui::AlertRequest& request, std::function<void(int)> done)
{
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box->setIcon(QMessageBox::Warning);
    box->setText(request.title);
    box->setInformativeText(request.message);
    auto buttons = request.buttons;
    if (buttons.empty())
        buttons.push_back({ QStringLiteral("OK"), ui::AlertButton::Role::normal });
    auto indexes = std::make_shared<std::vector<QAbstractButton*>>();
    for (const auto& button : buttons) {
        QPushButton* added = box->addButton(button.title, roleOf(button.role));
        indexes->push_back(added);
        if (button.role == ui::AlertButton::Role::cancel)
            box->setEscapeButton(added);
    }
    box->setDefaultButton(qobject_cast<QPushButton*>(indexes->front()));
    QObject::connect(box, &QMessageBox::buttonClicked, box, [indexes, done](QAbstractButton* clicked) {
        const auto it = std::find(indexes->begin(), indexes->end(), clicked);
        done(it == indexes->end() ? 0 : int(it - indexes->begin()));
    });
    box->open();
}

void WidgetDialogService::showOpenPanel(
    QWidget* parent, const ui::OpenPanelRequest& request, std::function<void(const QStringList&)> done)
{
    auto* dialog = new QFileDialog(parent, request.title, request.directory);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setNameFilters(request.nameFilters.isEmpty() ? QStringList { QStringLiteral("*") } : request.nameFilters);
    dialog->setFileMode(request.chooseDirectories ? QFileDialog::Directory
            : request.allowsMultipleSelection     ? QFileDialog::ExistingFiles
                                                  : QFileDialog::ExistingFile);
    QObject::connect(dialog, &QFileDialog::finished, dialog,
        [dialog, done](int result) { done(result == QDialog::Accepted ? dialog->selectedFiles() : QStringList()); });
    dialog->open();
}

void WidgetDialogService::showSavePanel(
    QWidget* parent, const ui::SavePanelRequest& request, std::function<void(const std::optional<QString>&)> done)
{
    auto* dialog = new QFileDialog(parent, request.title, request.directory);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->selectFile(request.suggestedName);
    if (!request.nameFilters.isEmpty())
        dialog->setNameFilters(request.nameFilters);
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done](int result) {
        const QStringList files = dialog->selectedFiles();
        done(result == QDialog::Accepted && !files.isEmpty() ? std::optional<QString>(files.front()) : std::nullopt);
    });
    dialog->open();
}

} // namespace app
