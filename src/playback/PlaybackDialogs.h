#pragma once

// What the playback engine asks of the user outside the playback screen: movie files to add, where
// to write the good-takes report, showing a file in the file manager, and the beep that answers an action with nothing
// to do. The application hands the engine an implementation over its dialog service; this base class is the stand-in
// for a station without one (and for tests that never answer): nothing is shown, nothing is chosen, and the beep is
// silent.
//
// Threads: main thread only; answers arrive later on the main thread, never inside the request.

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

namespace playback {

class PlaybackDialogs {
public:
    struct MovieFilesRequest {
        QString title;
        QStringList nameFilters; // e.g. "Movies (*.mov *.mp4 *.m4v *.mxf)"
        bool allowsMultipleSelection = true;
    };
    struct ReportFileRequest {
        QString suggestedName;
        QStringList nameFilters; // e.g. "CSV (*.csv)"
    };

    virtual ~PlaybackDialogs() = default;

    // `done` gets the chosen files in the panel's order; none chosen (cancelled) is an empty list.
    virtual void chooseMovieFiles(const MovieFilesRequest& request, std::function<void(const QList<QUrl>&)> done);
    // `done` gets the chosen file, none when cancelled.
    virtual void chooseReportFile(
        const ReportFileRequest& request, std::function<void(const std::optional<QUrl>&)> done);
    virtual void beep();
    // Opens the file manager on the file's folder with the file selected (also for a file that is
    // missing: what the file manager shows then is its affair).
    virtual void revealInFileManager(const QUrl& file);
};

} // namespace playback
