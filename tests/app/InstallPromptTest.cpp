#include "app/AppInstallHelper.h"
#include "kit/FakeDialogService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace app {
namespace {

// A station downloaded into the home folder on a desktop with a display.
struct InstallSetup {
    InstallSetup()
    {
        environment.executablePath = QStringLiteral("/home/op/Downloads/corvale");
        environment.applicationsFolder = folder.filePath(QStringLiteral("applications"));
        environment.platformName = QStringLiteral("xcb");
        environment.variable = [this](const char* name) -> std::optional<QString> {
            const auto it = variables.find(name);
            return it == variables.end() ? std::nullopt : std::optional<QString>(it->second);
        };
    }

    QString entryPath() const { return QDir(environment.applicationsFolder).filePath(AppInstallHelper::entryName); }
    void prompt() { AppInstallHelper::promptToMoveToApplicationsIfNeeded(environment, dialogs, nullptr); }

    QTemporaryDir folder;
    std::map<std::string, QString> variables { { "DISPLAY", QStringLiteral(":0") } };
    AppInstallHelper::Environment environment;
    ui::FakeDialogService dialogs;
};

class InstallPromptTest : public ::testing::Test, public InstallSetup { };

TEST_F(InstallPromptTest, EachRuleDecidesWhetherToAsk)
{
    struct Case {
        const char* name;
        std::function<void(InstallSetup&)> change;
        bool asks;
    };
    const Case cases[] = {
        { "downloaded binary", [](auto&) {}, true },
        { "under /usr", [](auto& t) { t.environment.executablePath = "/usr/bin/corvale"; }, false },
        { "/optical is not /opt", [](auto& t) { t.environment.executablePath = "/optical/x"; }, true },
        { "dot-dot out of /opt", [](auto& t) { t.environment.executablePath = "/opt/../home/corvale"; }, true },
        { "opt-out set empty", [](auto& t) { t.variables["CORVALE_NO_INSTALL_PROMPT"] = ""; }, false },
        { "offscreen", [](auto& t) { t.environment.platformName = "offscreen"; }, false },
        { "empty display", [](auto& t) { t.variables["DISPLAY"] = ""; }, false },
        { "wayland only",
            [](auto& t) {
                t.variables.erase("DISPLAY");
                t.variables["WAYLAND_DISPLAY"] = "wayland-0";
            },
            true },
        { "build tree",
            [](auto& t) {
                QDir(t.folder.path()).mkpath("build/bin");
                QFile cache(t.folder.filePath("build/CMakeCache.txt"));
                ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
                t.environment.executablePath = t.folder.filePath("build/bin/corvale");
            },
            false },
        { "entry exists",
            [](auto& t) {
                QDir().mkpath(t.environment.applicationsFolder);
                QFile entry(t.entryPath());
                ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
            },
            false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstallSetup t;
        c.change(t);
        t.prompt();
        ASSERT_EQ(t.dialogs.alerts().size(), c.asks ? 1u : 0u);
        if (c.asks) {
            EXPECT_EQ(t.dialogs.alerts().front().request.title, "Install Corvale");
            EXPECT_EQ(t.dialogs.alerts().front().request.message, "Corvale should be added to the applications menu.");
        }
    }
}

TEST_F(InstallPromptTest, AcceptingWritesAnEntryThatStartsTheBinary)
{
    environment.executablePath = QStringLiteral("/home/op/My \"Apps\"/cor$vale 100%");
    dialogs.answerNextAlertWith(QStringLiteral("Add to Applications Menu"));
    prompt();
    QCoreApplication::processEvents();
    ASSERT_TRUE(QFile::exists(entryPath()));
    QFile file(entryPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    EXPECT_EQ(lines.front(), "[Desktop Entry]");
    EXPECT_TRUE(lines.contains(R"(Exec="/home/op/My \\"Apps\\"/cor\\$vale 100%%")"));
    EXPECT_TRUE(dialogs.alerts().size() == 1) << "no failure alert";
}

TEST_F(InstallPromptTest, NotNowWritesNothingAndAFailedWriteAlerts)
{
    dialogs.answerNextAlertWith(QStringLiteral("Not Now"));
    prompt();
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFile::exists(entryPath()));

    // A file where the applications folder should be: nothing can be written there.
    QFile blocker(environment.applicationsFolder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    dialogs.answerNextAlertWith(QStringLiteral("Add to Applications Menu"));
    prompt();
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFile::exists(entryPath()));
    ASSERT_EQ(dialogs.alerts().size(), 3u);
    EXPECT_EQ(dialogs.alerts().back().request.title, "Move failed");
    EXPECT_EQ(dialogs.alerts().back().request.message, "Please add Corvale to the applications menu manually.");

    // A path the entry format cannot carry is refused the same way.
    EXPECT_FALSE(AppInstallHelper::desktopEntry(QStringLiteral("/home/op/a\nb")));
}

} // namespace
} // namespace app
