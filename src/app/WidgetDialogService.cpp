#include "app/WidgetDialogService.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
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

// A file dialog that, when asked for a folder or a file, also takes a folder chosen with the
// confirm button (the plain file modes would only open it).
class FolderOrFileDialog final : public QFileDialog {
public:
    FolderOrFileDialog(QWidget* parent, const ui::OpenPanelRequest& request)
        : QFileDialog(parent, request.title, request.directory)
        , folderOrFile_(request.chooseDirectories && request.alsoChooseFiles)
    {
        // Qt's own dialog everywhere: it can carry the message line and take a folder.
        setOption(QFileDialog::DontUseNativeDialog);
        setNameFilters(request.nameFilters.isEmpty() ? QStringList { QStringLiteral("*") } : request.nameFilters);
        if (folderOrFile_)
            setFileMode(QFileDialog::ExistingFile);
        else
            setFileMode(request.chooseDirectories     ? QFileDialog::Directory
                    : request.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                      : QFileDialog::ExistingFile);
        if (!request.prompt.isEmpty())
            setLabelText(QFileDialog::Accept, request.prompt);
        if (auto* grid = qobject_cast<QGridLayout*>(layout()); grid && !request.message.isEmpty()) {
            auto* message = new QLabel(request.message, this);
            message->setObjectName(QStringLiteral("panelMessage"));
            message->setWordWrap(true);
            grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
        }
    }

    void accept() override
    {
        if (folderOrFile_) {
            if (const auto folder = chosenFolder()) {
                chosen_ = QStringList { *folder };
                QDialog::accept();
                return;
            }
        }
        QFileDialog::accept();
    }

    // What the confirm button chose.
    QStringList chosen() const { return chosen_.isEmpty() ? selectedFiles() : chosen_; }

private:
    // The folder the confirm button means: the selected item, else the typed name, else (nothing
    // given at all) the folder on show. None when that is a file.
    std::optional<QString> chosenFolder() const
    {
        QString candidate;
        const QStringList selected = selectedFiles();
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!selected.isEmpty())
            candidate = selected.front();
        else if (edit && !edit->text().isEmpty())
            candidate = directory().absoluteFilePath(edit->text());
        else
            candidate = directory().absolutePath();
        if (selected.size() > 1 || !QFileInfo(candidate).isDir())
            return std::nullopt;
        return QDir::cleanPath(candidate);
    }

    bool folderOrFile_;
    QStringList chosen_;
};

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
    auto* dialog = new FolderOrFileDialog(parent, request);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(dialog, &QFileDialog::finished, dialog,
        [dialog, done](int result) { done(result == QDialog::Accepted ? dialog->chosen() : QStringList()); });
    dialog->open();
}

void WidgetDialogService::showSavePanel(
    QWidget* parent, const ui::SavePanelRequest& request, std::function<void(const std::optional<QString>&)> done)
{
    auto* dialog = new QFileDialog(parent, request.title, request.directory);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
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
