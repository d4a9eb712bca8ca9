#include "decklink/sim/SimInput.h"

#include "decklink/sim/DeckLinkSimControl.h"
#include "decklink/sim/SimPixels.h"
#include "decklink/sim/SimVideoFrame.h"

#include <chrono>
#include <cstring>
#include <utility>

namespace sim {

SimInput* makeSimInput(std::shared_ptr<SimDeviceState> device)
{
    return new SimInput(std::move(device));
}

SimInput::SimInput(std::shared_ptr<SimDeviceState> device)
    : device_(std::move(device))
{
}

SimInput::~SimInput()
{
    std::unique_lock lock(mutex_);
    stopThreadLocked(lock);
    if (thread_.joinable())
        thread_.detach(); // the last reference was the thread's own: it is ending
    IDeckLinkInputCallback* callback = std::exchange(callback_, nullptr);
    lock.unlock();
    if (callback)
        callback->Release();
}

ULONG SimInput::Release()
{
    std::unique_lock deviceLock(device_->mutex);
    const ULONG remaining = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (remaining == 0) {
        if (device_->enabledInput == this)
            device_->enabledInput = nullptr;
        deviceLock.unlock();
        delete this;
    }
    return remaining;
}

HRESULT SimInput::SetCallback(IDeckLinkInputCallback* callback)
{
    if (callback)
        callback->AddRef();
    IDeckLinkInputCallback* previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::exchange(callback_, callback);
    }
    if (previous)
        previous->Release();
    return S_OK;
}

HRESULT SimInput::EnableVideoInput(
    DeckLinkDisplayMode displayMode, DeckLinkPixelFormat pixelFormat, DeckLinkVideoInputFlags flags)
{
    auto& registry = SimRegistry::shared();
    const bool detection = (flags & kDeckLinkVideoInputEnableFormatDetection) != 0;
    if (registry.failing(CORVALE_SIM_FAIL_ENABLE_INPUT))
        return E_FAIL;
    if (detection && registry.failing(CORVALE_SIM_FAIL_ENABLE_DETECTION))
        return E_INVALIDARG;
    if (pixelFormat != kDeckLinkFormat8BitYUV && pixelFormat != kDeckLinkFormat8BitBGRA)
        return E_INVALIDARG;
    if (!findSimDisplayMode(displayMode) && !(detection && displayMode == kDeckLinkModeUnknown))
        return E_INVALIDARG;

    std::lock_guard deviceLock(device_->mutex);
    if (device_->enabledInput && device_->enabledInput != this)
        return E_ACCESSDENIED;
    std::lock_guard lock(mutex_);
    if (streaming_)
        return E_ACCESSDENIED;
    device_->enabledInput = this;
    ++device_->enableCount;
    enabled_ = true;
    mode_ = displayMode;
    format_ = pixelFormat;
    flags_ = flags;
    reportedSource_ = 0;
    return S_OK;
}

HRESULT SimInput::DisableVideoInput()
{
    if (onOwnThread())
        return refuseFromCallback();
    std::lock_guard deviceLock(device_->mutex);
    std::unique_lock lock(mutex_);
    if (streaming_)
        return E_ACCESSDENIED;
    if (device_->enabledInput == this)
        device_->enabledInput = nullptr;
    enabled_ = false;
    return S_OK;
}

HRESULT SimInput::StartStreams()
{
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_START_STREAMS))
        return E_FAIL;
    std::unique_lock lock(mutex_);
    if (!enabled_ || streaming_)
        return E_ACCESSDENIED;
    if (thread_.joinable()) {
        // The thread of a stream that was stopped from inside its own callback.
        if (std::this_thread::get_id() == thread_.get_id()) {
            thread_.detach(); // restarted from that very callback: it ends once the callback returns
        } else {
            std::thread previous = std::move(thread_);
            lock.unlock();
            previous.join();
            lock.lock();
            if (streaming_ || !enabled_)
                return E_ACCESSDENIED;
        }
    }
    const std::uint64_t run = ++runGeneration_;
    streaming_ = true;
    pendingTicks_ = 0;
    AddRef(); // the thread's own reference, released when it ends
    thread_ = std::thread([this, run] {
        this->run(run);
        Release();
    });
    return S_OK;
}

