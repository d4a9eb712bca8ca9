// Pictures of the centre pane's states in both appearances, written only when
// CORVALE_TEST_ARTIFACTS names a folder: a playing clip with In before Out and the loop on, the
// split view with an offline output clip, the timeline hidden, the capture header, and the
// external output window.

#include "PlaybackScreenTestKit.h"
#include "kit/ScreenKit.h"
#include "playback_screen/ExternalPlaybackWindowController.h"
#include "playback_screen/PlayerFrameFeed.h"

#include <QPainter>
#include <QSignalSpy>

using namespace playback_screen;
using playback_screen_test::ScreenTest;

namespace {

// A frame with colour bars, so the letterboxing and scaling show.
media::Frame bars(int width, int height)
{
    media::MutableFrame frame(media::PixelFormat::BGRA, width, height);
    QImage image = frame.imageForPainting();
    QPainter painter(&image);
    const QColor colours[] = { Qt::white, Qt::yellow, Qt::cyan, Qt::green, Qt::magenta, Qt::red, Qt::blue };
    for (int i = 0; i < 7; ++i)
        painter.fillRect(QRectF(width * i / 7.0, 0, width / 7.0 + 1, height), colours[i]);
    painter.end();
    return std::move(frame).share();
}

class FrameScreenshotsTest : public ScreenTest {
protected:
    void shoot(QWidget* widget, const QString& scene, const QString& appearance)
    {
        settle();
        ui::screenkit::screenshot(widget, QStringLiteral("playback_frame_%1_%2").arg(scene, appearance));
    }
    // Puts a picture on the player and waits (bounded) until every view of it has its size.
    void present(media::FakeMediaPlayer& player, const media::Frame& frame)
    {
        auto feed = PlayerFrameFeed::forPlayer(&player, scheduler);
        QSignalSpy ready(&feed->cache(), &media::ScaledFrameCache::frameReady);
        player.presentFrame(frame);
        settle();
        ready.wait(2000);
        settle();
    }
};

TEST_F(FrameScreenshotsTest, CentrePaneStates)
{
    if (ui::screenkit::artifactsFolder().isEmpty())
        GTEST_SKIP() << "CORVALE_TEST_ARTIFACTS is not set";
    ui::screenkit::inBothAppearances([&](const QString& appearance) {
        view.reset();
        vm->deleteAllClips();
        showScreen(QSize(1520, 920));
        const QUuid clip = addClip(QStringLiteral("R1-SC7-T3-Cam1.mov"), false, 125.0);
        vm->seek(20.0, true);
        vm->setMarkIn();
        vm->seek(75.0, true);
        vm->setMarkOut();
        vm->setLoopInOut(true);
        vm->seek(48.0, true);
        vm->togglePlayPause();
        present(mainPlayer(), bars(1440, 1080));
        shoot(view.get(), "playing_in_out_loop", appearance);

        const QUuid offline = addClip(QStringLiteral("R1-SC7-T3-Cam2.mov"), true);
        vm->selectClipSingle(clip);
        vm->setSecondaryClip(offline);
        present(mainPlayer(), bars(1920, 1080));
        shoot(view.get(), "split_offline_output", appearance);

        vm->setSecondaryClip(std::nullopt);
        view->setShowTransportUI(false);
        shoot(view.get(), "timeline_hidden", appearance);
        view->setShowTransportUI(true);

        view->setCenterMode(CenterMode::capture);
        shoot(view.get(), "capture_header", appearance);
        view->setCenterMode(CenterMode::playback);

        auto& external = ExternalPlaybackWindowController::shared();
        external.show(*vm, *settings, scheduler);
        settle();
        external.window()->resize(640, 360);
        present(mainPlayer(), bars(1920, 1080));
        shoot(external.window(), "external_window", appearance);
        external.window()->close();
        view.reset();
    });
}

} // namespace
