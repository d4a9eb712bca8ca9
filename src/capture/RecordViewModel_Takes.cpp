// RecordViewModel: take sessions (the slate every recording of a take shares), the recording
// folder with its access and writability probe, and the names of the movie files. Main thread.

#include "capture/ClipNaming.h"
#include "capture/RecordViewModel.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/StandardFolders.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace capture {

QUrl RecordViewModel::defaultRecordingFolder() const
{
    const QString path = platform::applicationSupportDirectory() + QStringLiteral("/Corvale/Recordings");
    // A folder that cannot be made is reported by the writability probe at the next recording.
    QDir().mkpath(path);
    return QUrl::fromLocalFile(path);
}

void RecordViewModel::openTakeSession()
{
    TakeSession session;
    session.timecodeMode = settings_.timecodeMode();
    session.startedAt = QDateTime::currentDateTime();
    session.reel = reel_;
    session.scene = scene_;
    session.take = take_;
    session.startedAtSecondsSinceMidnight = secondsSinceMidnight(session.startedAt);
    activeTakeSession_ = session;
    segmentsPerInput_.fill(0);
    publishRoadState();
}

void RecordViewModel::setOutputPathDisplay(const QString& path)
{
    assign(outputPathDisplay_, path, &RecordViewModel::outputPathDisplayChanged);
}

void RecordViewModel::setOutputFolderURL(const std::optional<QUrl>& folder)
{
    Q_ASSERT(platform::isMainThread());
    endAccessingOutputFolderIfNeeded();
    const QUrl chosen = folder ? *folder : defaultRecordingFolder();
    outputFolderURL_ = chosen;
    emit outputFolderURLChanged();
    setOutputPathDisplay(chosen.toLocalFile());
}

bool RecordViewModel::startAccessingFolder(const QUrl&)
{
    return false;
}

void RecordViewModel::stopAccessingFolder(const QUrl&) { }

void RecordViewModel::beginAccessingOutputFolderIfNeeded()
{
    if (outputFolderAccessing_ || !outputFolderURL_)
        return;
    // A refusal is no failure: a folder that needs no scope may still be writable.
    if (!startAccessingFolder(*outputFolderURL_))
        return;
    outputFolderAccessing_ = true;
    outputFolderAccessURL_ = outputFolderURL_;
}

void RecordViewModel::endAccessingOutputFolderIfNeeded()
{
    if (!outputFolderAccessing_ || !outputFolderAccessURL_)
        return;
    stopAccessingFolder(*outputFolderAccessURL_);
    outputFolderAccessing_ = false;
    outputFolderAccessURL_.reset();
}

bool RecordViewModel::ensureWritableOutputFolder()
{
    const QString folder = (outputFolderURL_ ? *outputFolderURL_ : defaultRecordingFolder()).toLocalFile();
    if (folder.isEmpty())
        return false;
    if (!QFileInfo::exists(folder) && !QDir().mkpath(folder))
        return false;
    const QString probe = QDir(folder).filePath(QStringLiteral(".corvale_write_test"));
    QSaveFile file(probe);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(1, '\0')) != 1 || !file.commit())
        return false;
    QFile::remove(probe);
    return true;
}

QString RecordViewModel::makeClipTag(int slot, int segment) const
{
    if (!validSlot(slot))
        return {};
    return ClipNaming::makeClipTag(slateReel_[slot].value_or(reel_), slateScene_[slot].value_or(scene_),
        slateTake_[slot].value_or(take_), slot, segment, QDate::currentDate());
}

std::optional<QUrl> RecordViewModel::nextRecordingURL(int slot, int segment) const
{
    if (!validSlot(slot))
        return std::nullopt;
    return ClipNaming::nextFreeURL(
        outputFolderURL_ ? *outputFolderURL_ : defaultRecordingFolder(), makeClipTag(slot, segment));
}

void RecordViewModel::clearRecordingOfSlot(int slot)
{
    slateReel_[slot].reset();
    slateScene_[slot].reset();
    slateTake_[slot].reset();
    currentRecordingURLs_[slot].reset();
    recordingFPSLabel_[slot].reset();
    setRecordingFPSInt(slot, std::nullopt);
}

void RecordViewModel::handleStopAndMaybeAdvanceTakeIfAllStopped()
{
    if (!activeTakeSession_ || anyRecordingActive() || pendingFinishCount_ != 0)
        return;
    bool recorded = false;
    for (int segments : segmentsPerInput_)
        recorded = recorded || segments > 0;
    activeTakeSession_.reset();
    publishRoadState();
    for (int slot = 0; slot < kInputSlotCount; ++slot) {
        clearRecordingOfSlot(slot);
        setCurrentTimecode(slot, QStringLiteral("00:00:00:00"));
    }
    segmentsPerInput_.fill(0);
    if (recorded)
        setTake(take_ + 1);
    endAccessingOutputFolderIfNeeded();
}

} // namespace capture
