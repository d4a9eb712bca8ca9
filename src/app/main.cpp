#include "app/MainWindow.h"
#include "settings/ui/AppTheme.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvale"));
    QApplication::setOrganizationName(QStringLiteral("Corvale"));

    // The stored appearance is applied before the first window paints.
    AppTheme::install();

    MainWindow window;
    window.show();
    return QApplication::exec();
}
