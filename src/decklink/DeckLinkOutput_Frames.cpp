// Frame sending of the program output: wrap or copy the BGRA picture, convert it for HDR, write
// its colour and HDR metadata, then schedule it or display it at once.

#include "decklink/DeckLinkOutput.h"

#include "decklink/DeckLinkAPILoader.h"
#include "decklink/SimpleVideoBuffer.h"
#include "platform/SystemLog.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace decklink {

namespace {

// Keeps a frame's pixels alive for as long as a wrapping card frame holds them.
struct PixelBufferHold {
    std::atomic<int> references { 1 };
    media::Frame frame;
};

void retainHold(void* owner)
{
    static_cast<PixelBufferHold*>(owner)->references.fetch_add(1, std::memory_order_relaxed);
}

void releaseHold(void* owner)
{
    auto* hold = static_cast<PixelBufferHold*>(owner);
    if (hold->references.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete hold;
}

struct PrimariesXY {
    double rx, ry, gx, gy, bx, by;
};
constexpr PrimariesXY kRec2020Primaries { 0.708, 0.292, 0.17, 0.797, 0.131, 0.046 };
constexpr PrimariesXY kP3D65Primaries { 0.68, 0.32, 0.265, 0.69, 0.15, 0.06 };
constexpr double kWhiteX = 0.3127;
constexpr double kWhiteY = 0.329;

} // namespace

void DeckLinkOutput::displayPixelBuffer(const media::Frame& pixelBuffer)
{
    // 1.
    if (!_session->running || !_session->output || pixelBuffer.isNull())
        return;
    // 2. Only frames of the mode's size reach the card.
    if (pixelBuffer.width() != _session->width || pixelBuffer.height() != _session->height) {
        if (!_session->logged[LoggedSourceSizeMismatch]) {
            _session->logged[LoggedSourceSizeMismatch] = true;
            platform::systemLog("⚠️ DeckLinkOutput[%d] drop frame due to size mismatch in=%zux%zu out=%dx%d",
                _instanceId, static_cast<std::size_t>(pixelBuffer.width()),
                static_cast<std::size_t>(pixelBuffer.height()), _session->width, _session->height);
        }
        return;
    }
    _session->logged[LoggedSourceSizeMismatch] = false;
    if (pixelBuffer.format() != media::PixelFormat::BGRA) {
        if (!_session->logged[LoggedSourceFormatMismatch]) {
            _session->logged[LoggedSourceFormatMismatch] = true;
            platform::systemLog("⚠️ DeckLinkOutput[%d] drop frame: pixel format %s is not BGRA", _instanceId,
                PixelFormatName(static_cast<std::uint32_t>(pixelBuffer.format())));
        }
        return;
    }

    // 3. Forced HDR.
    applyForcedHDRToColorMode(true);
    prepareHDRWhileRunning();

    // 4. An HDR mode the running output cannot honour goes out as SDR Rec. 2020.
    const bool hdrRequested = IsHDRColorMode(_colorMode);
    const bool isHDR = hdrRequested && _session->hdrUnavailableReason.empty();
    const std::int32_t frameColorMode = hdrRequested && !isHDR ? 2 : _colorMode;
    if (_colorMode != _session->lastLoggedColorMode || isHDR != _session->lastLoggedIsHDR) {
        _session->lastLoggedColorMode = _colorMode;
        _session->lastLoggedIsHDR = isHDR;
        if (isHDR)
            platform::systemLog("✨ DeckLinkOutput[%d] HDR mode (pixelFormat=%s, hasConverter=%d)", _instanceId,
                PixelFormatName(_session->hdrPixelFormat), _session->videoConversion ? 1 : 0);
        else
            platform::systemLog("ℹ️ DeckLinkOutput[%d] SDR mode (colorMode=%d)", _instanceId, _colorMode);
    }

    ComPtr<IDeckLinkVideoFrame> frame;
    // 5. Lend the pixels to the card without a copy: shown as they are in SDR, and in HDR read once
    // by the converter below, which spares a full-frame copy per HDR frame.
    if (_session->macOutput) {
        auto* hold = new PixelBufferHold();
        hold->frame = pixelBuffer;
        const DeckLinkPixelBufferRef reference { pixelBuffer.data(), pixelBuffer.width(), pixelBuffer.height(),
            static_cast<std::int32_t>(pixelBuffer.rowBytes()), kDeckLinkFormat8BitBGRA, hold, retainHold, releaseHold };
        const HRESULT result = _session->macOutput->CreateVideoFrameFromPixelBuffer(&reference, frame.put());
        releaseHold(hold);
        if (result == S_OK && frame) {
            if (!_session->logged[LoggedMacWrapOK]) {
                _session->logged[LoggedMacWrapOK] = true;
                platform::systemLog("✅ DeckLinkOutput[%d] using IDeckLinkMacOutput zero-copy path", _instanceId);
            }
        } else {
            frame.reset();
            if (!_session->logged[LoggedMacWrapFail]) {
                _session->logged[LoggedMacWrapFail] = true;
                platform::systemLog("⚠️ DeckLinkOutput[%d] IDeckLinkMacOutput wrap failed (hr=0x%08X), fallback to "
                                    "copy path",
                    _instanceId, static_cast<unsigned>(result));
            }
            _session->macOutput.reset();
        }
    }

    // 6. Copy into a frame of our own buffer.
    if (!frame) {
        if (!pixelBuffer.data() || pixelBuffer.rowBytes() == 0)
            return;
        const std::size_t rowBytes = 4 * static_cast<std::size_t>(_session->width);
        auto buffer = ComPtr<SimpleVideoBuffer>::adopt(
            new SimpleVideoBuffer(rowBytes * static_cast<std::size_t>(_session->height)));
        void* bytes = nullptr;
        ComPtr<IDeckLinkMutableVideoFrame> copy;
        HRESULT result = buffer->GetBytes(&bytes);
        if (result == S_OK && bytes)
            result = _session->output->CreateVideoFrameWithBuffer(_session->width, _session->height,
                static_cast<std::int32_t>(rowBytes), kDeckLinkFormat8BitBGRA,
                isHDR ? kDeckLinkFrameContainsHDRMetadata : kDeckLinkFrameFlagDefault, buffer.get(), copy.put());
        if (result != S_OK || !bytes || !copy) {
            // Every frame would go the same way: one line per start.
            if (!_session->logged[LoggedCopyFail]) {
                _session->logged[LoggedCopyFail] = true;
                platform::systemLog("❌ DeckLinkOutput[%d] copy path: no frame for the picture (hr=0x%08X %s), "
                                    "dropping frames",
                    _instanceId, static_cast<unsigned>(result), HResultName(result));
            }
            return;
        }
        buffer.reset();
        const std::size_t perRow = std::min(pixelBuffer.rowBytes(), rowBytes);
        for (int row = 0; row < _session->height; ++row)
            std::memcpy(static_cast<std::uint8_t*>(bytes) + static_cast<std::size_t>(row) * rowBytes,
                pixelBuffer.row(row), perRow);
        frame = std::move(copy);
    }

    // 7. HDR: convert into the 10-bit format.
    if (isHDR) {
        if (_session->hdrPixelFormat == kDeckLinkFormat8BitBGRA) {
            if (!_session->logged[LoggedHDRV210Unsupported]) {
                _session->logged[LoggedHDRV210Unsupported] = true;
                platform::systemLog(
                    "❌ DeckLinkOutput[%d] HDR: no 10-bit format supported; dropping frame (no BGRA fallback)",
                    _instanceId);
            }
            return;
        }
        if (!_session->videoConversion) {
            if (!_session->logged[LoggedHDRConverterMissing]) {
                _session->logged[LoggedHDRConverterMissing] = true;
                platform::systemLog(
                    "❌ DeckLinkOutput[%d] HDR: CreateVideoConversionInstance failed (no converter)", _instanceId);
            }
            return;
        }
        const std::int32_t rowBytes = _session->hdrExpectedRowBytes > 0
            ? _session->hdrExpectedRowBytes
            : FallbackRowBytes(_session->hdrPixelFormat, _session->width);
        ComPtr<IDeckLinkMutableVideoFrame> hdrFrame;
        HRESULT result = _session->output->CreateVideoFrame(_session->width, _session->height, rowBytes,
            _session->hdrPixelFormat, kDeckLinkFrameContainsHDRMetadata, hdrFrame.put());
        if (result != S_OK || !hdrFrame) {
            if (!_session->logged[LoggedHDRConvertFail]) {
                _session->logged[LoggedHDRConvertFail] = true;
                platform::systemLog("❌ DeckLinkOutput[%d] HDR: CreateVideoFrame(%s) failed (hr=0x%08X %s)", _instanceId,
                    PixelFormatName(_session->hdrPixelFormat), static_cast<unsigned>(result), HResultName(result));
            }
            return;
        }
        result = _session->videoConversion->ConvertFrame(frame.get(), hdrFrame.get());
        if (result != S_OK) {
            if (!_session->logged[LoggedHDRConvertFail]) {
                _session->logged[LoggedHDRConvertFail] = true;
                platform::systemLog("❌ DeckLinkOutput[%d] HDR: %s conversion failed (hr=0x%08X %s), dropping frame",
                    _instanceId, PixelFormatName(_session->hdrPixelFormat), static_cast<unsigned>(result),
                    HResultName(result));
            }
            return;
        }
        if (!_session->logged[LoggedHDRConvertOK]) {
            _session->logged[LoggedHDRConvertOK] = true;
            platform::systemLog(
                "✅ DeckLinkOutput[%d] HDR: using %s output", _instanceId, PixelFormatName(_session->hdrPixelFormat));
        }
        frame = std::move(hdrFrame);
    }

    // 8. Metadata.
    if (frameColorMode >= 1 && !writeFrameMetadata(frame.get(), frameColorMode, isHDR) && isHDR)
        return;

    // 9. / 10. Submit.
    if (_session->useScheduledPlayback && _session->frameDuration >= 1 && _session->timeScale >= 1)
        submitScheduled(frame.get(), isHDR);
    else
        submitSync(frame.get(), isHDR);
}

bool DeckLinkOutput::writeFrameMetadata(IDeckLinkVideoFrame* frame, std::int32_t colorMode, bool isHDR)
{
    auto metadata = ComPtr<IDeckLinkVideoFrame>::retain(frame).as<IDeckLinkVideoFrameMutableMetadataExtensions>();
    if (!metadata) {
        if (isHDR && !_session->logged[LoggedHDRMetadataUnsupported]) {
            _session->logged[LoggedHDRMetadataUnsupported] = true;
            platform::systemLog(
                "⚠️ DeckLinkOutput[%d] HDR: frame does not support metadata extensions", _instanceId);
        }
        return true;
    }
    // Failing writes are named once per start; a card that refuses them refuses every frame.
    const bool report = !_session->logged[LoggedHDRMetadataSetFail];
    bool complete = true;
    auto setInt = [&](DeckLinkFrameMetadataID id, const char* name, std::int64_t value) {
        const HRESULT result = metadata->SetInt(id, value);
        if (result != S_OK) {
            complete = false;
            if (report)
                platform::systemLog("⚠️ DeckLinkOutput[%d] HDR metadata SetInt(%s) failed (hr=0x%08X value=%lld)",
                    _instanceId, name, static_cast<unsigned>(result), static_cast<long long>(value));
        }
    };
    auto setFloat = [&](DeckLinkFrameMetadataID id, const char* name, double value) {
        const HRESULT result = metadata->SetFloat(id, value);
        if (result != S_OK) {
            complete = false;
            if (report)
                platform::systemLog("⚠️ DeckLinkOutput[%d] HDR metadata SetFloat(%s) failed (hr=0x%08X value=%.6f)",
                    _instanceId, name, static_cast<unsigned>(result), value);
        }
    };
    setInt(kDeckLinkFrameMetadataColorspace, "colorspace", ColorspaceForMode(colorMode));
    setInt(kDeckLinkFrameMetadataHDREOTF, "eotf", EOTFForMode(colorMode));
    if (isHDR) {
        const PrimariesXY& p = colorMode == 5 ? kP3D65Primaries : kRec2020Primaries;
        setFloat(kDeckLinkFrameMetadataHDRDisplayPrimariesRedX, "primariesRx", p.rx);
        setFloat(kDeckLinkFrameMetadataHDRDisplayPrimariesRedY, "primariesRy", p.ry);
        setFloat(kDeckLinkFrameMetadataHDRDisplayPrimariesGreenX, "primariesGx", p.gx);
        setFloat(kDeckLinkFrameMetadataHDRDisplayPrimariesGreenY, "primariesGy", p.gy);
        setFloat(kDeckLinkFrameMetadataHDRDisplayPrimariesBlueX, "primariesBx", p.bx);
        setFloat(kDeckLinkFrameMetadataHDRDisplayPrimariesBlueY, "primariesBy", p.by);
        setFloat(kDeckLinkFrameMetadataHDRWhitePointX, "whitePointX", kWhiteX);
        setFloat(kDeckLinkFrameMetadataHDRWhitePointY, "whitePointY", kWhiteY);
        setFloat(kDeckLinkFrameMetadataHDRMaxDisplayMasteringLuminance, "maxMasteringNits", _hdrMaxNits);
        setFloat(kDeckLinkFrameMetadataHDRMinDisplayMasteringLuminance, "minMasteringNits", _hdrMinNits);
        setFloat(kDeckLinkFrameMetadataHDRMaximumContentLightLevel, "maxCLL", _hdrMaxCLL);
        setFloat(kDeckLinkFrameMetadataHDRMaximumFrameAverageLightLevel, "maxFALL", _hdrMaxFALL);
    }
    if (complete)
        return true;
    _session->logged[LoggedHDRMetadataSetFail] = true;
    if (isHDR && report)
        platform::systemLog(
            "❌ DeckLinkOutput[%d] HDR: metadata write incomplete; dropping frame to avoid invalid output frame",
            _instanceId);
    return false;
}

void DeckLinkOutput::submitScheduled(IDeckLinkVideoFrame* frame, bool isHDR)
{
    std::uint32_t buffered = 0;
    const bool bufferedKnown = _session->output->GetBufferedVideoFrameCount(&buffered) == S_OK;
    if (bufferedKnown && buffered > 3) {
        if (!_session->logged[LoggedScheduleDrop]) {
            _session->logged[LoggedScheduleDrop] = true;
            platform::systemLog("⚠️ DeckLinkOutput[%d] HDR: dropping frame to keep scheduler stable (buffered=%u)",
                _instanceId, buffered);
        }
        return;
    }
    if (_session->scheduledPlaybackStarted) {
        // Behind the card's clock: skip ahead rather than queue frames for times already gone.
        DeckLinkTimeValue streamTime = 0;
        double speed = 0;
        if (_session->output->GetScheduledStreamTime(_session->timeScale, &streamTime, &speed) == S_OK
            && _session->nextFrameTime <= streamTime)
            _session->nextFrameTime = streamTime + _session->frameDuration;
    } else {
        _session->nextFrameTime = _session->frameDuration * static_cast<std::int64_t>(_session->scheduledPrerollCount);
    }

    frame->AddRef();
    _session->outputCallback->adoptScheduledFrame(frame);
    const HRESULT result = _session->output->ScheduleVideoFrame(
        frame, _session->nextFrameTime, _session->frameDuration, _session->timeScale);
    if (result == S_OK) {
        _session->nextFrameTime += _session->frameDuration;
        if (!_session->scheduledPlaybackStarted) {
            ++_session->scheduledPrerollCount;
            if (_session->scheduledPrerollCount >= 2) {
                const HRESULT started = _session->output->StartScheduledPlayback(0, _session->timeScale, 1.0);
                if (started == S_OK) {
                    _session->scheduledPlaybackStarted = true;
                } else if (!_session->logged[LoggedScheduleFail]) {
                    _session->logged[LoggedScheduleFail] = true;
                    platform::systemLog("❌ DeckLinkOutput[%d] Output: StartScheduledPlayback failed (hr=0x%08X %s)",
                        _instanceId, static_cast<unsigned>(started), HResultName(started));
                }
            }
        }
        return;
    }

    _session->outputCallback->releaseUnscheduledFrame(frame);
    if (_session->logged[LoggedScheduleFail])
        return;
    _session->logged[LoggedScheduleFail] = true;
    std::uint32_t nowBuffered = 0;
    if (_session->output->GetBufferedVideoFrameCount(&nowBuffered) == S_OK)
        platform::systemLog("❌ DeckLinkOutput[%d] Output: ScheduleVideoFrame failed (hr=0x%08X %s buffered=%u "
                            "next=%lld dur=%lld ts=%lld)",
            _instanceId, static_cast<unsigned>(result), HResultName(result), nowBuffered,
            static_cast<long long>(_session->nextFrameTime), static_cast<long long>(_session->frameDuration),
            static_cast<long long>(_session->timeScale));
    else
        platform::systemLog(
            "❌ DeckLinkOutput[%d] Output: ScheduleVideoFrame failed (hr=0x%08X %s next=%lld dur=%lld ts=%lld)",
            _instanceId, static_cast<unsigned>(result), HResultName(result),
            static_cast<long long>(_session->nextFrameTime), static_cast<long long>(_session->frameDuration),
            static_cast<long long>(_session->timeScale));
    if (result == E_INVALIDARG && isHDR) {
        platform::systemLog("🧪 DeckLinkOutput[%d] HDR diag: E_INVALIDARG from ScheduleVideoFrame (check frame "
                            "size/pixel format/metadata for active mode)",
            _instanceId);
        diagnoseFrame(frame, "ScheduleVideoFrame");
        switchToAlternateHDRPixelFormatIfPossible("ScheduleVideoFrame E_INVALIDARG");
    }
}

void DeckLinkOutput::submitSync(IDeckLinkVideoFrame* frame, bool)
{
    const HRESULT result = _session->output->DisplayVideoFrameSync(frame);
    if (result == S_OK || _session->logged[LoggedScheduleDrop])
        return;
    _session->logged[LoggedScheduleDrop] = true;
    platform::systemLog("❌ DeckLinkOutput[%d] HDR: DisplayVideoFrameSync failed (hr=0x%08X %s)", _instanceId,
        static_cast<unsigned>(result), HResultName(result));
    if (result == E_INVALIDARG) {
        platform::systemLog("🧪 DeckLinkOutput[%d] HDR diag: E_INVALIDARG from DisplayVideoFrameSync (frame likely "
                            "invalid for current output mode)",
            _instanceId);
        diagnoseFrame(frame, "DisplayVideoFrameSync");
        switchToAlternateHDRPixelFormatIfPossible("DisplayVideoFrameSync E_INVALIDARG");
    }
}

void DeckLinkOutput::diagnoseFrame(IDeckLinkVideoFrame* frame, const char* context)
{
    if (_session->logged[LoggedHDRInvalidFrameDetail])
        return;
    _session->logged[LoggedHDRInvalidFrameDetail] = true;
    refreshHDMIOutputStatusIfPossible(false);
    const std::int32_t width = frame->GetWidth();
    const std::int32_t height = frame->GetHeight();
    const std::int32_t rowBytes = frame->GetRowBytes();
    const DeckLinkPixelFormat format = frame->GetPixelFormat();
    const DeckLinkFrameFlags flags = frame->GetFlags();
    std::int32_t expected = 0;
    const HRESULT hrExpected = _session->output->RowBytesForPixelFormat(format, width, &expected);
    platform::systemLog("🧪 DeckLinkOutput[%d] HDR frame diag(%s): w=%d h=%d rb=%d fmt=%s flags=0x%llX expectedRB=%d "
                        "hrExpected=0x%08X reqMode=%s(%lld) hdmiMode=%s(%lld)",
        _instanceId, context, width, height, rowBytes, PixelFormatName(format), static_cast<unsigned long long>(flags),
        expected, static_cast<unsigned>(hrExpected), DisplayModeTag(_session->displayMode).c_str(),
        static_cast<long long>(_session->displayMode), DisplayModeTag(_session->lastHDMIMode).c_str(),
        static_cast<long long>(_session->lastHDMIMode));
}

} // namespace decklink
