#include "app/CorvaleApp.h"
#include "app/StationServices.h"
#include "ui/AppTheme.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvale"));
    QApplication::setOrganizationName(QStringLiteral("Corvale"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    // The stored appearance is applied before the first window paints.
    ui::AppTheme::install();

    app::StationServices services;
    app::CorvaleApp corvale(services);
    corvale.show();
    return QApplication::exec();
}
