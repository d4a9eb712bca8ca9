// The keychain: its file fallback when no Secret Service answers, and a real keyring run on a
// private session bus where gnome-keyring and libsecret are installed.

#include "platform/Keychain.h"
#include "cloud/KeychainStore.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>

using platform::Keychain;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat info { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

} // namespace

TEST(Keychain, WithoutSecretServiceSecretsGoToAPrivateFile)
{
    // No session bus: QtKeychain fails and nothing may be lost.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/corvale-test-bus");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config/secrets.json"));
    Keychain keychain(QStringLiteral("Corvale.Test"), path, true, 5.0);
    Keychain other(QStringLiteral("Corvale.Other"), path, true, 5.0);

    EXPECT_FALSE(keychain.read(QStringLiteral("refresh_token")));
    keychain.write(QStringLiteral("refresh_token"), "first");
    keychain.write(QStringLiteral("refresh_token"), "second\0+&="_qba);
    other.write(QStringLiteral("refresh_token"), "other service");
    EXPECT_TRUE(keychain.usedFallback());
    EXPECT_EQ(keychain.read(QStringLiteral("refresh_token")), QByteArray("second\0+&=", 10));
    EXPECT_EQ(other.read(QStringLiteral("refresh_token")), QByteArray("other service"));
    EXPECT_EQ(modeOf(path), mode_t(0600));
    EXPECT_EQ(modeOf(QFileInfo(path).absolutePath()), mode_t(0700));
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files), QStringList { "secrets.json" });

    keychain.remove(QStringLiteral("refresh_token"));
    EXPECT_FALSE(keychain.read(QStringLiteral("refresh_token")));
    EXPECT_EQ(other.read(QStringLiteral("refresh_token")), QByteArray("other service"));
    // A fresh instance reads what an earlier run left.
    EXPECT_EQ(Keychain(QStringLiteral("Corvale.Other"), path, false).read(QStringLiteral("refresh_token")),
        QByteArray("other service"));
}

TEST(Keychain, AnUnreadableFileIsKeptAsideNotOverwritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("secrets.json"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{ not json");
    file.close();
    Keychain keychain(QStringLiteral("Corvale.Test"), path, false);
    EXPECT_FALSE(keychain.read(QStringLiteral("a")));
    keychain.write(QStringLiteral("a"), "1");
    EXPECT_EQ(keychain.read(QStringLiteral("a")), QByteArray("1"));
    QFile aside(path + QStringLiteral(".unreadable"));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), QByteArray("{ not json"));
}

TEST(Keychain, KeychainStoreReadsTextOnlyWhenItIsUtf8)
{
    QTemporaryDir dir;
    cloud::KeychainStore store(dir.filePath(QStringLiteral("secrets.json")), false);
    store.setData("\xff\xfe", QStringLiteral("refresh_token"));
    EXPECT_TRUE(store.getData(QStringLiteral("refresh_token")));
    EXPECT_FALSE(store.getText(QStringLiteral("refresh_token")));
    store.setData("tök", QStringLiteral("refresh_token"));
    EXPECT_EQ(store.getText(QStringLiteral("refresh_token")), QStringLiteral("tök"));
}

// Runs in a child on a private session bus with an unlocked gnome-keyring (see below).
TEST(KeychainChild, RealKeyringRoundTrip)
{
    if (qEnvironmentVariableIsEmpty("CORVALE_KEYCHAIN_CHILD"))
        GTEST_SKIP() << "runs only inside the real keyring test";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("secrets.json"));
    Keychain keychain(QStringLiteral("Corvale.Test"), path);
    keychain.write(QStringLiteral("refresh_token"), "from the keyring");
    EXPECT_FALSE(keychain.usedFallback());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(Keychain(QStringLiteral("Corvale.Test"), path).read(QStringLiteral("refresh_token")),
        QByteArray("from the keyring"));
    keychain.remove(QStringLiteral("refresh_token"));
    EXPECT_FALSE(keychain.read(QStringLiteral("refresh_token")));
}

TEST(Keychain, RealKeyringOnAPrivateSessionBus)
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon"));
    const QString session = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
    if (daemon.isEmpty() || session.isEmpty() || !QLibrary(QStringLiteral("secret-1"), 0).load())
        GTEST_SKIP() << "gnome-keyring, dbus-run-session or libsecret is not installed";
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the thread sanitizer does not follow a process that starts threads after a fork";
#endif
    QTemporaryDir home;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CORVALE_KEYCHAIN_CHILD"), QStringLiteral("1"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    child.setProcessEnvironment(environment);
    child.start(session,
        QStringList { QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
            QStringLiteral("printf test | \"$1\" --unlock --components=secrets >/dev/null && "
                           "exec \"$2\" --gtest_filter=KeychainChild.*"),
            QStringLiteral("sh"), daemon, QCoreApplication::applicationFilePath() });
    ASSERT_TRUE(child.waitForFinished(120000));
    const QByteArray output = child.readAllStandardOutput() + child.readAllStandardError();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test.")) << output.toStdString();
}
