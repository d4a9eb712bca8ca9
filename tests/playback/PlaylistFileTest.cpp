#include "PlaybackTestSupport.h"

#include "playback/PlaylistFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using playback::PlaylistFile;
using playback_test::fixture;

TEST(PlaylistFile, GoldenFileRoundTripsByteForByte)
{
    const QByteArray golden = fixture("playlist_golden.json");
    const auto state = PlaylistFile::decode(golden);
    ASSERT_TRUE(state.ok()) << state.error().toStdString();
    ASSERT_EQ(state->clips.size(), 3);
    EXPECT_EQ(state->clips[0].reel, QStringLiteral("1"));
    EXPECT_EQ(state->clips[0].url.toLocalFile(), "/Volumes/Media/Day 1/R1-SC12-T3-Cam2-2025-01-31.mov");
    EXPECT_EQ(state->clips[2].title, QStringLiteral("Say \"cut\" \\ \u00e9t\u00e9\n"));
    EXPECT_EQ(state->clips[2].url.toLocalFile(), QStringLiteral("/tmp/\u00e9t\u00e9.mov"));
    EXPECT_EQ(state->selectedClipID, state->clips[1].id);
    EXPECT_EQ(PlaylistFile::encode(*state), golden);
}

TEST(PlaylistFile, ForeignLayoutReadsAsTheGoldenFile)
{
    // Pretty printed, escaped slashes, lower-case UUIDs, other key order, nulls and unknown keys.
    const auto state = PlaylistFile::decode(fixture("playlist_foreign.json"));
    ASSERT_TRUE(state.ok()) << state.error().toStdString();
    EXPECT_EQ(PlaylistFile::encode(*state), fixture("playlist_golden.json"));
}

TEST(PlaylistFile, BrokenFilesFailWhole)
{
    const char* cases[] = {
        "",
        "[]",
        R"({"clips":{}})",
        R"({"selectedClipID":"00000000-0000-0000-0000-000000000001"})",
        R"({"clips":[],"selectedClipID":"nope"})",
        R"({"clips":[{"id":"00000000-0000-0000-0000-000000000001","url":"file:///a.mov","duration":0}]})",
    };
    for (const char* text : cases)
        EXPECT_FALSE(PlaylistFile::decode(text).ok()) << text;
    EXPECT_TRUE(PlaylistFile::decode(R"({"clips":[],"selectedClipID":null})").ok());
    EXPECT_EQ(PlaylistFile::encode({}), R"({"clips":[]})");
}

TEST(PlaylistFile, AtomicWriteKeepsTheOldFileWhenItFails)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("playlist.json");
    ASSERT_TRUE(PlaylistFile::writeAtomically(path, "old").ok());
    ASSERT_TRUE(PlaylistFile::writeAtomically(path, "new").ok());
    EXPECT_EQ(PlaylistFile::read(path).value(), "new");
    {
        FileSizeLimit full(8);
        EXPECT_FALSE(PlaylistFile::writeAtomically(path, "longer than the disk allows").ok());
    }
    EXPECT_EQ(PlaylistFile::read(path).value(), "new");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "playlist.json" });
    EXPECT_FALSE(PlaylistFile::read(dir.filePath("missing.json")).ok());
    EXPECT_FALSE(PlaylistFile::writeAtomically(dir.filePath("no/folder.json"), "x").ok());
}

TEST(PlaylistFile, MoveAsideNeverOverwritesAnEarlierCopy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("playlist.json");
    const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
    for (const char* content : { "first", "second" }) {
        ASSERT_TRUE(PlaylistFile::writeAtomically(path, content).ok());
        ASSERT_TRUE(PlaylistFile::moveAside(path, when).ok());
    }
    EXPECT_EQ(PlaylistFile::read(dir.filePath("playlist.unreadable-20260304-050607.json")).value(), "first");
    EXPECT_EQ(PlaylistFile::read(dir.filePath("playlist.unreadable-20260304-050607-2.json")).value(), "second");
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(PlaylistFile::moveAside(path, when).ok());
}
