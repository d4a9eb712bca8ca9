#include "media/camera/CameraSession.h"

#include "media/camera/CameraV4L2Source.h"
#include "media/camera/SyntheticCamera.h"

#include <utility>

namespace media {

// What the source threads, the video queue and the session's callers share. Blocks on the video
// queue hold it by shared pointer, so they stay safe if the session goes first.
struct CameraSession::Shared {
    explicit Shared(platform::SerialQueue& queue, FrameHandler onFrame, EndHandler onEnded)
        : queue(queue)
        , onFrame(std::move(onFrame))
        , onEnded(std::move(onEnded))
    {
    }

    platform::SerialQueue& queue;
    const FrameHandler onFrame;
    const EndHandler onEnded;

    mutable std::mutex mutex;
    // Identifies the source whose frames count; every start, switch and stop moves it on, so a
    // retired source's frames and end are ignored.
    std::uint64_t token = 0;
    // The camera being switched to counts from the moment it opens, so that its first frames
    // are not lost while the switch completes.
    std::uint64_t incomingToken = 0;
    std::uint64_t nextToken = 1;
    bool running = false;
    std::optional<CameraDevice> device;
    std::optional<CameraMode> mode;
    Frame pending;
    std::uint64_t pendingToken = 0;
    bool deliveryQueued = false;
    std::uint64_t delivered = 0;
    std::uint64_t dropped = 0;

    bool accepts(std::uint64_t source) const { return source == token || (incomingToken && source == incomingToken); }

    static void offer(const std::shared_ptr<Shared>& self, std::uint64_t token, Frame frame)
    {
        std::lock_guard lock(self->mutex);
        if (!self->accepts(token))
            return;
        if (!self->pending.isNull())
            ++self->dropped;
        self->pending = std::move(frame);
        self->pendingToken = token;
        if (self->deliveryQueued)
            return;
        self->deliveryQueued = true;
        if (!self->queue.async([self] { deliver(self); })) {
            self->deliveryQueued = false; // the queue is shutting down: nobody will take it
            self->pending = {};
        }
    }

    static void deliver(const std::shared_ptr<Shared>& self)
    {
        Frame frame;
        {
            std::lock_guard lock(self->mutex);
            self->deliveryQueued = false;
            frame = std::exchange(self->pending, Frame());
            if (frame.isNull() || !self->accepts(self->pendingToken))
                return;
            ++self->delivered;
        }
        if (self->onFrame)
            self->onFrame(frame);
    }

