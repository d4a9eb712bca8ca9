#include "app/MainWindow.h"

#include <QLabel>

namespace app {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("CorvaleMainWindow"));
    setWindowTitle(QStringLiteral("Corvale"));
    auto* label = new QLabel(QStringLiteral("Corvale"), this);
    label->setObjectName(QStringLiteral("productName"));
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPixelSize(48);
    label->setFont(font);
    setCentralWidget(label);
    setMinimumSize(1220, 760);
}

} // namespace app
