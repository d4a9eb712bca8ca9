#include "capture/OutputCadencePump.h"

#include "platform/DebugLog.h"

#include <cmath>

namespace capture {

OutputCadencePump::OutputCadencePump(
    platform::SerialQueue& outputQueue, platform::SerialQueue& frameStateQueue, Hooks hooks)
    : outputQueue_(outputQueue)
    , frameStateQueue_(frameStateQueue)
    , hooks_(std::move(hooks))
{
}

void OutputCadencePump::enqueue(const media::Frame& frame, std::uint64_t generation)
{
    if (frame.isNull())
        return;
    frameStateQueue_.async([this, frame, generation] {
        if (generation != generation_.load())
            return;
        pending_.push_back(frame);
        while (pending_.size() > pendingFrameLimit)
            pending_.pop_front();
    });
}

std::size_t OutputCadencePump::pendingCount() const
{
    std::size_t count = 0;
    frameStateQueue_.sync([&] { count = pending_.size(); });
    return count;
}

void OutputCadencePump::start(double fps)
{
    Q_ASSERT(outputQueue_.isCurrent());
    if (timer_ && std::abs(fps_ - fps) < 0.01)
        return;
    stop();
    const double interval = std::max(1.0 / fps, 1.0 / 120.0);
    timer_ = outputQueue_.scheduleRepeating(interval, [this] { tick(); });
    fps_ = fps;
    dlog(QString::asprintf("⏱️ Output cadence pump started: %.3f fps", fps));
}

void OutputCadencePump::stop()
{
    Q_ASSERT(outputQueue_.isCurrent());
    if (timer_)
        outputQueue_.cancel(timer_);
    timer_ = 0;
    fps_ = 0;
}

void OutputCadencePump::tick()
{
    Q_ASSERT(outputQueue_.isCurrent());
    if (tickObserver_)
        tickObserver_();
    if (!hooks_.isOutputOn())
        return;
    media::Frame frame;
    bool isNew = false;
    frameStateQueue_.sync([&] {
        if (pending_.empty()) {
            frame = lastTaken_;
            return;
        }
        frame = std::move(pending_.front());
        pending_.pop_front();
        lastTaken_ = frame;
        isNew = true;
    });
    if (frame.isNull())
        return;
    hooks_.beforeSend();
    if (isNew || lastPrepared_.isNull())
        lastPrepared_ = hooks_.prepare(frame);
    hooks_.send(lastPrepared_);
}

void OutputCadencePump::clear()
{
    Q_ASSERT(!outputQueue_.isCurrent() && !frameStateQueue_.isCurrent());
    generation_.fetch_add(1);
    frameStateQueue_.sync([this] {
        pending_.clear();
        lastTaken_ = {};
    });
    outputQueue_.async([this] { lastPrepared_ = {}; });
}

} // namespace capture
