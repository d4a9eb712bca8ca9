#include "projects/ui/ScreenLayout.h"

#include "ui/AppPane.h"
#include "ui/AppWindowChrome.h"
#include "ui/SymbolImage.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace projects_ui {

void setPaneContent(QWidget* owner, QWidget* content, int margin)
{
    auto* padded = new QWidget;
    auto* paddedLayout = new QVBoxLayout(padded);
    paddedLayout->setContentsMargins(margin, margin, margin, margin);
    paddedLayout->addWidget(ui::appPane(content));
    auto* outer = new QVBoxLayout(owner);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(ui::appWindowChrome(padded));
}

QWidget* iconRow(ui::SymbolImage* icon, QWidget* label, int spacing)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addWidget(label, 1);
    return row;
}

QPushButton* plainButton(const QString& title, const QString& objectName)
{
    auto* button = new QPushButton(title);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

} // namespace projects_ui
