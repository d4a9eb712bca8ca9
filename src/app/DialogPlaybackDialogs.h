#pragma once

// The playback engine's panels shown through the station's dialog service, over the main window.
//
// Main thread only.

#include "playback/PlaybackDialogs.h"

#include <QPointer>
#include <QWidget>

namespace ui {
class DialogService;
}

namespace app {

class DialogPlaybackDialogs final : public playback::PlaybackDialogs {
public:
    explicit DialogPlaybackDialogs(ui::DialogService& dialogs);

    // The window the panels are shown over (none: their own windows).
    void setParent(QWidget* parent) { parent_ = parent; }

    void chooseMovieFiles(const MovieFilesRequest& request, std::function<void(const QList<QUrl>&)> done) override;
    void chooseReportFile(
        const ReportFileRequest& request, std::function<void(const std::optional<QUrl>&)> done) override;
    void beep() override;

private:
    ui::DialogService& dialogs_;
    QPointer<QWidget> parent_;
};

} // namespace app
