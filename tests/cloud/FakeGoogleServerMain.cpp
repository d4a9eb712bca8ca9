// fake_google_server: the tests' fake Google endpoints as a program, for benchmarks and manual
// runs of the station (CORVALE_GOOGLE_BASE_URL and CORVALE_GOOGLE_CLIENT_ID as printed).
// Runs until its standard input closes.

#include "FakeGoogleServer.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    cloud_test::FakeGoogleServer server;
    std::printf("CORVALE_GOOGLE_BASE_URL=%s\nCORVALE_GOOGLE_CLIENT_ID=%s\nrefresh_token=%s\n",
        qPrintable(server.baseURL().toString()), qPrintable(server.clientID()), qPrintable(server.issueRefreshToken()));
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    return app.exec();
}
