// Publication through a real Avahi daemon. The test runs itself again inside a private network and
// mount namespace (only "lo", a fresh /run), starts a system bus and avahi-daemon there, and finds
// the station's service with avahi-browse. Nothing it announces leaves the namespace.

#include "RemoteTestSupport.h"

#include "remote/AvahiServicePublisher.h"
#include "remote/ControlServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr const char* insideVariable = "CORVALE_AVAHI_NAMESPACE";

QString missingTool()
{
    for (const char* tool : { "unshare", "dbus-daemon", "avahi-daemon", "avahi-browse" }) {
        const QString name = QString::fromLatin1(tool);
        if (QStandardPaths::findExecutable(name).isEmpty()
            && QStandardPaths::findExecutable(name, { QStringLiteral("/usr/sbin"), QStringLiteral("/sbin") }).isEmpty())
            return name;
    }
    return {};
}

bool bringLoopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return false;
    ifreq request {};
    std::snprintf(request.ifr_name, IFNAMSIZ, "lo");
    bool up = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = short(request.ifr_flags | IFF_UP | IFF_RUNNING);
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    ::close(fd);
    return up;
}

// A daemon for the length of the test; terminated when it goes.
struct DaemonStop {
    void operator()(QProcess* process) const
    {
        process->terminate();
        if (!process->waitForFinished(5000))
            process->kill();
        process->waitForFinished(5000);
        delete process;
    }
};
using Daemon = std::unique_ptr<QProcess, DaemonStop>;

Daemon startDaemon(const QString& program, const QStringList& arguments)
{
    Daemon process(new QProcess);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(program, arguments);
    EXPECT_TRUE(process->waitForStarted(5000)) << program.toStdString();
    return process;
}

QString browse()
{
    QProcess browser;
    browser.start(QStringLiteral("avahi-browse"), { QStringLiteral("-rpt"), QStringLiteral("_corvale._tcp") });
    browser.waitForFinished(15000);
    return QString::fromUtf8(browser.readAllStandardOutput());
}

// The part that runs inside the namespace.
void publishInsideTheNamespace()
{
    ASSERT_TRUE(bringLoopbackUp());
    ASSERT_EQ(::mount("tmpfs", "/run", "tmpfs", 0, "mode=0755"), 0) << "tmpfs on /run";
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("/run/dbus")) && QDir().mkpath(QStringLiteral("/run/avahi-daemon")));
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("avahi-daemon.conf")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("[server]\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=lo\n[wide-area]\nenable-wide-area=no\n");
    config.close();
    const QStringList avahiArguments { QStringLiteral("--no-drop-root"), QStringLiteral("--no-chroot"),
        QStringLiteral("--no-rlimits"), QStringLiteral("-f"), config.fileName() };

    const Daemon bus = startDaemon(QStringLiteral("dbus-daemon"),
        { QStringLiteral("--system"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile") });
    ASSERT_TRUE(QTest::qWaitFor([] { return QFile::exists(QStringLiteral("/run/dbus/system_bus_socket")); }, 10000));
    Daemon avahi = startDaemon(QStringLiteral("avahi-daemon"), avahiArguments);

    LogCapture log;
    remote::AvahiServicePublisher publisher;
    remote::ControlServer::Options options;
    options.address = QHostAddress::LocalHost;
    options.port = 0;
    remote::ControlServer server(publisher, options);
    server.startOnce();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.contains("✅ Bonjour didPublish:"); }, 20000));
    const QString port = QString::number(server.port());
    QString found;
    const auto listed = [&] {
        found = browse();
        return found.contains(QStringLiteral("\"app=Corvale\""))
            && found.contains(QStringLiteral("\"port=") + port + '"');
    };
    ASSERT_TRUE(QTest::qWaitFor(listed, 20000)) << found.toStdString();
    EXPECT_TRUE(found.contains(QStringLiteral(";_corvale._tcp;local;")));
    EXPECT_TRUE(found.contains(QStringLiteral(";127.0.0.1;") + port + ';'));

    // The daemon goes away and comes back: the server runs on and is announced again.
    avahi.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.contains("❌ Bonjour didNotPublish:"); }, 20000));
    EXPECT_TRUE(server.isRunning());
    avahi = startDaemon(QStringLiteral("avahi-daemon"), avahiArguments);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.count("✅ Bonjour didPublish:") >= 2; }, 20000));
    server.stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.contains("🛑 Bonjour didStop"); }, 5000));
}

TEST(AvahiInterop, PublishesInAPrivateNetworkAndAgainWhenTheDaemonReturns)
{
    if (qEnvironmentVariableIsSet(insideVariable)) {
        publishInsideTheNamespace();
        return;
    }
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "starts daemons with fork() from a threaded process, which ThreadSanitizer does not follow";
#endif
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a private network namespace with its own avahi-daemon";
    if (const QString tool = missingTool(); !tool.isEmpty())
        GTEST_SKIP() << tool.toStdString() << " is not installed (scripts/install-deps.sh installs it)";

    QProcess inner;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(insideVariable), QStringLiteral("1"));
    inner.setProcessEnvironment(environment);
    inner.setProcessChannelMode(QProcess::MergedChannels);
    inner.start(QStringLiteral("unshare"),
        { QStringLiteral("--net"), QStringLiteral("--mount"), QStringLiteral("--"),
            QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=AvahiInterop.*") });
    ASSERT_TRUE(inner.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(inner.readAll());
    if (output.contains(QStringLiteral("unshare failed")) || output.contains(QStringLiteral("unshare:")))
        GTEST_SKIP() << "unshare is not allowed here: " << output.trimmed().toStdString();
    EXPECT_EQ(inner.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

} // namespace