HRESULT SimInput::StopStreams()
{
    if (onOwnThread())
        return refuseFromCallback();
    std::unique_lock lock(mutex_);
    if (!streaming_)
        return S_OK;
    stopThreadLocked(lock);
    return S_OK;
}

bool SimInput::onOwnThread()
{
    std::lock_guard lock(mutex_);
    return thread_.joinable() && std::this_thread::get_id() == thread_.get_id();
}

HRESULT SimInput::refuseFromCallback()
{
    // A card's driver waits for its callbacks to return before it stops: asked from inside one,
    // it would wait for itself. Refused and counted so tests see who tried.
    std::lock_guard deviceLock(device_->mutex);
    ++device_->stopsFromCallback;
    return E_ACCESSDENIED;
}

void SimInput::stopThreadLocked(std::unique_lock<std::mutex>& lock)
{
    ++runGeneration_;
    streaming_ = false;
    wake_.notify_all();
    ticked_.notify_all();
    // From inside a callback the thread ends once the callback returns; it is joined later.
    if (!thread_.joinable() || std::this_thread::get_id() == thread_.get_id())
        return;
    std::thread thread = std::move(thread_);
    lock.unlock();
    thread.join();
    lock.lock();
}

int SimInput::runTicks(int ticks)
{
    if (ticks < 1)
        return 0;
    std::unique_lock lock(mutex_);
    if (!streaming_)
        return 0;
    const std::uint64_t target = ticksDone_ + static_cast<std::uint64_t>(ticks);
    const std::uint64_t framesBefore = framesDone_;
    pendingTicks_ += ticks;
    wake_.notify_all();
    ticked_.wait(lock, [&] { return ticksDone_ >= target || (!streaming_ && !tickInProgress_); });
    return static_cast<int>(framesDone_ - framesBefore);
}

bool SimInput::callbackInstalled()
{
    std::lock_guard lock(mutex_);
    return callback_ != nullptr;
}

bool SimInput::streaming()
{
    std::lock_guard lock(mutex_);
    return streaming_;
}

void SimInput::describe(DeckLinkDisplayMode* mode, DeckLinkPixelFormat* format, DeckLinkVideoInputFlags* flags)
{
    std::lock_guard lock(mutex_);
    *mode = mode_;
    *format = format_;
    *flags = flags_;
}

