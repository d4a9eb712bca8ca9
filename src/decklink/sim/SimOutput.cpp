#include "decklink/sim/SimOutput.h"

#include "decklink/sim/DeckLinkSimControl.h"
#include "decklink/sim/SimDevice.h"
#include "decklink/sim/SimOutputFactory.h"
#include "decklink/sim/SimVideoFrame.h"

namespace sim {

namespace {

bool validLayout(std::int32_t width, std::int32_t height, std::int32_t rowBytes, DeckLinkPixelFormat format)
{
    const std::int32_t minimum = SimVideoFrame::minimumRowBytes(format, width);
    return width >= 1 && height >= 1 && minimum > 0 && rowBytes >= minimum;
}

} // namespace

SimOutput::SimOutput(std::shared_ptr<SimDeviceState> device)
    : device_(std::move(device))
    , engine_(simOutputEngine(*device_))
{
}

SimOutput::~SimOutput()
{
    engine_->ownerGone(this);
}

HRESULT SimOutput::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDeckLinkOutput)
        return answer(static_cast<IDeckLinkOutput*>(this), object);
    if (iid == IID_IDeckLinkMacOutput) {
        if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_MAC_OUTPUT_INTERFACE))
            return E_NOINTERFACE;
        return answer(static_cast<IDeckLinkMacOutput*>(this), object);
    }
    return E_NOINTERFACE;
}

DeckLinkVideoConnection SimOutput::deviceConnections() const
{
    // The same answer the device's attributes give ('vocn').
    std::lock_guard lock(device_->mutex);
    auto it = device_->attributes.find(kDeckLinkAttributeVideoOutputConnections);
    if (it == device_->attributes.end())
        return kDeckLinkVideoConnectionSDI | kDeckLinkVideoConnectionHDMI;
    return it->second.kind == SimItem::Kind::Int ? static_cast<DeckLinkVideoConnection>(it->second.value) : 0;
}

HRESULT SimOutput::GetDisplayModeIterator(IDeckLinkDisplayModeIterator** iterator)
{
    if (!iterator)
        return E_POINTER;
    *iterator = nullptr;
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_DISPLAY_MODE_ITERATOR))
        return E_FAIL;
    *iterator = makeSimDisplayModeIterator(true);
    return S_OK;
}

HRESULT SimOutput::DoesSupportVideoMode(DeckLinkVideoConnection connection, DeckLinkDisplayMode requestedMode,
    DeckLinkPixelFormat requestedPixelFormat, DeckLinkVideoOutputConversionMode, DeckLinkSupportedVideoModeFlags,
    DeckLinkDisplayMode* actualMode, bool* supported)
{
    return engine_->doesSupportVideoMode(
        deviceConnections(), connection, requestedMode, requestedPixelFormat, actualMode, supported);
}

HRESULT SimOutput::EnableVideoOutput(DeckLinkDisplayMode displayMode, DeckLinkVideoOutputFlags flags)
{
    return engine_->enable(this, displayMode, flags);
}

HRESULT SimOutput::DisableVideoOutput()
{
    return engine_->disable(this);
}

HRESULT SimOutput::CreateVideoFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes,
    DeckLinkPixelFormat pixelFormat, DeckLinkFrameFlags flags, IDeckLinkMutableVideoFrame** outFrame)
{
    if (!outFrame)
        return E_POINTER;
    *outFrame = nullptr;
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_CREATE_FRAME))
        return E_OUTOFMEMORY;
    if (!validLayout(width, height, rowBytes, pixelFormat))
        return E_INVALIDARG;
    *outFrame = new SimVideoFrame(
        width, height, rowBytes, pixelFormat, flags, SimVideoFrame::Fill::Zero, SimVideoFrame::Role::Output);
    return S_OK;
}

HRESULT SimOutput::CreateVideoFrameWithBuffer(std::int32_t width, std::int32_t height, std::int32_t rowBytes,
    DeckLinkPixelFormat pixelFormat, DeckLinkFrameFlags flags, IDeckLinkVideoBuffer* buffer,
    IDeckLinkMutableVideoFrame** outFrame)
{
    if (!outFrame)
        return E_POINTER;
    *outFrame = nullptr;
    if (!buffer)
        return E_POINTER;
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_CREATE_FRAME))
        return E_OUTOFMEMORY;
    if (!validLayout(width, height, rowBytes, pixelFormat))
        return E_INVALIDARG;
    *outFrame = new SimVideoFrame(width, height, rowBytes, pixelFormat, flags, buffer, SimVideoFrame::Role::Output);
    return S_OK;
}

