// The viewer: which players and overlays it shows for the engine's state and its sizes, and a
// decoded picture that reaches a player view.

#include "PlaybackScreenTestKit.h"
#include "PlayerTestSupport.h"
#include "kit/ScreenKit.h"
#include "media/player/FFmpegMediaPlayer.h"
#include "media/player/PlayerItem.h"
#include "playback_screen/MainPane.h"
#include "playback_screen/OfflineOverlay.h"
#include "playback_screen/PictureArea.h"
#include "playback_screen/PlayerFrameFeed.h"
#include "playback_screen/PlayerView.h"
#include "playback_screen/ViewerContent.h"

#include <QSignalSpy>

using namespace playback_screen;
using playback_screen_test::ScreenTest;

namespace {

class ViewerTest : public ScreenTest {
protected:
    ViewerContent* viewer()
    {
        auto* pane = ui::screenkit::find<MainPane>(view.get(), "playbackMainPane");
        return pane ? qobject_cast<ViewerContent*>(pane->pictureArea()->current()) : nullptr;
    }
    int overlays() { return int(viewer()->findChildren<OfflineOverlay*>().size()); }
};

TEST_F(ViewerTest, LayoutFollowsTheEngine)
{
    showScreen();
    ASSERT_TRUE(viewer());
    EXPECT_EQ(viewer()->layout(), ViewerContent::Layout::single);
    EXPECT_EQ(viewer()->radius(), 14.0);
    EXPECT_EQ(viewer()->outerInset(), 2);
    const QRect frame = viewer()->frameRect();
    EXPECT_NEAR(double(frame.width() + 4) / (frame.height() + 4), 16.0 / 9.0, 0.02);

    const QUuid a = addClip(QStringLiteral("R1-SC1-T4-Cam1.mov"));
    const QUuid b = addClip(QStringLiteral("R1-SC1-T4-Cam2.mov"));
    const QUuid gone = addClip(QStringLiteral("R1-SC1-T5-Cam1.mov"), true);
    struct Case {
        std::optional<QUuid> selected, output;
        ViewerContent::Layout layout;
        int players, overlays;
    };
    const Case cases[] = {
        { a, std::nullopt, ViewerContent::Layout::single, 1, 0 },
        { gone, std::nullopt, ViewerContent::Layout::single, 0, 1 },
        { a, b, ViewerContent::Layout::split, 2, 0 },
        { a, gone, ViewerContent::Layout::split, 1, 1 },
        { gone, a, ViewerContent::Layout::split, 1, 1 },
    };
    for (const Case& c : cases) {
        vm->selectClipSingle(c.selected);
        vm->setSecondaryClip(c.output);
        settle();
        EXPECT_EQ(viewer()->layout(), c.layout);
        EXPECT_EQ(viewer()->playerViews().size(), c.players);
        EXPECT_EQ(overlays(), c.overlays);
    }
    // Split on an offline output: the left pane still plays the main player.
    vm->selectClipSingle(a);
    vm->setSecondaryClip(gone);
    settle();
    EXPECT_EQ(viewer()->playerViews().front()->player(), vm->player());

    // A take preview wins over the output clip; the row needs the collapsed sidebar.
    vm->setSecondaryClip(b);
    vm->previewTake(4);
    settle();
    EXPECT_EQ(viewer()->layout(), ViewerContent::Layout::take);
    EXPECT_FALSE(viewer()->isWideRow());
    sidebar->setCollapsed(true);
    settle();
    EXPECT_TRUE(viewer()->isWideRow());
    EXPECT_EQ(viewer()->frameRect(), viewer()->rect().adjusted(2, 2, -2, -2));

    ViewerContent mini(*view, true);
    EXPECT_EQ(mini.radius(), 10.0);
    EXPECT_EQ(mini.outerInset(), 1);
    EXPECT_FALSE(mini.isWideRow());
}

TEST(PlayerViewRealPlayer, DecodedFrameReachesTheViewAfterASeek)
{
    testclips::ClipSpec spec;
    const QString path = testclips::ClipLibrary::shared().path(QStringLiteral("viewer.mov"), spec);
    media::FFmpegMediaPlayer player;
    PlayerView view(platform::Scheduler::main(), &player);
    view.resize(320, 180);
    view.show();
    auto item = media::PlayerItem::create(QUrl::fromLocalFile(path));
    player.replaceCurrentItem(item);
    ASSERT_TRUE(testclips::waitUntilLoaded(*item));
    player.seek(media::MediaTime::fromSeconds(0.5));
    auto feed = PlayerFrameFeed::forPlayer(&player, platform::Scheduler::main());
    QSignalSpy ready(&feed->cache(), &media::ScaledFrameCache::frameReady);
    for (int i = 0; i < 40 && testclips::readFrameNumber(feed->frame()) != 12; ++i)
        ready.wait(250);
    EXPECT_EQ(testclips::readFrameNumber(feed->frame()), 12);
    EXPECT_EQ(feed->cache().scaledFrame(QSize(320, 180)).width(), 320);
}

} // namespace
