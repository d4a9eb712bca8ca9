#include "app/MainWindow.h"
#include "ui/AppTheme.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvale"));
    QApplication::setOrganizationName(QStringLiteral("Corvale"));

    // The stored appearance is applied before the first window paints.
    ui::AppTheme::install();

    app::MainWindow window;
    window.show();
    return QApplication::exec();
}
