#include "app/DialogPlaybackDialogs.h"

#include "ui/DialogService.h"

#include <QApplication>

namespace app {

DialogPlaybackDialogs::DialogPlaybackDialogs(ui::DialogService& dialogs)
    : dialogs_(dialogs)
{
}

void DialogPlaybackDialogs::chooseMovieFiles(
    const MovieFilesRequest& request, std::function<void(const QList<QUrl>&)> done)
{
    ui::OpenPanelRequest panel;
    panel.title = request.title;
    panel.nameFilters = request.nameFilters;
    panel.allowsMultipleSelection = request.allowsMultipleSelection;
    dialogs_.showOpenPanel(parent_.data(), panel, [done = std::move(done)](const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.push_back(QUrl::fromLocalFile(path));
        done(urls);
    });
}

void DialogPlaybackDialogs::chooseReportFile(
    const ReportFileRequest& request, std::function<void(const std::optional<QUrl>&)> done)
{
    ui::SavePanelRequest panel;
    panel.suggestedName = request.suggestedName;
    panel.nameFilters = request.nameFilters;
    dialogs_.showSavePanel(parent_.data(), panel, [done = std::move(done)](const std::optional<QString>& path) {
        done(path ? std::optional<QUrl>(QUrl::fromLocalFile(*path)) : std::nullopt);
    });
}

void DialogPlaybackDialogs::beep()
{
    QApplication::beep();
}

} // namespace app
