#pragma once

// The confirmation sheet of a cloud project's deletion: what will happen, the project's name, a
// busy state while the library screen deletes, and the failure of the last attempt. It deletes
// nothing itself: the library screen owns the busy flag and the error line, sets them here, and
// gets the operator's choice through the two actions.
//
// A window-modal dialog opened with open(). Escape takes the cancel path, except while a deletion
// runs: then neither Escape nor the Cancel button can close it. Main thread only.

#include "ui/ThemedLabel.h"

#include <QDialog>

#include <functional>
#include <optional>

namespace ui {
class StyledButton;
}

namespace projects_ui {

class CloudDeleteConfirmSheet final : public QDialog {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 400;

    CloudDeleteConfirmSheet(const QString& projectName, std::function<void()> onConfirm, std::function<void()> onCancel,
        QWidget* parent = nullptr);

    QString projectName() const { return projectName_; }
    void setProjectName(const QString& name);
    bool isDeletingFromDrive() const { return deleting_; }
    void setDeletingFromDrive(bool deleting);
    const std::optional<QString>& error() const { return error_; }
    void setError(const std::optional<QString>& error);

    ui::StyledButton* cancelButton() const { return cancel_; }
    ui::StyledButton* confirmButton() const { return confirm_; }

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    QString projectName_;
    bool deleting_ = false;
    std::optional<QString> error_;
    std::function<void()> onConfirm_;
    std::function<void()> onCancel_;

    ui::ThemedLabel* nameLabel_;
    QWidget* errorRow_;
    ui::ThemedLabel* errorLabel_;
    ui::StyledButton* cancel_;
    ui::StyledButton* confirm_;
    QWidget* deletingLabel_;
};

} // namespace projects_ui
