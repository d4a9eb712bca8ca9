// The external output window: its frame on small and large screens, one window reused and put
// back in place, the setting choosing the player, and an application that still quits.

#include "PlaybackScreenTestKit.h"
#include "playback_screen/ExternalPlaybackView.h"
#include "playback_screen/ExternalPlaybackWindowController.h"
#include "playback_screen/PlayerView.h"

#include <QApplication>
#include <QTimer>

using namespace playback_screen;
using playback_screen_test::ScreenTest;

namespace {

TEST(ExternalWindowFrame, FitsAndCentresInTheAvailableArea)
{
    using C = ExternalPlaybackWindowController;
    EXPECT_EQ(C::frameFor(QRect(0, 25, 1920, 1050)), QRect(320, 190, 1280, 720));
    EXPECT_EQ(C::frameFor(QRect(100, 0, 1024, 600)), QRect(100, 0, 1024, 600));
    EXPECT_EQ(C::frameFor(std::nullopt), std::nullopt);
}

class ExternalWindowTest : public ScreenTest { };

TEST_F(ExternalWindowTest, OneWindowFollowsTheSettingAndNeverHoldsTheAppOpen)
{
    auto& controller = ExternalPlaybackWindowController::shared();
    controller.show(*vm, *settings, scheduler);
    EXPECT_FALSE(controller.window()); // made on the next turn
    settle();
    auto* window = qobject_cast<ExternalPlaybackView*>(controller.window());
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "HDMI Output");
    EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_EQ(window->playerView()->player(), vm->player());
    settings->setHdmiOutFollowsPreview(false);
    EXPECT_EQ(window->playerView()->player(), vm->programPlayer());

    // Closed and moved, it comes back as the same window, in place again.
    const QRect placed = window->frameGeometry();
    window->close();
    window->move(placed.topLeft() + QPoint(40, 40));
    controller.show(*vm, *settings, scheduler);
    controller.show(*vm, *settings, scheduler);
    settle();
    EXPECT_EQ(controller.window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->frameGeometry(), placed);

    // Closing the last other window still ends the application's event loop.
    QWidget main;
    main.show();
    QTimer::singleShot(0, &main, [&main] { main.close(); });
    QTimer safety; // an upper bound only
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, qApp, &QApplication::quit);
    safety.start(10000);
    QApplication::exec();
    EXPECT_TRUE(safety.isActive());

    // The window goes with its view model.
    vm.reset();
    EXPECT_FALSE(controller.window());
}

} // namespace
