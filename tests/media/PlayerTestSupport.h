#pragma once

// Helpers for player tests: short test movies written with libav*, each picture carrying its
// frame number in the movie tests' pattern (movietest::counterPatternWhite); a folder of them
// shared by a test suite; and a waiter that blocks on a video output's frame notifications (never
// on a timer) until the frame at an item time satisfies a condition.

#include "media/frame/Frame.h"

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

enum class Codec { ProRes, H264 };

struct ClipSpec {
    Codec codec = Codec::ProRes;
    int rateNum = 25; // frames per second as rateNum / rateDen
    int rateDen = 1;
    int frames = 25;
    int width = 160;
    int height = 90;
    int gop = 0; // H.264 keyframe interval; 0: one second
    int rotation = 0; // clockwise degrees the picture is shown turned by
    bool interlaced = false;
};

// Writes a .mov; returns an empty string or the error.
QString writeClip(const QString& path, const ClipSpec& spec);

// The frame number drawn in a BGRA picture, or -1 when the blocks cannot be read.
int readFrameNumber(const media::Frame& frame);

// The frame a time falls in, for a clip of rateNum / rateDen frames per second.
int frameIndexAt(double seconds, const ClipSpec& spec);
double frameStart(int index, const ClipSpec& spec);

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
