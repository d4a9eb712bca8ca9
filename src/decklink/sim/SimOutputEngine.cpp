#include "decklink/sim/SimOutputEngine.h"

#include "decklink/sim/SimDevice.h"
#include "decklink/sim/SimPixels.h"
#include "decklink/sim/SimVideoFrame.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <utility>

namespace sim {

namespace {

constexpr std::size_t kRingSize = 256;

const std::vector<DeckLinkPixelFormat>& defaultPixelFormats()
{
    static const std::vector<DeckLinkPixelFormat> formats = { kDeckLinkFormat8BitBGRA, kDeckLinkFormat10BitYUV,
        kDeckLinkFormat10BitRGBXLE, kDeckLinkFormat10BitRGBX, kDeckLinkFormat10BitRGB };
    return formats;
}

bool contains(const std::vector<DeckLinkPixelFormat>& formats, DeckLinkPixelFormat format)
{
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

std::uint32_t loadLittle(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
std::uint32_t loadBig(const std::uint8_t* p)
{
    return std::uint32_t(p[3]) | (std::uint32_t(p[2]) << 8) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[0]) << 24);
}

// The 10-bit luma (v210) or green (RGB) level of one pixel.
int level10(const std::uint8_t* line, int x, DeckLinkPixelFormat format)
{
    switch (format) {
    case kDeckLinkFormat10BitYUV: {
        const std::uint8_t* group = line + (x / 6) * 16;
        static const int word[6] = { 0, 1, 1, 2, 3, 3 };
        static const int shift[6] = { 10, 0, 20, 10, 0, 20 };
        const int i = x % 6;
        return static_cast<int>((loadLittle(group + word[i] * 4) >> shift[i]) & 0x3FF);
    }
    case kDeckLinkFormat10BitRGB:
        return static_cast<int>((loadBig(line + x * 4) >> 10) & 0x3FF);
    case kDeckLinkFormat10BitRGBX:
        return static_cast<int>((loadBig(line + x * 4) >> 12) & 0x3FF);
    case kDeckLinkFormat10BitRGBXLE:
        return static_cast<int>((loadLittle(line + x * 4) >> 12) & 0x3FF);
    default:
        return 0;
    }
}

// The counter cells as drawFrameCounter lays them out, read from a 10-bit picture.
std::int64_t decodeCounter10(const std::uint8_t* bytes, std::int32_t width, std::int32_t height, std::int32_t rowBytes,
    DeckLinkPixelFormat format)
{
    constexpr int cell = 16, cells = 34, origin = 16;
    if (!bytes || width < origin + cells * cell || height < origin + cell)
        return -1;
    if (rowBytes < SimVideoFrame::minimumRowBytes(format, width))
        return -1;
    const std::uint8_t* line = bytes + static_cast<std::size_t>(origin + cell / 2) * static_cast<std::size_t>(rowBytes);
    auto lit = [&](int index) { return level10(line, origin + index * cell + cell / 2, format) >= 512; };
    if (!lit(0) || lit(cells - 1))
        return -1;
    std::uint32_t value = 0;
    for (int bit = 0; bit < 32; ++bit)
        value = (value << 1) | (lit(1 + bit) ? 1u : 0u);
    return value;
}

} // namespace

SimOutputEngine::SimOutputEngine()
{
    resetConfiguration();
}

SimOutputEngine::~SimOutputEngine()
{
    stopThread();
}

// ---------------------------------------------------------------------------------------------
// Test control

void SimOutputEngine::resetConfiguration()
{
    std::lock_guard lock(mutex_);
    pixelFormats_ = defaultPixelFormats();
    rejectedFormats_.clear();
    substitutions_.clear();
    forcedCount_ = 0;
    sink_.reset();
    ring_.clear();
    recorded_ = 0;
    displayedSync_ = completed_ = late_ = dropped_ = flushed_ = 0;
}

void SimOutputEngine::setPixelFormats(std::vector<DeckLinkPixelFormat> formats)
{
    std::lock_guard lock(mutex_);
    pixelFormats_ = std::move(formats);
}

void SimOutputEngine::setRejectedPixelFormats(std::vector<DeckLinkPixelFormat> formats)
{
    std::lock_guard lock(mutex_);
    rejectedFormats_ = std::move(formats);
}

void SimOutputEngine::setModeSubstitution(DeckLinkDisplayMode requested, DeckLinkDisplayMode actual)
{
    std::lock_guard lock(mutex_);
    if (actual == 0)
        substitutions_.erase(requested);
    else
        substitutions_[requested] = actual;
}

void SimOutputEngine::forceCompletionResults(DeckLinkOutputFrameCompletionResult result, int count)
{
    std::lock_guard lock(mutex_);
    forcedResult_ = result;
    forcedCount_ = std::max(0, count);
}

void SimOutputEngine::setHdmiSink(const void* edid, std::uint32_t size)
{
    std::lock_guard lock(mutex_);
    sink_.setEdid(edid, size);
}

void SimOutputEngine::describe(CorvaleSimOutputState* state)
{
    std::memset(state, 0, sizeof *state);
    std::lock_guard lock(mutex_);
    state->enabled = enabled_ ? 1 : 0;
    state->displayMode = enabled_ ? mode_ : 0;
    state->outputFlags = outputFlags_;
    state->callbackInstalled = callback_ ? 1 : 0;
    state->playbackRunning = playing_ ? 1 : 0;
    state->manualClock = manual_ ? 1 : 0;
    state->bufferedFrames = static_cast<std::uint32_t>(scheduled_.size());
    state->streamTime = playing_ ? startModeUnits_ + static_cast<std::int64_t>(ticks_) * frameDuration_ : 0;
    state->timeScale = modeTimeScale_;
    state->enableCount = enableCount_;
    state->framesDisplayedSync = displayedSync_;
    state->framesCompleted = completed_;
    state->framesLate = late_;
    state->framesDropped = dropped_;
    state->framesFlushed = flushed_;
    state->ticks = ticks_;
}

int SimOutputEngine::runTicks(int ticks)
{
    {
        std::lock_guard lock(mutex_);
        if (!playing_ || !manual_ || !thread_.joinable())
            return -1;
    }
    int delivered = 0;
    onPlaybackThread([&] {
        std::unique_lock lock(mutex_);
        for (int i = 0; i < ticks && playing_; ++i)
            delivered += tickLocked(lock);
    });
    return delivered;
}

std::uint64_t SimOutputEngine::recordedFrameCount()
{
    std::lock_guard lock(mutex_);
    return recorded_;
}

int SimOutputEngine::recordedFrames(CorvaleSimOutputFrame* frames, int max)
{
    std::lock_guard lock(mutex_);
    if (!frames || max <= 0)
        return 0;
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(max), ring_.size());
    std::copy(ring_.end() - static_cast<std::ptrdiff_t>(count), ring_.end(), frames);
    return static_cast<int>(count);
}

