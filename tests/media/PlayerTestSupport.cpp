#include "PlayerTestSupport.h"

#include "media/FFmpegSupport.h"
#include "media/player/PlayerItem.h"
#include "media/player/PlayerVideoOutput.h"

#include <QFile>
#include <QSignalSpy>

extern "C" {
#include <libavutil/log.h>
}

#include <chrono>
#include <cmath>

namespace testclips {

ClipLibrary& ClipLibrary::shared()
{
    static ClipLibrary library;
    static const bool quiet = [] {
        // After the media layer's own setting, which would otherwise raise it again: damaged
        // clips make the decoders complain on purpose.
        media::initializeFFmpeg();
        av_log_set_level(AV_LOG_FATAL);
        // Keeping the clips helps when a test fails: look at them with ffprobe.
        if (qEnvironmentVariableIsSet("CORVALE_KEEP_TEST_CLIPS"))
            library.dir_.setAutoRemove(false);
        return true;
    }();
    (void)quiet;
    return library;
}

QString ClipLibrary::path(const QString& name, const ClipSpec& spec)
{
    std::lock_guard lock(mutex_);
    const QString file = dir_.filePath(name + QStringLiteral(".mov"));
    if (!QFile::exists(file)) {
        const QString error = writeClip(file, spec);
        if (!error.isEmpty())
            qFatal("cannot write test clip %s: %s", qPrintable(name), qPrintable(error));
    }
    return file;
}

QString ClipLibrary::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = dir_.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

FrameWaiter::FrameWaiter(std::shared_ptr<media::PlayerVideoOutput> output)
    : output_(std::move(output))
{
    output_->setFrameAvailableHandler([this] {
        {
            std::lock_guard lock(mutex_);
            ++pushes_;
        }
        changed_.notify_all();
    });
}

FrameWaiter::~FrameWaiter()
{
    output_->setFrameAvailableHandler(nullptr);
}

media::Frame FrameWaiter::waitFor(double seconds, const std::function<bool(const media::Frame&)>& accept)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    media::Frame last;
    for (;;) {
        long seen = 0;
        {
            std::lock_guard lock(mutex_);
            seen = pushes_;
        }
        media::Frame frame = output_->copyFrameForItemTime(media::MediaTime::fromSeconds(seconds, 240000));
        if (frame)
            last = frame;
        if (frame && accept(frame))
            return frame;
        std::unique_lock lock(mutex_);
        if (!changed_.wait_until(lock, deadline, [&] { return pushes_ != seen; }))
            return last;
    }
}

media::Frame FrameWaiter::waitForFrameStarting(double seconds, double start)
{
    return waitFor(seconds, [start](const media::Frame& f) { return std::fabs(f.presentationTime() - start) < 1e-6; });
}

bool waitUntilLoaded(media::PlayerItem& item)
{
    if (item.status() != media::PlayerItem::Status::Unknown)
        return true;
    QSignalSpy spy(&item, &media::PlayerItem::statusChanged);
    return spy.wait(10000) || item.status() != media::PlayerItem::Status::Unknown;
}

} // namespace testclips
