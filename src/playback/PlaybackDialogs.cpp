#include "playback/PlaybackDialogs.h"

namespace playback {

// The stand-in shows nothing, so nothing is ever chosen: the requests stay unanswered, which the
// engine treats as a panel still open.
void PlaybackDialogs::chooseMovieFiles(const MovieFilesRequest&, std::function<void(const QList<QUrl>&)>) { }

void PlaybackDialogs::chooseReportFile(const ReportFileRequest&, std::function<void(const std::optional<QUrl>&)>) { }

void PlaybackDialogs::beep() { }

void PlaybackDialogs::revealInFileManager(const QUrl&) { }

} // namespace playback