    static void end(const std::shared_ptr<Shared>& self, std::uint64_t token, CameraError error)
    {
        // Behind any frame already queued, so the consumer sees the end after the last frame.
        self->queue.async([self, token, error] {
            {
                std::lock_guard lock(self->mutex);
                if (token != self->token || !self->running)
                    return;
                self->running = false;
                self->token = self->nextToken++; // nothing more from this source
                self->pending = {};
            }
            if (self->onEnded)
                self->onEnded(error);
        });
    }
};

CameraSession::CameraSession(platform::SerialQueue& videoQueue, FrameHandler onFrame, EndHandler onEnded,
    CameraDiscovery::Options options, platform::MediaClock& clock)
    : videoQueue_(videoQueue)
    , options_(std::move(options))
    , clock_(clock)
    , shared_(std::make_shared<Shared>(videoQueue, std::move(onFrame), std::move(onEnded)))
{
}

CameraSession::~CameraSession()
{
    stop();
}

std::optional<CameraDevice> CameraSession::resolve(const std::string& uniqueID) const
{
    return CameraDiscovery::find(uniqueID, options_);
}

platform::Result<std::unique_ptr<CameraSource>, CameraError> CameraSession::openSource(
    const CameraDevice& device, const CameraRequest& request, std::uint64_t token)
{
    std::weak_ptr<Shared> weak = shared_;
    CameraSink sink;
    sink.frame = [weak, token](Frame frame) {
        if (auto shared = weak.lock())
            Shared::offer(shared, token, std::move(frame));
    };
    sink.ended = [weak, token](CameraError error) {
        if (auto shared = weak.lock())
            Shared::end(shared, token, error);
    };
    if (device.isSynthetic()) {
        if (!SyntheticCamera::isPlugged(device.uniqueID))
            return platform::fail(CameraError::deviceGone);
        return std::unique_ptr<CameraSource>(std::make_unique<SyntheticCamera>(device, std::move(sink), clock_));
    }
    auto source = CameraV4L2Source::open(device, request, std::move(sink), clock_);
    if (!source)
        return platform::fail(source.error());
    return std::unique_ptr<CameraSource>(std::move(source).value());
}

platform::Result<void, CameraError> CameraSession::start(const std::string& uniqueID, const CameraRequest& request)
{
    const auto device = resolve(uniqueID);
    if (!device) {
        stop();
        return platform::fail(CameraError::deviceGone);
    }
    return start(*device, request);
}

platform::Result<void, CameraError> CameraSession::start(const CameraDevice& device, const CameraRequest& request)
{
    std::lock_guard control(controlMutex_);
    return startLocked(device, request);
}

std::uint64_t CameraSession::retireSourceLocked()
{
    std::uint64_t token;
    {
        // A new token first: whatever the old source still delivers is dropped by it.
        std::lock_guard lock(shared_->mutex);
        token = shared_->token = shared_->nextToken++;
        shared_->running = false;
        shared_->device.reset();
        shared_->mode.reset();
        shared_->pending = {};
    }
    if (source_) {
        source_->stop();
        source_.reset();
    }
    return token;
}

platform::Result<void, CameraError> CameraSession::startLocked(const CameraDevice& device, const CameraRequest& request)
{
    const std::uint64_t token = retireSourceLocked();
    request_ = request;
    auto source = openSource(device, request, token);
    if (!source)
        return platform::fail(source.error());
    source_ = std::move(source).value();
    std::lock_guard lock(shared_->mutex);
    shared_->running = true;
    shared_->device = device;
    shared_->mode = source_->mode();
    return {};
}

platform::Result<void, CameraError> CameraSession::switchTo(const std::string& uniqueID)
{
    const auto device = resolve(uniqueID);
    if (!device)
        return platform::fail(CameraError::deviceGone);
    return switchTo(*device);
}

platform::Result<void, CameraError> CameraSession::switchTo(const CameraDevice& device)
{
    std::lock_guard control(controlMutex_);
    return switchLocked(device);
}

platform::Result<void, CameraError> CameraSession::switchLocked(const CameraDevice& device)
{
    std::uint64_t token;
    {
        std::lock_guard lock(shared_->mutex);
        if (!shared_->running || !source_) {
            // Nothing to swap: start afresh with the request of the last start.
            token = 0;
        } else if (shared_->device && shared_->device->uniqueID == device.uniqueID) {
            return {};
        } else {
            token = shared_->incomingToken = shared_->nextToken++;
        }
    }
    if (token == 0)
        return startLocked(device, request_);

    auto source = openSource(device, request_, token);
    if (!source) {
        std::lock_guard lock(shared_->mutex);
        shared_->incomingToken = 0;
        return platform::fail(source.error()); // the old camera keeps streaming
    }
    {
        std::lock_guard lock(shared_->mutex);
        shared_->token = token;
        shared_->incomingToken = 0;
        shared_->running = true;
        shared_->device = device;
        shared_->mode = source.value()->mode();
    }
    std::swap(source_, source.value());
    source.value()->stop();
    return {};
}

void CameraSession::stop()
{
    {
        std::lock_guard control(controlMutex_);
        retireSourceLocked();
    }
    // Waits out a consumer call in progress; outside the control lock, so that a consumer that
    // stops the session from the video queue cannot deadlock with us.
    if (!videoQueue_.isCurrent())
        videoQueue_.sync([] {});
}

bool CameraSession::isRunning() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->running;
}

std::optional<CameraDevice> CameraSession::device() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->device;
}

std::optional<CameraMode> CameraSession::mode() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->mode;
}

std::uint64_t CameraSession::deliveredFrames() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->delivered;
}

std::uint64_t CameraSession::droppedFrames() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->dropped;
}

void CameraSession::waitUntilCurrent()
{
    std::lock_guard control(controlMutex_);
    if (source_)
        source_->waitUntilCurrent();
}

} // namespace media
