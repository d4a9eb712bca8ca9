#pragma once

// The few layout pieces every project screen builds the same way.

#include <QString>

class QPushButton;
class QWidget;

namespace ui {
class SymbolImage;
}

namespace projects_ui {

// Lays `content` on the shared pane, `margin` points inside the window background, as the whole of
// `owner` (a screen or a sheet).
void setPaneContent(QWidget* owner, QWidget* content, int margin);

// A symbol beside a label (the label takes the rest of the row), the symbol at the top so it stays
// with the first line of a wrapped label.
QWidget* iconRow(ui::SymbolImage* icon, QWidget* label, int spacing);

// A standard push button that is not a default button unless made one.
QPushButton* plainButton(const QString& title, const QString& objectName);

} // namespace projects_ui
