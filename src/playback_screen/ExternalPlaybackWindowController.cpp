#include "playback_screen/ExternalPlaybackWindowController.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "playback/PlaybackViewModel.h"
#include "playback_screen/ExternalPlaybackView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace playback_screen {

ExternalPlaybackWindowController& ExternalPlaybackWindowController::shared()
{
    static ExternalPlaybackWindowController controller;
    return controller;
}

std::optional<QRect> ExternalPlaybackWindowController::frameFor(const std::optional<QRect>& available)
{
    if (!available)
        return std::nullopt;
    const int width = std::min(available->width(), preferredWidth);
    const int height = std::min(available->height(), preferredHeight);
    const QPoint centre = available->topLeft() + QPoint(available->width() / 2, available->height() / 2);
    return QRect(centre.x() - width / 2, centre.y() - height / 2, width, height);
}

void ExternalPlaybackWindowController::show(
    playback::PlaybackViewModel& viewModel, settings::AppSettings& settings, platform::Scheduler& scheduler)
{
    Q_ASSERT(platform::isMainThread());
    QPointer<playback::PlaybackViewModel> model(&viewModel);
    platform::runOnMain(&viewModel, [this, model, &settings, &scheduler] {
        if (model)
            showNow(*model, settings, scheduler);
    });
}

void ExternalPlaybackWindowController::showNow(
    playback::PlaybackViewModel& viewModel, settings::AppSettings& settings, platform::Scheduler& scheduler)
{
    if (window_) {
        dlog("✅ HDMI window already exists");
        moveWindowToVisibleArea(window_);
    } else {
        auto* window = new ExternalPlaybackView(viewModel, settings, scheduler);
        window->setWindowTitle(QStringLiteral("HDMI Output"));
        window->setAttribute(Qt::WA_QuitOnClose, false);
        window->resize(preferredWidth, preferredHeight);
        // The window belongs to the view model it shows.
        QObject::connect(&viewModel, &QObject::destroyed, window, [window] { delete window; });
        moveWindowToVisibleArea(window);
        window_ = window;
        dlog("✅ HDMI window created");
    }
    window_->show();
    // Placed again once shown: only a shown window knows the size of its title bar.
    moveWindowToVisibleArea(window_);
    window_->raise();
    window_->activateWindow();
    dlog("✅ HDMI window visible =", window_->isVisible(), "frame =", window_->frameGeometry());
}

void ExternalPlaybackWindowController::moveWindowToVisibleArea(QWidget* window)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const std::optional<QRect> frame = frameFor(screen ? std::optional(screen->availableGeometry()) : std::nullopt);
    if (!frame) {
        return;
    }
    // The frame includes the title bar: the content gets what the decorations leave.
    const QSize decorations = window->frameGeometry().size() - window->geometry().size();
    window->resize(frame->size() - decorations);
    window->move(frame->topLeft());
}

} // namespace playback_screen
