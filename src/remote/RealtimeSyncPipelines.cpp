#include "remote/RealtimeSyncPipelines.h"

#include "platform/MainThread.h"
#include "remote/CaptureRemotePort.h"
#include "remote/RemoteStateBroadcaster.h"

namespace remote {

namespace {

bool drivesClock(PlaybackRemotePort::Property property)
{
    using Property = PlaybackRemotePort::Property;
    switch (property) {
    case Property::currentTime:
    case Property::isPlaying:
    case Property::duration:
    case Property::selectedClipID:
    case Property::secondaryClipID:
    case Property::previewTake:
    case Property::previewTakeClipIDs:
        return true;
    default:
        return false;
    }
}

bool drivesState(PlaybackRemotePort::Property property)
{
    using Property = PlaybackRemotePort::Property;
    return property != Property::currentTime && property != Property::duration;
}

} // namespace

RealtimeSyncPipelines::RealtimeSyncPipelines(Services services)
    : services_(std::move(services))
{
}

RealtimeSyncPipelines::~RealtimeSyncPipelines()
{
    teardown();
}

void RealtimeSyncPipelines::setupRealtimeSyncPipelines()
{
    Q_ASSERT(platform::isMainThread());
    teardown();
    connections_.push_back(QObject::connect(
        &services_.playback, &PlaybackRemotePort::propertyAssigned, [this](PlaybackRemotePort::Property property) {
            if (drivesClock(property))
                clockSignal();
            if (drivesState(property))
                stateSignal();
        }));
    connections_.push_back(
        QObject::connect(&services_.capture, &CaptureRemotePort::activeInputCountAssigned, [this](int count) {
            stateSignal();
            inputCountAssigned(count);
        }));
    connections_.push_back(
        QObject::connect(&services_.capture, &CaptureRemotePort::outputColorModeAssigned, [this] { stateSignal(); }));
    // The playhead's and the input count's current values count as their first assignments.
    nextPass([this] { clockSignal(); });
    inputCountAssigned(services_.capture.activeInputCount());
}

void RealtimeSyncPipelines::teardown()
{
    for (const auto& connection : connections_)
        QObject::disconnect(connection);
    connections_.clear();
    for (const auto timer : passes_)
        services_.scheduler.cancel(timer);
    passes_.clear();
    if (clockWindow_)
        services_.scheduler.cancel(*clockWindow_);
    clockWindow_.reset();
    clockPending_ = false;
    if (debounce_)
        services_.scheduler.cancel(*debounce_);
    debounce_.reset();
    lastInputCount_.reset();
}

void RealtimeSyncPipelines::clockSignal()
{
    if (clockWindow_) {
        clockPending_ = true;
        return;
    }
    clockStep();
    clockWindow_ = services_.scheduler.once(clockThrottleSeconds, [this] { clockWindowEnded(); });
}

void RealtimeSyncPipelines::clockWindowEnded()
{
    clockWindow_.reset();
    if (!clockPending_)
        return;
    clockPending_ = false;
    clockStep();
    clockWindow_ = services_.scheduler.once(clockThrottleSeconds, [this] { clockWindowEnded(); });
}

void RealtimeSyncPipelines::clockStep()
{
    if (services_.connectedClients() < 1)
        return;
    services_.snapshots.sendPlaybackClock(std::nullopt, std::nullopt);
}

void RealtimeSyncPipelines::stateSignal()
{
    if (debounce_)
        services_.scheduler.cancel(*debounce_);
    debounce_ = services_.scheduler.once(stateDebounceSeconds, [this] {
        debounce_.reset();
        stateStep();
    });
}

void RealtimeSyncPipelines::stateStep()
{
    if (services_.connectedClients() < 1)
        return;
    services_.snapshots.syncPlaybackToClients();
}

void RealtimeSyncPipelines::inputCountAssigned(int count)
{
    if (lastInputCount_ == count)
        return;
    lastInputCount_ = count;
    nextPass([this, count] {
        if (services_.updateActiveTrackCount)
            services_.updateActiveTrackCount(count);
    });
}

void RealtimeSyncPipelines::nextPass(std::function<void()> block)
{
    auto id = std::make_shared<platform::Scheduler::TimerId>(0);
    *id = services_.scheduler.once(0.0, [this, id, block = std::move(block)] {
        passes_.erase(*id);
        block();
    });
    passes_.insert(*id);
}

} // namespace remote