void SimOutputEngine::clearRecordedFrames()
{
    std::lock_guard lock(mutex_);
    ring_.clear();
    recorded_ = 0;
}

// ---------------------------------------------------------------------------------------------
// Status

bool SimOutputEngine::isStatusItem(DeckLinkStatusID id)
{
    return id == kDeckLinkStatusHDMIOutputActualMode || id == kDeckLinkStatusHDMIOutputActualFormatFlags
        || id == kDeckLinkStatusLastVideoOutputPixelFormat || id == kDeckLinkStatusCurrentVideoOutputFlags
        || id == kDeckLinkStatusSinkEDID;
}

bool SimOutputEngine::statusInt(DeckLinkStatusID id, std::int64_t* value)
{
    std::lock_guard lock(mutex_);
    switch (id) {
    case kDeckLinkStatusHDMIOutputActualMode:
        if (!enabled_ || !sink_.connected())
            return false;
        *value = mode_;
        return true;
    case kDeckLinkStatusHDMIOutputActualFormatFlags: {
        if (!enabled_ || !sink_.connected())
            return false;
        const DeckLinkPixelFormat format = lastPixelFormat_ ? lastPixelFormat_ : kDeckLinkFormat8BitBGRA;
        if (format == kDeckLinkFormat10BitYUV)
            *value = kDeckLinkHDMIFormatYCbCr422 | kDeckLinkHDMIFormat10Bit;
        else if (format == kDeckLinkFormat8BitBGRA)
            *value = kDeckLinkHDMIFormatRGB444 | kDeckLinkHDMIFormat8Bit;
        else
            *value = kDeckLinkHDMIFormatRGB444 | kDeckLinkHDMIFormat10Bit;
        return true;
    }
    case kDeckLinkStatusLastVideoOutputPixelFormat:
        if (!enabled_ || lastPixelFormat_ == 0)
            return false;
        *value = lastPixelFormat_;
        return true;
    case kDeckLinkStatusCurrentVideoOutputFlags:
        if (!enabled_)
            return false;
        *value = outputFlags_;
        return true;
    default:
        return false;
    }
}

