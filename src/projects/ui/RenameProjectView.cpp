#include "projects/ui/RenameProjectView.h"

#include "projects/ui/ScreenLayout.h"
#include "projects/ui/TextStyle.h"
#include "ui/AppPane.h"
#include "ui/AppWindowChrome.h"
#include "ui/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace projects_ui {

RenameProjectView::RenameProjectView(
    const QString& name, std::function<void()> onCancel, std::function<void()> onSave, QWidget* parent)
    : QDialog(parent)
    , onCancel_(std::move(onCancel))
    , onSave_(std::move(onSave))
{
    setObjectName(QStringLiteral("renameProjectView"));
    setWindowTitle(QStringLiteral("Rename Project"));
    setWindowModality(Qt::WindowModal);

    auto* column = new QWidget;
    column->setMinimumWidth(minimumColumnWidth);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addWidget(
        new ui::ThemedLabel(QStringLiteral("Rename Project"), TextStyle::headline(), ui::AppTheme::textPrimary));

    field_ = new QLineEdit(name);
    field_->setObjectName(QStringLiteral("nameField"));
    field_->setPlaceholderText(QStringLiteral("Project Name"));
    layout->addWidget(field_);

    auto* row = new QHBoxLayout;
    cancel_ = plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"));
    save_ = plainButton(QStringLiteral("Save"), QStringLiteral("saveButton"));
    save_->setDefault(true);
    row->addWidget(cancel_);
    row->addStretch(1);
    row->addWidget(save_);
    layout->addLayout(row);

    setPaneContent(this, column, 12);

    connect(field_, &QLineEdit::textEdited, this, &RenameProjectView::nameEdited);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (onCancel_)
            onCancel_();
    });
    connect(save_, &QPushButton::clicked, this, [this] {
        if (onSave_)
            onSave_();
    });
    field_->setFocus();
}

QString RenameProjectView::name() const
{
    return field_->text();
}

void RenameProjectView::setName(const QString& name)
{
    if (field_->text() == name)
        return;
    const QSignalBlocker blocker(field_);
    field_->setText(name);
}

void RenameProjectView::reject()
{
    if (onCancel_)
        onCancel_();
    else
        QDialog::reject();
}

} // namespace projects_ui
