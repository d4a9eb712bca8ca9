// RecordViewModel: takes and recording control. Holds the pieces the capture side needs today
// (the default folder, stopping a slot's recording, the writer hand-off); the take sessions, file
// naming, timecode and the writer step complete them.

#include "capture/RecordViewModel.h"

#include "capture/MovieRecorder.h"
#include "platform/SerialQueue.h"
#include "platform/StandardFolders.h"

#include <QDir>

namespace capture {

QUrl RecordViewModel::defaultRecordingFolder() const
{
    const QString path = platform::applicationSupportDirectory() + QStringLiteral("/Corvale/Recordings");
    // A folder that cannot be made is reported by the writability probe at the next recording.
    QDir().mkpath(path);
    return QUrl::fromLocalFile(path);
}

bool RecordViewModel::anyRecordingActive() const
{
    for (bool recording : isRecordingFlags_) {
        if (recording)
            return true;
    }
    return false;
}

void RecordViewModel::stopRecording(int slot)
{
    if (!validSlot(slot))
        return;
    if (!isRecordingFlags_[slot] && !recorders_[slot])
        return;
    setIsRecording(slot, false);
    recorders_[slot].reset();
}

void RecordViewModel::queueWriterStep(int slot, const media::Frame& image, const TakeSession& session)
{
    writerQueues_[slot]->async([this, slot, image, session] { writeFrame(slot, image, session); });
}

void RecordViewModel::writeFrame(int, const media::Frame&, const TakeSession&) { }

} // namespace capture
