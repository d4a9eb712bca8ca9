#pragma once

// The rename sheet: a title, one text field and Cancel / Save. It validates nothing and renames
// nothing: the library screen owns the edited text (nameEdited() reports every keystroke, setName()
// writes it back), saves through the store and closes the sheet on success.
//
// A window-modal dialog opened with open(). Return in the field presses Save; Escape takes the
// cancel path. Main thread only.

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

namespace projects_ui {

class RenameProjectView final : public QDialog {
    Q_OBJECT
public:
    static constexpr int minimumColumnWidth = 360;

    RenameProjectView(
        const QString& name, std::function<void()> onCancel, std::function<void()> onSave, QWidget* parent = nullptr);

    QString name() const;
    // Writes the text from the model; does not emit nameEdited().
    void setName(const QString& name);

    QLineEdit* field() const { return field_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* saveButton() const { return save_; }

public slots:
    void reject() override;

signals:
    void nameEdited(const QString& name);

private:
    std::function<void()> onCancel_;
    std::function<void()> onSave_;
    QLineEdit* field_;
    QPushButton* cancel_;
    QPushButton* save_;
};

} // namespace projects_ui
