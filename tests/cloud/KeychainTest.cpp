// The keychain's file fallback when no Secret Service answers.

#include "platform/Keychain.h"
#include "kit/Files.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
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
    keychain.write(QStringLiteral("refresh_token"), "second\0+&="_qba);
    other.write(QStringLiteral("refresh_token"), "other service");
    EXPECT_TRUE(keychain.usedFallback());
    EXPECT_EQ(keychain.read(QStringLiteral("refresh_token")), QByteArray("second\0+&=", 10));
    EXPECT_EQ(other.read(QStringLiteral("refresh_token")), QByteArray("other service"));
    EXPECT_EQ(modeOf(path), mode_t(0600));
    EXPECT_EQ(modeOf(QFileInfo(path).absolutePath()), mode_t(0700));

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
    ASSERT_TRUE(testkit::writeFile(path, "{ not json"));
    Keychain keychain(QStringLiteral("Corvale.Test"), path, false);
    EXPECT_FALSE(keychain.read(QStringLiteral("a")));
    keychain.write(QStringLiteral("a"), "1");
    EXPECT_EQ(keychain.read(QStringLiteral("a")), QByteArray("1"));
    EXPECT_EQ(testkit::readFile(path + QStringLiteral(".unreadable")), QByteArray("{ not json"));
}
