// The take preview (tile order, master changes, the players it builds) and clip removal with
// offline detection, on fake players.

#include "PlaybackTestSupport.h"

#include "media/player/PlayerItem.h"

#include <QFile>
#include <QSignalSpy>

using playback::PlaybackViewModel;

namespace playback_test {

class TakePreviewTest : public ProjectEngineTest {
protected:
    // The take player of a tile when it holds the clip's file, else null.
    media::FakeMediaPlayer* takePlayerOf(const QUuid& id) const
    {
        auto* p = static_cast<media::FakeMediaPlayer*>(vm_->playerForTakeTile(id));
        const auto item = p->currentItem();
        return p != main() && item && item->url() == clip(id).url ? p : nullptr;
    }
    void removeFile(const QUuid& id) { ASSERT_TRUE(QFile::remove(clip(id).url.toLocalFile())); }
};

TEST_F(TakePreviewTest, OfflineMembersAndTheNoTakeGroup)
{
    // Clips without a take number are no take: asking for them ends a running preview, selects
    // nothing and builds no players.
    const QUuid x = add("x.mov");
    add("y.mov");
    add("R1-SC1-T7-Cam1.mov");
    add("R1-SC1-T7-Cam2.mov");
    vm_->previewTake(7);
    ASSERT_TRUE(vm_->isTakePreviewActive());
    const auto selected = vm_->selectedClipID();
    const std::size_t during = players_.size();
    vm_->previewTake(std::nullopt);
    EXPECT_TRUE(vm_->previewTakeClipIDs().isEmpty());
    EXPECT_FALSE(vm_->previewTake());
    EXPECT_EQ(vm_->selectedClipID(), selected);
    EXPECT_EQ(players_.size(), during);
    vm_->selectClipSingle(x);
    // A take with no online clip ends any preview but keeps the selection.
    vm_->previewTake(99);
    EXPECT_TRUE(vm_->previewTakeClipIDs().isEmpty());
    EXPECT_EQ(vm_->selectedClipID(), x);
    EXPECT_FALSE(program()->currentItem());
}

TEST_F(TakePreviewTest, RemovalRepairsPreviewSelectionAndOutput)
{
    add("R1-SC1-T4-Cam1.mov");
    const QUuid cam2 = add("R1-SC1-T4-Cam2.mov");
    const QUuid cam3 = add("R1-SC1-T4-Cam3.mov");
    const QUuid loose = add("loose.mov");
    vm_->previewTake(4);
    // The master goes: the first remaining previewed clip is selected, players rebuilt.
    vm_->deleteClips({ 0, 17, -1 }); // positions outside the list are skipped
    EXPECT_EQ(vm_->clips().size(), 3);
    EXPECT_EQ(vm_->selectedClipID(), cam2);
    EXPECT_EQ(vm_->previewTakeClipIDs(), (QList<QUuid> { cam2, cam3 }));
    ASSERT_TRUE(takePlayerOf(cam3));
    vm_->deleteClips({ 1 }); // cam3: one left, the preview ends
    EXPECT_FALSE(vm_->isTakePreviewActive());
    EXPECT_TRUE(vm_->previewTakeClipIDs().isEmpty());

    // The selected, playing clip that is also the output clip: stopped, both players emptied.
    vm_->setSecondaryClip(cam2);
    vm_->togglePlayPause();
    vm_->deleteSelectedClip();
    EXPECT_FALSE(vm_->selectedClipID());
    EXPECT_FALSE(vm_->secondaryClipID());
    EXPECT_FALSE(vm_->isPlaying());
    EXPECT_FALSE(main()->currentItem());
    EXPECT_FALSE(program()->currentItem());
    EXPECT_EQ(vm_->duration(), 0.0);
    EXPECT_TRUE(QFile::exists(project_ + "/R1-SC1-T4-Cam1.mov")); // media files stay
    EXPECT_FALSE(playlistText(project_).contains(cam2.toString(QUuid::WithoutBraces).toUpper().toUtf8()));
    EXPECT_FALSE(vm_->hasUnsavedChanges());

    // An empty position list still counts as an edit and saves.
    vm_->deleteClips({});
    EXPECT_TRUE(vm_->hasUnsavedChanges());
    vm_->flushPendingSaves();
    EXPECT_FALSE(vm_->hasUnsavedChanges());
    EXPECT_EQ(vm_->clips().size(), 1);
    EXPECT_EQ(vm_->clips().at(0).id, loose);

    // Emptying the list in project-selection mode writes nothing.
    vm_->enterProjectSelectionMode();
    vm_->setLoopInOut(true);
    vm_->addClipFromRecording(touch(project_, "late.mov"));
    vm_->deleteAllClips();
    EXPECT_TRUE(vm_->clips().isEmpty());
    EXPECT_FALSE(vm_->loopInOut());
    EXPECT_TRUE(vm_->hasUnsavedChanges());
    EXPECT_TRUE(playlistText(project_).contains("loose.mov"));
}

TEST_F(TakePreviewTest, OfflineDetectionPublishesOnceAndWithdrawsClips)
{
    const QUuid cam1 = add("R1-SC1-T4-Cam1.mov");
    const QUuid cam2 = add("R1-SC1-T4-Cam2.mov");
    const QUuid cam3 = add("R1-SC1-T4-Cam3.mov");
    const QUuid output = add("output.mov");
    vm_->previewTake(4);
    vm_->setSecondaryClip(output);
    ASSERT_TRUE(vm_->isTakePreviewActive());
    vm_->flushPendingSaves();

    QSignalSpy clipChanges(vm_.get(), &PlaybackViewModel::clipsChanged);
    QSignalSpy flagChanges(vm_.get(), &PlaybackViewModel::hasUnsavedChangesChanged);
    vm_->refreshOfflineStatus(); // all agree: nothing published
    EXPECT_EQ(clipChanges.count(), 0);
    EXPECT_EQ(flagChanges.count(), 0);

    // Three files vanish at once: one list change, the master stays selected but unloaded, the
    // output clip is cleared, the preview shrinks to one and ends.
    vm_->togglePlayPause();
    removeFile(cam1);
    removeFile(cam3);
    removeFile(output);
    vm_->refreshOfflineStatus();
    EXPECT_EQ(clipChanges.count(), 1);
    EXPECT_EQ(flagChanges.count(), 1);
    EXPECT_TRUE(clip(cam1).offline && clip(cam3).offline && clip(output).offline && !clip(cam2).offline);
    EXPECT_FALSE(vm_->isTakePreviewActive());
    EXPECT_EQ(vm_->selectedClipID(), cam1);
    EXPECT_FALSE(vm_->isPlaying());
    EXPECT_FALSE(main()->currentItem());
    EXPECT_FALSE(vm_->secondaryClipID());
    EXPECT_FALSE(program()->currentItem());
    EXPECT_FALSE(vm_->hasUnsavedChanges());

    // Playing an offline selection stops and empties; an offline clip can still be revealed.
    vm_->togglePlayPause();
    EXPECT_FALSE(vm_->isPlaying());
    vm_->revealInFinder(QUuid::createUuid());
    vm_->revealInFinder(std::nullopt);
    vm_->revealInFinder(output);
    EXPECT_EQ(dialogs_.reveals, std::vector<QUrl> { clip(output).url });
}

} // namespace playback_test