HRESULT SimOutputEngine::statusBytes(DeckLinkStatusID id, void* buffer, std::uint32_t* bufferSize)
{
    std::lock_guard lock(mutex_);
    if (id != kDeckLinkStatusSinkEDID || !sink_.connected())
        return E_INVALIDARG;
    const auto& edid = sink_.edid();
    if (!buffer) {
        *bufferSize = static_cast<std::uint32_t>(edid.size());
        return S_OK;
    }
    const std::size_t count = std::min<std::size_t>(*bufferSize, edid.size());
    std::memcpy(buffer, edid.data(), count);
    *bufferSize = static_cast<std::uint32_t>(count);
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Modes and enabling

HRESULT SimOutputEngine::doesSupportVideoMode(DeckLinkVideoConnection deviceConnections,
    DeckLinkVideoConnection connection, DeckLinkDisplayMode requestedMode, DeckLinkPixelFormat pixelFormat,
    DeckLinkDisplayMode* actualMode, bool* supported)
{
    if (!supported)
        return E_POINTER;
    *supported = false;
    if (actualMode)
        *actualMode = kDeckLinkModeUnknown;
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_DOES_SUPPORT))
        return E_FAIL;
    if (!findSimDisplayMode(requestedMode))
        return S_OK;
    if (connection != kDeckLinkVideoConnectionUnspecified && (connection & deviceConnections) == 0)
        return S_OK;
    std::lock_guard lock(mutex_);
    if (!contains(pixelFormats_, pixelFormat))
        return S_OK;
    if (auto it = substitutions_.find(requestedMode); it != substitutions_.end()) {
        if (!findSimDisplayMode(it->second))
            return S_OK;
        if (actualMode)
            *actualMode = it->second;
    }
    *supported = true;
    return S_OK;
}

HRESULT SimOutputEngine::enable(const void* owner, DeckLinkDisplayMode mode, DeckLinkVideoOutputFlags flags)
{
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_ENABLE_OUTPUT))
        return E_FAIL;
    const SimModeInfo* info = findSimDisplayMode(mode);
    if (!info)
        return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (enabled_)
        return E_ACCESSDENIED;
    if (thread_.joinable())
        return E_ACCESSDENIED; // a disable from the playback thread has not finished
    enabled_ = true;
    owner_ = owner;
    mode_ = mode;
    width_ = info->width;
    height_ = info->height;
    frameDuration_ = info->frameDuration;
    modeTimeScale_ = info->timeScale;
    outputFlags_ = flags;
    lastPixelFormat_ = 0;
    playing_ = false;
    ticks_ = 0;
    ++enableCount_;
    displayedSync_ = completed_ = late_ = dropped_ = flushed_ = 0;
    threadStop_ = false;
    thread_ = std::thread([this] { run(); });
    threadId_ = thread_.get_id();
    return S_OK;
}

HRESULT SimOutputEngine::disable(const void* owner)
{
    {
        std::lock_guard lock(mutex_);
        if (!holdsLocked(owner))
            return E_ACCESSDENIED;
        if (std::this_thread::get_id() == threadId_)
            return E_ACCESSDENIED; // not from inside a completion callback
    }
    // Frames still scheduled leave as flushed, through the callback when one is installed.
    onPlaybackThread([this] {
        std::unique_lock lock(mutex_);
        flushLocked(lock);
    });
    stopThread();
    std::lock_guard lock(mutex_);
    enabled_ = false;
    owner_ = nullptr;
    playing_ = false;
    return S_OK;
}

void SimOutputEngine::ownerGone(const void* owner)
{
    bool held;
    {
        std::lock_guard lock(mutex_);
        held = holdsLocked(owner);
    }
    if (held)
        disable(owner);
    IDeckLinkVideoOutputCallback* callback = nullptr;
    {
        std::lock_guard deliver(deliverMutex_);
        std::lock_guard lock(mutex_);
        if (callbackOwner_ == owner) {
            callback = std::exchange(callback_, nullptr);
            callbackOwner_ = nullptr;
        }
    }
    if (callback)
        callback->Release();
}

// ---------------------------------------------------------------------------------------------
// Frames