HRESULT SimOutput::RowBytesForPixelFormat(DeckLinkPixelFormat pixelFormat, std::int32_t width, std::int32_t* rowBytes)
{
    if (!rowBytes)
        return E_POINTER;
    *rowBytes = 0;
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_ROW_BYTES))
        return E_FAIL;
    const std::int32_t minimum = SimVideoFrame::minimumRowBytes(pixelFormat, width);
    if (minimum == 0)
        return E_INVALIDARG;
    *rowBytes = minimum;
    return S_OK;
}

HRESULT SimOutput::DisplayVideoFrameSync(IDeckLinkVideoFrame* frame)
{
    return engine_->displaySync(this, frame);
}

HRESULT SimOutput::ScheduleVideoFrame(IDeckLinkVideoFrame* frame, DeckLinkTimeValue displayTime,
    DeckLinkTimeValue displayDuration, DeckLinkTimeScale timeScale)
{
    return engine_->schedule(this, frame, displayTime, displayDuration, timeScale);
}

HRESULT SimOutput::SetScheduledFrameCompletionCallback(IDeckLinkVideoOutputCallback* callback)
{
    return engine_->setCallback(this, callback);
}

HRESULT SimOutput::GetBufferedVideoFrameCount(std::uint32_t* bufferedFrameCount)
{
    return engine_->bufferedCount(this, bufferedFrameCount);
}

HRESULT SimOutput::StartScheduledPlayback(
    DeckLinkTimeValue playbackStartTime, DeckLinkTimeScale timeScale, double playbackSpeed)
{
    return engine_->startPlayback(this, playbackStartTime, timeScale, playbackSpeed);
}

HRESULT SimOutput::StopScheduledPlayback(
    DeckLinkTimeValue, DeckLinkTimeValue* actualStopTime, DeckLinkTimeScale timeScale)
{
    return engine_->stopPlayback(this, actualStopTime, timeScale);
}

HRESULT SimOutput::GetScheduledStreamTime(
    DeckLinkTimeScale desiredTimeScale, DeckLinkTimeValue* streamTime, double* playbackSpeed)
{
    return engine_->streamTime(this, desiredTimeScale, streamTime, playbackSpeed);
}

HRESULT SimOutput::CreateVideoFrameFromPixelBuffer(
    const DeckLinkPixelBufferRef* pixelBuffer, IDeckLinkVideoFrame** outFrame)
{
    if (!outFrame)
        return E_POINTER;
    *outFrame = nullptr;
    if (!pixelBuffer)
        return E_POINTER;
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_MAC_OUTPUT_WRAP))
        return E_FAIL;
    if (!pixelBuffer->bytes || !pixelBuffer->owner
        || !validLayout(pixelBuffer->width, pixelBuffer->height, pixelBuffer->rowBytes, pixelBuffer->pixelFormat))
        return E_INVALIDARG;
    *outFrame = static_cast<IDeckLinkMutableVideoFrame*>(new SimVideoFrame(*pixelBuffer));
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// What the device asks of its output side

IDeckLinkOutput* simCreateOutput(const std::shared_ptr<SimDeviceState>& device)
{
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_OUTPUT_INTERFACE))
        return nullptr;
    return new SimOutput(device);
}

void simResetOutputLocked(SimDeviceState& device)
{
    if (device.outputState)
        std::static_pointer_cast<SimOutputEngine>(device.outputState)->resetConfiguration();
}

bool simIsOutputStatusItem(DeckLinkStatusID id)
{
    return SimOutputEngine::isStatusItem(id);
}

bool simOutputStatusIntLocked(SimDeviceState& device, DeckLinkStatusID id, std::int64_t* value)
{
    return simOutputEngineLocked(device)->statusInt(id, value);
}

HRESULT simOutputStatusBytesLocked(SimDeviceState& device, DeckLinkStatusID id, void* buffer, std::uint32_t* size)
{
    return simOutputEngineLocked(device)->statusBytes(id, buffer, size);
}

} // namespace sim
