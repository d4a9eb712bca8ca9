#include "platform/UserDefaults.h"
#include "kit/Files.h"
#include "platform/SystemLog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using platform::UserDefaults;

namespace {
struct Defaults : ::testing::Test {
    QTemporaryDir dir;
    QString path() const { return dir.path() + QStringLiteral("/nested/defaults.json"); }
};
} // namespace

TEST_F(Defaults, BooleanReadingOfEveryKindOfStoredObject)
{
    UserDefaults d(path());
    const std::vector<std::pair<QVariant, bool>> cases = {
        { 0, false },
        { 0.25, true },
        { QStringLiteral("Yes"), true },
        { QStringLiteral(" true"), false },
        { QByteArray("true"), false },
        { QVariantList { true }, false },
    };
    for (const auto& [value, expected] : cases) {
        d.set(QStringLiteral("flag"), value);
        EXPECT_EQ(d.boolForKey(QStringLiteral("flag")), expected) << value.toString().toStdString();
    }
    EXPECT_FALSE(d.boolForKey(QStringLiteral("absent")));
}

TEST_F(Defaults, EveryKindKeepsItsTypeAcrossAReopen)
{
    {
        UserDefaults d(path());
        d.set(QStringLiteral("hdmiOutFollowsPreview"), true);
        d.set(QStringLiteral("ratio"), 0.5);
        d.set(QStringLiteral("recordingCodec"), QStringLiteral("proRes422HQ"));
        d.set(QStringLiteral("recordingFolderBookmark"), QByteArray("\x00bookmark\xfe", 10));
        d.set(QStringLiteral("projectLibrary.projects"),
            QVariantList { QVariantMap { { QStringLiteral("name"), QStringLiteral("Day 1") } } });
        d.set(QStringLiteral("gone"), 1);
        d.remove(QStringLiteral("gone"));
    }
    UserDefaults reopened(path());
    EXPECT_EQ(reopened.object(QStringLiteral("hdmiOutFollowsPreview")).typeId(), QMetaType::Bool);
    EXPECT_DOUBLE_EQ(reopened.doubleForKey(QStringLiteral("ratio")), 0.5);
    EXPECT_EQ(reopened.stringForKey(QStringLiteral("recordingCodec")), QStringLiteral("proRes422HQ"));
    EXPECT_EQ(reopened.dataForKey(QStringLiteral("recordingFolderBookmark")), QByteArray("\x00bookmark\xfe", 10));
    const auto projects = reopened.object(QStringLiteral("projectLibrary.projects")).toList();
    EXPECT_EQ(projects.value(0).toMap().value(QStringLiteral("name")).toString(), QStringLiteral("Day 1"));
    EXPECT_FALSE(reopened.contains(QStringLiteral("gone")));
}

TEST_F(Defaults, AnUnreadableFileIsKeptAsideNotSilentlyOverwritten)
{
    QDir().mkpath(dir.path() + QStringLiteral("/nested"));
    ASSERT_TRUE(testkit::writeFile(path(), "{ this is not json"));

    UserDefaults d(path());
    EXPECT_FALSE(d.contains(QStringLiteral("anything")));
    d.set(QStringLiteral("timecodeMode"), QStringLiteral("freeRun"));

    const QStringList kept
        = QDir(dir.path() + QStringLiteral("/nested")).entryList({ QStringLiteral("defaults.json.unreadable-*") });
    ASSERT_EQ(kept.size(), 1);
    QFile backup(dir.path() + QStringLiteral("/nested/") + kept.first());
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), QByteArray("{ this is not json"));
}

TEST(UnwritableDefaults, EveryFailedWriteIsLoggedAndTheValueStaysReadable)
{
    std::vector<std::string> lines;
    platform::setSystemLogSink([&](const std::string& line) { lines.push_back(line); });
    {
        // Nothing can be created under /proc, not even by root.
        UserDefaults d(QStringLiteral("/proc/corvale-no-such-folder/defaults.json"));
        d.set(QStringLiteral("recordingCodec"), QStringLiteral("h264"));
        EXPECT_EQ(lines.size(), 1u);
        EXPECT_EQ(d.stringForKey(QStringLiteral("recordingCodec")), QStringLiteral("h264"));
        d.remove(QStringLiteral("recordingCodec"));
        EXPECT_EQ(lines.size(), 2u);
    }
    platform::setSystemLogSink({});
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front().find("cannot write settings file"), std::string::npos);
}