HRESULT SimOutputEngine::validateFrameLocked(IDeckLinkVideoFrame* frame) const
{
    const DeckLinkPixelFormat format = frame->GetPixelFormat();
    if (frame->GetWidth() != width_ || frame->GetHeight() != height_)
        return E_INVALIDARG;
    if (!contains(pixelFormats_, format) || contains(rejectedFormats_, format))
        return E_INVALIDARG;
    const std::int32_t minimum = SimVideoFrame::minimumRowBytes(format, width_);
    if (minimum == 0 || frame->GetRowBytes() < minimum)
        return E_INVALIDARG;
    return S_OK;
}

CorvaleSimOutputFrame SimOutputEngine::snapshot(IDeckLinkVideoFrame* frame) const
{
    CorvaleSimOutputFrame record {};
    record.width = frame->GetWidth();
    record.height = frame->GetHeight();
    record.rowBytes = frame->GetRowBytes();
    record.pixelFormat = frame->GetPixelFormat();
    record.flags = frame->GetFlags();
    record.frameCounter = -1;
    if (auto* own = dynamic_cast<SimVideoFrame*>(frame); own && own->role() == SimVideoFrame::Role::Output) {
        record.wrapped = own->wrapped() ? 1 : 0;
        const auto items = own->metadataItems();
        record.metadataCount = static_cast<int>(std::min<std::size_t>(items.size(), 16));
        std::copy(items.begin(), items.begin() + record.metadataCount, record.metadata);
    }
    SimFrameBytes bytes(frame, kDeckLinkBufferAccessRead);
    if (record.pixelFormat == kDeckLinkFormat8BitBGRA || record.pixelFormat == kDeckLinkFormat8BitYUV)
        record.frameCounter
            = decodeFrameCounter(bytes.get(), record.width, record.height, record.rowBytes, record.pixelFormat);
    else
        record.frameCounter
            = decodeCounter10(bytes.get(), record.width, record.height, record.rowBytes, record.pixelFormat);
    return record;
}

void SimOutputEngine::recordLocked(CorvaleSimOutputFrame record)
{
    record.sequence = ++recorded_;
    ring_.push_back(record);
    while (ring_.size() > kRingSize)
        ring_.pop_front();
}

void SimOutputEngine::countLocked(DeckLinkOutputFrameCompletionResult result)
{
    switch (result) {
    case kDeckLinkOutputFrameCompleted:
        ++completed_;
        break;
    case kDeckLinkOutputFrameDisplayedLate:
        ++late_;
        break;
    case kDeckLinkOutputFrameDropped:
        ++dropped_;
        break;
    default:
        ++flushed_;
        break;
    }
}

std::int64_t SimOutputEngine::toModeUnits(std::int64_t value, std::int64_t timeScale) const
{
    if (timeScale == modeTimeScale_)
        return value;
    return static_cast<std::int64_t>(static_cast<__int128>(value) * modeTimeScale_ / timeScale);
}

HRESULT SimOutputEngine::displaySync(const void* owner, IDeckLinkVideoFrame* frame)
{
    if (!frame)
        return E_POINTER;
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_DISPLAY_SYNC))
        return E_FAIL;
    CorvaleSimOutputFrame record = snapshot(frame);
    std::lock_guard lock(mutex_);
    if (!holdsLocked(owner) || playing_)
        return E_ACCESSDENIED;
    if (const HRESULT hr = validateFrameLocked(frame); hr != S_OK)
        return hr;
    record.result = kDeckLinkOutputFrameCompleted;
    lastPixelFormat_ = record.pixelFormat;
    ++displayedSync_;
    recordLocked(record);
    return S_OK;
}

HRESULT SimOutputEngine::schedule(const void* owner, IDeckLinkVideoFrame* frame, DeckLinkTimeValue displayTime,
    DeckLinkTimeValue duration, DeckLinkTimeScale timeScale)
{
    if (!frame)
        return E_POINTER;
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_SCHEDULE))
        return E_FAIL;
    CorvaleSimOutputFrame record = snapshot(frame);
    std::lock_guard lock(mutex_);
    if (!holdsLocked(owner))
        return E_ACCESSDENIED;
    if (timeScale < 1 || duration < 1 || displayTime < 0)
        return E_INVALIDARG;
    if (const HRESULT hr = validateFrameLocked(frame); hr != S_OK)
        return hr;
    record.scheduled = 1;
    record.displayTime = displayTime;
    record.displayDuration = duration;
    record.timeScale = timeScale;
    frame->AddRef();
    scheduled_.emplace(toModeUnits(displayTime, timeScale), Scheduled { frame, record });
    return S_OK;
}