void SimInput::run(std::uint64_t run)
{
    auto stopped = [&] { return runGeneration_ != run; };
    using Clock = std::chrono::steady_clock;
    auto& registry = SimRegistry::shared();
    auto next = Clock::now();
    for (;;) {
        std::uint64_t missed = 0;
        {
            std::unique_lock lock(mutex_);
            if (registry.manualClock.load()) {
                wake_.wait(lock, [&] { return stopped() || pendingTicks_ > 0 || !registry.manualClock.load(); });
                if (stopped())
                    break;
                if (pendingTicks_ <= 0) {
                    next = Clock::now();
                    continue;
                }
                --pendingTicks_;
                tickInProgress_ = true;
            } else {
                const SimModeInfo* info = findSimDisplayMode(mode_);
                DeckLinkTimeValue duration = info ? info->frameDuration : 1000;
                DeckLinkTimeScale scale = info ? info->timeScale : 25000;
                const auto period = std::chrono::nanoseconds(duration * 1'000'000'000 / scale);
                next += period;
                const auto now = Clock::now();
                if (next + period <= now) {
                    // The callback overran whole frame periods: like a card, the source went on and
                    // those frames are lost rather than delivered in a burst.
                    const auto lost = (now - next) / period;
                    next += lost * period;
                    missed = static_cast<std::uint64_t>(lost);
                }
                wake_.wait_until(lock, next, [&] { return stopped() || registry.manualClock.load(); });
                if (stopped())
                    break;
                if (registry.manualClock.load())
                    continue;
                tickInProgress_ = true;
            }
        }
        if (missed > 0) {
            std::lock_guard deviceLock(device_->mutex);
            device_->framesMissed += missed;
            device_->nextFrameCounter += missed;
        }
        const bool delivered = tick();
        {
            std::lock_guard lock(mutex_);
            ++ticksDone_;
            if (delivered)
                ++framesDone_;
            tickInProgress_ = false;
        }
        ticked_.notify_all();
    }
    ticked_.notify_all();
}

bool SimInput::tick()
{
    DeckLinkDisplayMode source;
    DeckLinkColorspace colorspace;
    std::int64_t eotf;
    bool signal;
    {
        std::lock_guard deviceLock(device_->mutex);
        source = device_->sourceMode;
        colorspace = device_->sourceColorspace;
        eotf = device_->sourceEOTF;
        signal = device_->signalPresent;
    }
    const SimModeInfo* sourceInfo = findSimDisplayMode(source);

    IDeckLinkInputCallback* callback;
    DeckLinkDisplayMode mode;
    DeckLinkPixelFormat format;
    bool reportChange = false;
    {
        std::lock_guard lock(mutex_);
        if (!callback_ || !enabled_)
            return false;
        callback = callback_;
        callback->AddRef();
        mode = mode_;
        format = format_;
        if (signal && sourceInfo && mode != source && (flags_ & kDeckLinkVideoInputEnableFormatDetection)
            && reportedSource_ != source) {
            reportedSource_ = source;
            reportChange = true;
        }
    }
    struct Releaser {
        IDeckLinkInputCallback* callback;
        ~Releaser() { callback->Release(); }
    } releaser { callback };

    if (!signal || !sourceInfo)
        return false;
    if (mode != source) {
        if (!reportChange)
            return false; // the enabled mode cannot lock to this source
        const SimModeInfo* enabledInfo = findSimDisplayMode(mode);
        DeckLinkVideoInputFormatChangedEvents events = kDeckLinkVideoInputDisplayModeChanged;
        if (!enabledInfo || enabledInfo->fieldDominance != sourceInfo->fieldDominance)
            events |= kDeckLinkVideoInputFieldDominanceChanged;
        {
            std::lock_guard deviceLock(device_->mutex);
            ++device_->formatChangesReported;
        }
        IDeckLinkDisplayMode* modeObject = makeSimDisplayMode(*sourceInfo);
        callback->VideoInputFormatChanged(
            events, modeObject, kDeckLinkDetectedVideoInputYCbCr422 | kDeckLinkDetectedVideoInput10BitDepth);
        modeObject->Release();
        return false;
    }

    const std::int32_t rowBytes = SimVideoFrame::minimumRowBytes(format, sourceInfo->width);
    const std::size_t byteCount = static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(sourceInfo->height);
    if (backgroundMode_ != source || backgroundFormat_ != format || backgroundColorspace_ != colorspace
        || background_.size() != byteCount) {
        background_.assign(byteCount, 0);
        renderTestPattern({ background_.data(), sourceInfo->width, sourceInfo->height, rowBytes, format },
            device_->index, matrixFor(colorspace, sourceInfo->height));
        backgroundMode_ = source;
        backgroundFormat_ = format;
        backgroundColorspace_ = colorspace;
    }

    std::uint64_t counter;
    {
        std::lock_guard deviceLock(device_->mutex);
        counter = device_->nextFrameCounter++;
        ++device_->framesDelivered;
    }
    auto* frame = new SimVideoFrame(sourceInfo->width, sourceInfo->height, rowBytes, format, kDeckLinkFrameFlagDefault,
        SimVideoFrame::Fill::Uninitialized);
    std::memcpy(frame->bytes(), background_.data(), byteCount);
    drawFrameCounter({ frame->bytes(), sourceInfo->width, sourceInfo->height, rowBytes, format },
        static_cast<std::uint32_t>(counter));
    frame->SetInt(kDeckLinkFrameMetadataColorspace, colorspace);
    frame->SetInt(kDeckLinkFrameMetadataHDREOTF, eotf);
    callback->VideoInputFrameArrived(static_cast<IDeckLinkVideoInputFrame*>(frame), nullptr);
    frame->Release();
    return true;
}

} // namespace sim
