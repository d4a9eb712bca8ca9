// The take multi-view's tiles over the playback engine on fake players (master marking, clicks,
// tiles kept across publishes).

#include "playback_screen/TakeMultiView.h"
#include "PlaybackScreenTestKit.h"
#include "kit/ScreenKit.h"
#include "playback_screen/TakeGridLayout.h"

#include <QFile>

using namespace playback_screen;
namespace kit = ui::screenkit;

namespace {

class TakeMultiViewTest : public playback_screen_test::ScreenTest {
protected:
    void show(bool isMini, bool wideRow)
    {
        TakeTilePictures pictures {
            [this](QWidget* parent) {
                ++playerViewsMade;
                return new QWidget(parent);
            },
            [this](QWidget* view, media::MediaPlayer* player) { shown[view] = player; },
            [this](bool big, QWidget* parent) {
                offlineCards.push_back(big);
                return new QWidget(parent);
            },
        };
        multi = std::make_unique<TakeMultiView>(*vm, std::move(pictures), isMini, wideRow, 14.0);
        multi->resize(806, 302);
        multi->show();
        QApplication::processEvents();
    }
    QList<QUuid> order()
    {
        QList<QUuid> ids;
        for (TakeTile* tile : multi->tiles())
            ids.append(tile->clipID());
        return ids;
    }
    void TearDown() override
    {
        multi.reset();
        ScreenTest::TearDown();
    }

    int playerViewsMade = 0;
    std::map<QWidget*, media::MediaPlayer*> shown;
    std::vector<bool> offlineCards;
    std::unique_ptr<TakeMultiView> multi;
};

} // namespace

TEST_F(TakeMultiViewTest, MasterClicksAndTilesThatSurvivePublishes)
{
    const QUuid cam2 = addClip("R1-SC1-T4-Cam2.mov");
    const QUuid cam1 = addClip("R1-SC1-T4-Cam1.mov");
    const QUuid plain = addClip("R1-SC1-T4-x.mov"); // no camera number: first, labelled "Cam"
    vm->previewTake(4);
    show(false, false);
    ASSERT_EQ(order(), (QList<QUuid> { plain, cam1, cam2 }));
    EXPECT_EQ(multi->cellRects().size(), 4);
    const QList<TakeTile*> tiles = multi->tiles();
    EXPECT_EQ(tiles[0]->cameraText(), "Cam");
    EXPECT_EQ(tiles[2]->cameraText(), "Cam 2");
    EXPECT_TRUE(tiles[0]->isMaster());
    EXPECT_EQ(tiles[0]->borderWidth(), 3);
    EXPECT_FALSE(tiles[0]->masterBadgeRect().isNull());
    EXPECT_EQ(tiles[1]->borderWidth(), 0);
    EXPECT_TRUE(tiles[1]->masterBadgeRect().isNull());
    EXPECT_EQ(shown[tiles[0]->playerView()], vm->player()); // the master plays in the main player
    EXPECT_NE(shown[tiles[1]->playerView()], vm->player());

    // A click makes the clip the master and moves it first; no tile or player view is made anew.
    kit::click(tiles[2]);
    settle();
    multi->refresh();
    EXPECT_EQ(order(), (QList<QUuid> { cam2, plain, cam1 }));
    EXPECT_EQ(vm->selectedClipID(), cam2);
    EXPECT_EQ(multi->tiles()[0], tiles[2]);
    EXPECT_TRUE(tiles[2]->isMaster() && !tiles[0]->isMaster());
    EXPECT_EQ(shown[tiles[2]->playerView()], vm->player());
    EXPECT_EQ(playerViewsMade, 3);

    // A file gone missing leaves the preview; a tile told its clip is offline shows the offline card.
    ASSERT_TRUE(QFile::remove(vm->clips()[1].url.toLocalFile()));
    vm->refreshOfflineStatus();
    multi->refresh();
    EXPECT_EQ(order(), (QList<QUuid> { cam2, plain }));
    tiles[2]->setContent(nullptr, true, 2);
    EXPECT_TRUE(tiles[2]->isOffline() && !tiles[2]->playerView());
    EXPECT_EQ(offlineCards, std::vector<bool> { true });

    multi->setHideHUD(true);
    EXPECT_EQ(tiles[2]->borderWidth(), 0);
    EXPECT_TRUE(tiles[2]->labelRect().isNull());
}