HRESULT SimOutputEngine::setCallback(const void* owner, IDeckLinkVideoOutputCallback* callback)
{
    bool onThread;
    {
        std::lock_guard lock(mutex_);
        onThread = std::this_thread::get_id() == threadId_;
    }
    std::unique_lock<std::mutex> deliver(deliverMutex_, std::defer_lock);
    if (!onThread)
        deliver.lock(); // waits for a completion call in progress
    IDeckLinkVideoOutputCallback* previous;
    {
        std::lock_guard lock(mutex_);
        if (enabled_ && owner_ != owner)
            return E_ACCESSDENIED;
        if (callback)
            callback->AddRef();
        previous = std::exchange(callback_, callback);
        callbackOwner_ = callback ? owner : nullptr;
    }
    if (previous)
        previous->Release();
    return S_OK;
}

HRESULT SimOutputEngine::bufferedCount(const void* owner, std::uint32_t* count)
{
    if (!count)
        return E_POINTER;
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_BUFFERED_COUNT))
        return E_FAIL;
    std::lock_guard lock(mutex_);
    if (!holdsLocked(owner))
        return E_ACCESSDENIED;
    *count = static_cast<std::uint32_t>(scheduled_.size());
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Playback

HRESULT SimOutputEngine::startPlayback(
    const void* owner, DeckLinkTimeValue startTime, DeckLinkTimeScale timeScale, double speed)
{
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_START_PLAYBACK))
        return E_FAIL;
    const bool manual = SimRegistry::shared().manualClock.load();
    std::lock_guard lock(mutex_);
    if (!holdsLocked(owner) || playing_)
        return E_ACCESSDENIED;
    if (timeScale < 1 || speed <= 0.0)
        return E_INVALIDARG;
    playing_ = true;
    manual_ = manual;
    startModeUnits_ = toModeUnits(startTime, timeScale);
    ticks_ = 0;
    wallStart_ = std::chrono::steady_clock::now();
    wake_.notify_all();
    return S_OK;
}

HRESULT SimOutputEngine::stopPlayback(const void* owner, DeckLinkTimeValue* actualStopTime, DeckLinkTimeScale timeScale)
{
    std::int64_t stopped = 0;
    {
        std::lock_guard lock(mutex_);
        if (!holdsLocked(owner))
            return E_ACCESSDENIED;
        stopped = startModeUnits_ + static_cast<std::int64_t>(ticks_) * frameDuration_;
    }
    // Stops at once; every frame still scheduled (prerolled ones too) leaves as flushed.
    onPlaybackThread([this] {
        std::unique_lock lock(mutex_);
        flushLocked(lock);
    });
    if (actualStopTime)
        *actualStopTime = timeScale > 0 && modeTimeScale_ > 0
            ? static_cast<std::int64_t>(static_cast<__int128>(stopped) * timeScale / modeTimeScale_)
            : 0;
    return S_OK;
}

HRESULT SimOutputEngine::streamTime(
    const void* owner, DeckLinkTimeScale timeScale, DeckLinkTimeValue* time, double* speed)
{
    if (!time)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!holdsLocked(owner) || !playing_)
        return E_ACCESSDENIED;
    if (timeScale < 1)
        return E_INVALIDARG;
    const std::int64_t now = startModeUnits_ + static_cast<std::int64_t>(ticks_) * frameDuration_;
    *time = static_cast<std::int64_t>(static_cast<__int128>(now) * timeScale / modeTimeScale_);
    if (speed)
        *speed = 1.0;
    return S_OK;
}

