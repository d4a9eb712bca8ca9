// The main of every test executable.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);

    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Tests never read or write the user's own settings or data folders.
    QTemporaryDir sandbox(QDir::tempPath() + QStringLiteral("/corvale-test-XXXXXX"));
    if (!qEnvironmentVariableIsSet("CORVALE_USER_DEFAULTS"))
        qputenv("CORVALE_USER_DEFAULTS", (sandbox.path() + QStringLiteral("/defaults.json")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (sandbox.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (sandbox.path() + QStringLiteral("/config")).toLocal8Bit());
    // The Desktop too (named but not made, so nothing is written there).
    QDir().mkpath(sandbox.path() + QStringLiteral("/config"));
    {
        QFile userDirs(sandbox.path() + QStringLiteral("/config/user-dirs.dirs"));
        if (userDirs.open(QIODevice::WriteOnly))
            userDirs.write("XDG_DESKTOP_DIR=\"" + sandbox.path().toLocal8Bit() + "/Desktop\"\n");
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvale"));
    QApplication::setOrganizationName(QStringLiteral("Corvale"));
    return RUN_ALL_TESTS();
}
