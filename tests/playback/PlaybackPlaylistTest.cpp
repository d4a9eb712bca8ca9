// The engine's lifecycle and its playlist file: project-selection mode, saving and loading in
// project folders, unreadable files, and following the recording folder setting.

#include "PlaybackTestSupport.h"

#include "playback/PlaylistFile.h"

#include <QDir>
#include <QFile>

using playback::PlaylistFile;

namespace playback_test {

namespace {

QByteArray playlistWith(const QUrl& url, const char* id, const char* selected = nullptr)
{
    QByteArray text = QByteArray(R"({"clips":[{"id":")") + id + R"(","url":")" + url.toEncoded()
        + R"(","title":"t","duration":4,"markIn":1}])";
    if (selected)
        text += QByteArray(R"(,"selectedClipID":")") + selected + "\"";
    return text + "}";
}

} // namespace

TEST_F(EngineTest, PlaylistRoundTripsThroughTheProjectFolder)
{
    const QString project = folder("project");
    openProject(project);
    EXPECT_FALSE(vm_->isProjectSelectionMode());
    vm_->saveState();
    EXPECT_EQ(playlistText(project), R"({"clips":[]})");

    const QUrl first = touch(project, "R1-SC2-T3-Cam1-2025-01-31.mov");
    const QUrl second = touch(project, "R1-SC2-T3-Cam2-2025-01-31.mov");
    vm_->addClipFromRecording(first);
    vm_->addClipFromRecording(second);
    vm_->toggleGoodClip(vm_->clips().at(0).id);
    vm_->flushPendingSaves();
    EXPECT_FALSE(vm_->hasUnsavedChanges());
    const QList<playback::ClipItem> saved = vm_->clips();

    // Back to the library and in again: the file brings the same clips and selection back.
    vm_->enterProjectSelectionMode();
    EXPECT_TRUE(vm_->clips().isEmpty());
    EXPECT_FALSE(vm_->playlistFolderURL().has_value());
    vm_->exitProjectSelectionMode();
    ASSERT_EQ(vm_->clips(), saved);
    EXPECT_TRUE(saved.at(0).isGood);
    EXPECT_EQ(vm_->selectedClipID(), saved.at(1).id);
    EXPECT_FALSE(vm_->hasUnsavedChanges());
    // Online clips get their thumbnail and format again.
    EXPECT_EQ(loader_->thumbnails.size(), 4u);
}

TEST_F(EngineTest, UnreadablePlaylistIsMovedAsideBeforeAnythingOverwritesIt)
{
    const QString project = folder("project");
    // A clip without a title: one broken record fails the whole file. Copies never overwrite
    // one another (the playlist file's tests).
    const QByteArray broken
        = "{\"clips\":[{\"id\":\"00000000-0000-0000-0000-000000000001\",\"url\":\"file:///a.mov\",\"duration\":1}]}";
    writeFile(project + "/playlist.json", broken);
    openProject(project);
    EXPECT_TRUE(vm_->clips().isEmpty());
    EXPECT_FALSE(QFile::exists(project + "/playlist.json"));
    vm_->saveState();
    EXPECT_EQ(playlistText(project), R"({"clips":[]})");
    const QStringList kept = QDir(project).entryList({ "playlist.unreadable-*.json" }, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(PlaylistFile::read(QDir(project).filePath(kept[0])).value(), broken);
}

TEST_F(EngineTest, MissingProjectFolderIsCreatedAndAFailedSaveLosesNothing)
{
    const QString project = dir_.filePath("new/deeper");
    openProject(project);
    EXPECT_TRUE(QFileInfo(project).isDir());
    EXPECT_TRUE(vm_->clips().isEmpty());

    vm_->addClipFromRecording(touch(project, "a.mov"));
    const QByteArray before = playlistText(project);
    EXPECT_FALSE(vm_->hasUnsavedChanges());
    {
        FileSizeLimit full(before.size() - 1);
        vm_->addClipFromRecording(touch(project, "b.mov"));
        vm_->flushPendingSaves();
    }
    EXPECT_TRUE(vm_->hasUnsavedChanges());
    EXPECT_EQ(playlistText(project), before);
    vm_->saveState();
    vm_->flushPendingSaves();
    EXPECT_FALSE(vm_->hasUnsavedChanges());
    EXPECT_EQ(PlaylistFile::decode(playlistText(project)).value().clips.size(), 2);
}

TEST_F(EngineTest, FolderChangeSavesIntoTheOldFolderThenLoadsTheNewOne)
{
    const QString a = folder("a");
    const QString b = folder("b");
    const QUrl inB = touch(b, "b.mov");
    writeFile(b + "/playlist.json", playlistWith(inB, "00000000-0000-0000-0000-00000000000B"));
    openProject(a);
    vm_->addClipFromRecording(touch(a, "a.mov"));
    const QUuid inA = vm_->clips().at(0).id;
    vm_->flushPendingSaves();
    QFile::remove(a + "/playlist.json"); // the save on leaving must write it again

    // The same folder announced again changes and saves nothing.
    settings_->setRecordingFolderPath(a);
    drainEvents();
    EXPECT_EQ(playlistText(a), QByteArray());

    settings_->setRecordingFolderPath(b);
    drainEvents();
    EXPECT_EQ(vm_->playlistFolderURL(), QUrl::fromLocalFile(b + "/"));
    ASSERT_EQ(vm_->clips().size(), 1);
    EXPECT_EQ(vm_->clips().at(0).url, inB);
    const auto old = PlaylistFile::decode(playlistText(a));
    ASSERT_TRUE(old.ok());
    ASSERT_EQ(old->clips.size(), 1);
    EXPECT_EQ(old->clips.at(0).id, inA);
}

} // namespace playback_test