int SimOutputEngine::tickLocked(std::unique_lock<std::mutex>& lock)
{
    const std::int64_t begin = startModeUnits_ + static_cast<std::int64_t>(ticks_) * frameDuration_;
    const std::int64_t end = begin + frameDuration_;
    ++ticks_;
    std::vector<Completion> completions;
    auto last = scheduled_.lower_bound(end);
    if (last == scheduled_.begin())
        return 0; // nothing due: the card repeats the picture it shows
    // Every due frame but the newest was never shown; the newest is shown in this period, late
    // when its own period had already passed.
    for (auto it = scheduled_.begin(); it != last; ++it) {
        const bool shown = std::next(it) == last;
        DeckLinkOutputFrameCompletionResult result = kDeckLinkOutputFrameDropped;
        if (shown) {
            result = it->first >= begin ? kDeckLinkOutputFrameCompleted : kDeckLinkOutputFrameDisplayedLate;
            if (forcedCount_ > 0) {
                result = forcedResult_;
                --forcedCount_;
            }
            lastPixelFormat_ = it->second.record.pixelFormat;
        }
        CorvaleSimOutputFrame record = it->second.record;
        record.result = result;
        recordLocked(record);
        countLocked(result);
        completions.push_back(Completion { it->second.frame, result });
    }
    scheduled_.erase(scheduled_.begin(), last);
    const int count = static_cast<int>(completions.size());
    lock.unlock();
    deliver(completions, false);
    lock.lock();
    return count;
}

int SimOutputEngine::flushLocked(std::unique_lock<std::mutex>& lock)
{
    const bool wasPlaying = playing_;
    playing_ = false;
    std::vector<Completion> completions;
    for (auto& [time, entry] : scheduled_) {
        CorvaleSimOutputFrame record = entry.record;
        record.result = kDeckLinkOutputFrameFlushed;
        recordLocked(record);
        countLocked(kDeckLinkOutputFrameFlushed);
        completions.push_back(Completion { entry.frame, kDeckLinkOutputFrameFlushed });
    }
    scheduled_.clear();
    const int count = static_cast<int>(completions.size());
    lock.unlock();
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_SILENT_FLUSH)) {
        for (auto& completion : completions)
            completion.frame->Release();
        lock.lock();
        return 0;
    }
    deliver(completions, wasPlaying);
    lock.lock();
    return count;
}

void SimOutputEngine::deliver(std::vector<Completion>& completions, bool playbackStopped)
{
    if (completions.empty() && !playbackStopped)
        return;
    std::lock_guard deliver(deliverMutex_);
    IDeckLinkVideoOutputCallback* callback;
    {
        std::lock_guard lock(mutex_);
        callback = callback_;
        if (callback)
            callback->AddRef();
    }
    for (auto& completion : completions) {
        if (callback)
            callback->ScheduledFrameCompleted(completion.frame, completion.result);
        completion.frame->Release();
    }
    if (callback && playbackStopped)
        callback->ScheduledPlaybackHasStopped();
    if (callback)
        callback->Release();
}

// ---------------------------------------------------------------------------------------------
// Playback thread

void SimOutputEngine::run()
{
    std::unique_lock lock(mutex_);
    while (!threadStop_ || !tasks_.empty()) {
        if (!tasks_.empty()) {
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            lock.lock();
            continue;
        }
        if (playing_ && !manual_) {
            const auto period = std::chrono::duration<double>(
                static_cast<double>(frameDuration_) / static_cast<double>(std::max<std::int64_t>(1, modeTimeScale_)));
            const auto deadline = wallStart_
                + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    period * static_cast<double>(ticks_ + 1));
            if (std::chrono::steady_clock::now() >= deadline) {
                tickLocked(lock);
                continue;
            }
            wake_.wait_until(lock, deadline);
            continue;
        }
        wake_.wait(lock);
    }
}

void SimOutputEngine::onPlaybackThread(const std::function<void()>& task)
{
    std::promise<void> done;
    bool inline_ = false;
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable() || threadStop_ || std::this_thread::get_id() == threadId_) {
            inline_ = true;
        } else {
            tasks_.push_back([&] {
                task();
                done.set_value();
            });
            wake_.notify_all();
        }
    }
    if (inline_)
        task();
    else
        done.get_future().wait();
}

void SimOutputEngine::stopThread()
{
    std::thread thread;
    {
        std::lock_guard lock(mutex_);
        threadStop_ = true;
        wake_.notify_all();
        thread = std::move(thread_);
    }
    if (thread.joinable())
        thread.join();
    std::lock_guard lock(mutex_);
    threadId_ = {};
}

// ---------------------------------------------------------------------------------------------

std::shared_ptr<SimOutputEngine> simOutputEngineLocked(SimDeviceState& device)
{
    if (!device.outputState)
        device.outputState = std::make_shared<SimOutputEngine>();
    return std::static_pointer_cast<SimOutputEngine>(device.outputState);
}

std::shared_ptr<SimOutputEngine> simOutputEngine(SimDeviceState& device)
{
    std::lock_guard lock(device.mutex);
    return simOutputEngineLocked(device);
}

} // namespace sim
