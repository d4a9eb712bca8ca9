// WebRTCSessionManager: frames offered by the producers. The gate reads the routing snapshot the
// main thread publishes; images are drawn into pooled buffers on the frame queue; everything else
// goes straight to the slot's injector.

#include "remote/webrtc/FrameInjectorCapturer.h"
#include "remote/webrtc/PixelPoolCache.h"
#include "remote/webrtc/WebRTCSessionManager.h"

#include <cmath>

namespace remote {

void WebRTCSessionManager::publishRouting()
{
    Q_ASSERT(platform::isMainThread());
    auto routing = std::make_shared<Routing>();
    routing->live = state_ != State::idle;
    routing->sources = activeSources_;
    routing->injectors = injectors_;
    std::lock_guard lock(routingMutex_);
    routing_ = std::move(routing);
}

std::shared_ptr<FrameInjectorCapturer> WebRTCSessionManager::gate(int inputIndex, ActiveSource source) const
{
    std::shared_ptr<const Routing> routing;
    {
        std::lock_guard lock(routingMutex_);
        routing = routing_;
    }
    if (!routing || !routing->live || inputIndex < 0 || inputIndex >= trackCount)
        return nullptr;
    const auto slot = std::size_t(inputIndex);
    if (routing->sources[slot] != source)
        return nullptr;
    return routing->injectors[slot];
}

std::int64_t WebRTCSessionManager::timeStampNs(std::optional<double> time, const platform::MediaClock& clock)
{
    // 2^63: the first nanosecond count a signed 64-bit integer cannot hold.
    constexpr double limit = 9223372036854775808.0;
    const auto fits = [&](double nanoseconds) { return nanoseconds >= -limit && nanoseconds < limit; };
    if (time && std::isfinite(*time)) {
        const double nanoseconds = std::trunc(*time * 1e9);
        if (fits(nanoseconds))
            return std::int64_t(nanoseconds);
    }
    const double host = std::trunc(clock.now() * 1e9);
    return fits(host) ? std::int64_t(host) : 0;
}

void WebRTCSessionManager::push(
    const media::Frame& frame, int inputIndex, ActiveSource source, std::optional<double> time)
{
    if (auto injector = gate(inputIndex, source))
        injector->push(frame, timeStampNs(time, *options_.clock));
}

void WebRTCSessionManager::push(const media::Frame& frame, ActiveSource source, std::optional<double> time)
{
    push(frame, 0, source, time);
}

void WebRTCSessionManager::push(const media::Frame& frame, std::optional<double> time)
{
    push(frame, 0, ActiveSource::deckLink, time);
}

void WebRTCSessionManager::push(const QImage& image, int inputIndex, ActiveSource source, std::optional<double> time)
{
    auto injector = gate(inputIndex, source);
    if (!injector)
        return;
    const std::int64_t stamp = timeStampNs(time, *options_.clock);
    // The injector and the pools travel with the image: one queued before a stop still reaches
    // the injector it was meant for.
    frameQueue_.async([pools = poolCache_, injector = std::move(injector), image, inputIndex, stamp] {
        const int width = image.width();
        const int height = image.height();
        if (width < 1 || height < 1)
            return;
        if (GstBufferPtr buffer = pools->makePixelBuffer(image, width, height, inputIndex))
            injector->push(std::move(buffer), width, height, stamp);
    });
}

void WebRTCSessionManager::push(const QImage& image, ActiveSource source, std::optional<double> time)
{
    push(image, 0, source, time);
}

void WebRTCSessionManager::push(const QImage& image, std::optional<double> time)
{
    push(image, 0, ActiveSource::deckLink, time);
}

void WebRTCSessionManager::drainFrameQueue()
{
    frameQueue_.sync([] {});
}

} // namespace remote
