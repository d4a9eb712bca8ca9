#pragma once

// Helpers for player tests: a folder of generated clips shared by a test suite, and a waiter
// that blocks on a video output's frame notifications (never on a timer) until the frame at an
// item time satisfies a condition.

#include "PlayerClipSupport.h"
#include "media/Frame.h"

#include <QString>
#include <QTemporaryDir>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace media {
class PlayerItem;
class PlayerVideoOutput;
} // namespace media

namespace testclips {

// Writes each clip once per process into a temporary folder.
class ClipLibrary {
public:
    static ClipLibrary& shared();
    // The path of a clip made from `spec` under `name` (written on first request).
    QString path(const QString& name, const ClipSpec& spec);
    QString folder() const { return dir_.path(); }
    // A file of these bytes in the folder (for what is not a movie); returns its path.
    QString writeFile(const QString& name, const QByteArray& bytes);

private:
    QTemporaryDir dir_;
    std::mutex mutex_;
};

class FrameWaiter {
public:
    explicit FrameWaiter(std::shared_ptr<media::PlayerVideoOutput> output);
    ~FrameWaiter();

    // Copies the output's frame at `seconds` until `accept` takes it or ten seconds pass (then the
    // last frame seen, possibly null, is returned).
    media::Frame waitFor(double seconds, const std::function<bool(const media::Frame&)>& accept);
    // Waits for the frame that starts at `start` (a seek or playback result).
    media::Frame waitForFrameStarting(double seconds, double start);

private:
    std::shared_ptr<media::PlayerVideoOutput> output_;
    std::mutex mutex_;
    std::condition_variable changed_;
    long pushes_ = 0;
};

// Waits (processing events) until the item leaves the unknown status; false on timeout.
bool waitUntilLoaded(media::PlayerItem& item);

} // namespace testclips
