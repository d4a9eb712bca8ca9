#pragma once

// An output object of a simulated device (IDeckLinkOutput with its companion IDeckLinkMacOutput).
// Several may exist per device; the device's SimOutputEngine decides which one holds the output.

#include "decklink/sim/SimObject.h"
#include "decklink/sim/SimOutputEngine.h"

#include <memory>

namespace sim {

class SimDeviceState;

class SimOutput final : public SimObject<IDeckLinkOutput, IDeckLinkMacOutput> {
public:
    explicit SimOutput(std::shared_ptr<SimDeviceState> device);

    HRESULT QueryInterface(REFIID iid, void** object) override;

    HRESULT GetDisplayModeIterator(IDeckLinkDisplayModeIterator** iterator) override;
    HRESULT DoesSupportVideoMode(DeckLinkVideoConnection connection, DeckLinkDisplayMode requestedMode,
        DeckLinkPixelFormat requestedPixelFormat, DeckLinkVideoOutputConversionMode conversionMode,
        DeckLinkSupportedVideoModeFlags flags, DeckLinkDisplayMode* actualMode, bool* supported) override;
    HRESULT EnableVideoOutput(DeckLinkDisplayMode displayMode, DeckLinkVideoOutputFlags flags) override;
    HRESULT DisableVideoOutput() override;
    HRESULT CreateVideoFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes,
        DeckLinkPixelFormat pixelFormat, DeckLinkFrameFlags flags, IDeckLinkMutableVideoFrame** outFrame) override;
    HRESULT CreateVideoFrameWithBuffer(std::int32_t width, std::int32_t height, std::int32_t rowBytes,
        DeckLinkPixelFormat pixelFormat, DeckLinkFrameFlags flags, IDeckLinkVideoBuffer* buffer,
        IDeckLinkMutableVideoFrame** outFrame) override;
    HRESULT RowBytesForPixelFormat(
        DeckLinkPixelFormat pixelFormat, std::int32_t width, std::int32_t* rowBytes) override;
    HRESULT DisplayVideoFrameSync(IDeckLinkVideoFrame* frame) override;
    HRESULT ScheduleVideoFrame(IDeckLinkVideoFrame* frame, DeckLinkTimeValue displayTime,
        DeckLinkTimeValue displayDuration, DeckLinkTimeScale timeScale) override;
    HRESULT SetScheduledFrameCompletionCallback(IDeckLinkVideoOutputCallback* callback) override;
    HRESULT GetBufferedVideoFrameCount(std::uint32_t* bufferedFrameCount) override;
    HRESULT StartScheduledPlayback(
        DeckLinkTimeValue playbackStartTime, DeckLinkTimeScale timeScale, double playbackSpeed) override;
    HRESULT StopScheduledPlayback(
        DeckLinkTimeValue stopPlaybackAtTime, DeckLinkTimeValue* actualStopTime, DeckLinkTimeScale timeScale) override;
    HRESULT GetScheduledStreamTime(
        DeckLinkTimeScale desiredTimeScale, DeckLinkTimeValue* streamTime, double* playbackSpeed) override;

    HRESULT CreateVideoFrameFromPixelBuffer(
        const DeckLinkPixelBufferRef* pixelBuffer, IDeckLinkVideoFrame** outFrame) override;

private:
    ~SimOutput() override;

    DeckLinkVideoConnection deviceConnections() const;

    const std::shared_ptr<SimDeviceState> device_;
    const std::shared_ptr<SimOutputEngine> engine_;
};

} // namespace sim
