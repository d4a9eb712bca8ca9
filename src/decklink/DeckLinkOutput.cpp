// Lifecycle of the program output: creation, device names, start, stop and mode timing.

#include "decklink/DeckLinkOutput.h"

#include "decklink/DeckLinkAPILoader.h"
#include "platform/SystemLog.h"

#include <atomic>

namespace decklink {

namespace {

std::atomic<std::int32_t> gNextInstanceId { 1 };

} // namespace

DeckLinkOutput::DeckLinkOutput()
    : _instanceId(gNextInstanceId.fetch_add(1))
{
    platform::systemLog("🧩 DeckLinkOutput init id=%d", _instanceId);
}

DeckLinkOutput::~DeckLinkOutput()
{
    stop();
}

QStringList DeckLinkOutput::deviceNames()
{
    return DeckLinkOutputDeviceNames();
}

bool DeckLinkOutput::failStart(const char* line)
{
    platform::systemLog("%s", line);
    stop();
    return false;
}

bool DeckLinkOutput::startWithDeviceIndex(std::int32_t deviceIndex, std::int32_t modeCode)
{
    // 1. Settings made before the start survive the stop every start begins with.
    const std::int32_t colorMode = _colorMode;
    const bool forceHDR = _forceHDR;
    std::int32_t forcedMode = _forcedHDRMode;
    const double maxNits = _hdrMaxNits, minNits = _hdrMinNits, maxCLL = _hdrMaxCLL, maxFALL = _hdrMaxFALL;
    stop();
    _colorMode = colorMode;
    _forceHDR = forceHDR;
    if (forceHDR && forcedMode == 0)
        forcedMode = 3;
    _forcedHDRMode = forcedMode;
    _hdrMaxNits = maxNits;
    _hdrMinNits = minNits;
    _hdrMaxCLL = maxCLL;
    _hdrMaxFALL = maxFALL;
    platform::systemLog("🎛️ DeckLinkOutput[%d] start restore colorMode=%d forceHDR=%d", _instanceId, _colorMode,
        _forceHDR ? 1 : 0);
    applyForcedHDRToColorMode(false);

    // 2. The device at the index.
    bool noIterator = false;
    ComPtr<IDeckLink> device = decklink::deviceAt(deviceIndex, &noIterator);
    if (noIterator) {
        platform::systemLog("❌ CreateDeckLinkIteratorInstance failed");
        return false;
    }
    if (!device) {
        platform::systemLog("❌ DeckLink device not found at index %d", deviceIndex);
        return false;
    }
    _deckLink = std::move(device);

    // 3. Connection: HDMI first, then SDI, then the rest.
    if (auto attributes = _deckLink.as<IDeckLinkAttributes>()) {
        std::int64_t connections = 0;
        if (attributes->GetInt(kDeckLinkAttributeVideoOutputConnections, &connections) == S_OK) {
            for (DeckLinkVideoConnection bit : { 2u, 1u, 4u, 8u, 16u, 32u }) {
                if (connections & bit) {
                    _outputConnection = bit;
                    break;
                }
            }
        }
    }

    // 4. Converter and metadata defaults.
    if (!_videoConversion)
        _videoConversion = ComPtr<IDeckLinkVideoConversion>::adopt(CreateVideoConversionInstance());
    if (_hdrMaxNits <= 0)
        _hdrMaxNits = 1000;
    if (_hdrMinNits <= 0)
        _hdrMinNits = 0.005;
    if (_hdrMaxCLL <= 0)
        _hdrMaxCLL = _hdrMaxNits;
    if (_hdrMaxFALL <= 0)
        _hdrMaxFALL = _hdrMaxNits;

    // 5. Output interfaces.
    _output = _deckLink.as<IDeckLinkOutput>();
    if (!_output)
        return failStart("❌ QueryInterface(IID_IDeckLinkOutput) failed");
    _macOutput = _output.as<IDeckLinkMacOutput>();
    if (_macOutput)
        platform::systemLog("✅ DeckLinkOutput[%d] IDeckLinkMacOutput available", _instanceId);
    else
        platform::systemLog("ℹ️ DeckLinkOutput[%d] IDeckLinkMacOutput unavailable, using copy path", _instanceId);

    // 6. Mode and device colour configuration.
    _modeCode = modeCode;
    _displayMode = OutputDisplayModeForModeCode(modeCode);
    applyColorModeIfPossible();
    platform::systemLog(
        "🎛️ DeckLinkOutput[%d] start cfg: modeCode=%d displayMode=%lld colorMode=%d forceHDR=%d outputConn=0x%llX",
        _instanceId, _modeCode, static_cast<long long>(_displayMode), _colorMode, _forceHDR ? 1 : 0,
        static_cast<unsigned long long>(_outputConnection));
    platform::systemLog(
        "🎛️ DeckLinkOutput[%d] start meta: colorspace=%s eotf=%lld hdrNits=%.1f/%.4f cll=%.1f fall=%.1f",
        _instanceId, ColorspaceName(ColorspaceForMode(_colorMode)), static_cast<long long>(EOTFForMode(_colorMode)),
        _hdrMaxNits, _hdrMinNits, _hdrMaxCLL, _hdrMaxFALL);

    // 7. Timing of the mode.
    if (!applyModeTiming(_displayMode))
        return failStart("❌ Display mode not supported on this device");

    // 8. Pixel format.
    const bool wantsHDR = IsHDRColorMode(_colorMode) || _forceHDR;
    _hdrPixelFormat = kDeckLinkFormat8BitBGRA;
    if (wantsHDR) {
        selectHDRPixelFormat();
    } else {
        _hdrV210Supported = _hdrR10lSupported = _hdrR10bSupported = _hdrR210Supported = false;
        platform::systemLog("🎯 DeckLinkOutput[%d] fmt select: wantsHDR=%d v210=%d R10l=%d R10b=%d r210=%d chosen=%s",
            _instanceId, 0, 0, 0, 0, 0, PixelFormatName(_hdrPixelFormat));
    }

    // 9. Final check, with the mode the card will really play.
    DeckLinkDisplayMode actualMode = kDeckLinkModeUnknown;
    bool supported = false;
    const HRESULT finalResult = _output->DoesSupportVideoMode(_outputConnection, _displayMode, _hdrPixelFormat,
        kDeckLinkNoVideoOutputConversion, kDeckLinkSupportedVideoModeDefault, &actualMode, &supported);
    if (finalResult != S_OK || !supported) {
        platform::systemLog(
            "❌ DeckLinkOutput[%d] final DoesSupportVideoMode failed (hr=0x%08X supported=%d reqMode=%lld fmt=%s)",
            _instanceId, static_cast<unsigned>(finalResult), supported ? 1 : 0, static_cast<long long>(_displayMode),
            PixelFormatName(_hdrPixelFormat));
        stop();
        return false;
    }
    if (actualMode != kDeckLinkModeUnknown && actualMode != _displayMode) {
        platform::systemLog(
            "⚠️ DeckLinkOutput[%d] output mode converted by SDK: requested=%lld actual=%lld (fmt=%s)", _instanceId,
            static_cast<long long>(_displayMode), static_cast<long long>(actualMode), PixelFormatName(_hdrPixelFormat));
        const std::int32_t requestedWidth = _width, requestedHeight = _height;
        _displayMode = actualMode;
        if (!applyModeTiming(actualMode)) {
            platform::systemLog("❌ DeckLinkOutput[%d] failed to apply converted display mode timing", _instanceId);
            stop();
            return false;
        }
        // Frames come in the size of the requested mode; another size would drop every one.
        if (_width != requestedWidth || _height != requestedHeight) {
            platform::systemLog(
                "❌ DeckLinkOutput[%d] converted display mode changes the frame size (%dx%d -> %dx%d); not starting",
                _instanceId, requestedWidth, requestedHeight, _width, _height);
            stop();
            return false;
        }
    }

    // 10. HDR: row bytes, and the 10-bit path must be complete.
    if (wantsHDR) {
        if (_hdrPixelFormat != kDeckLinkFormat8BitBGRA)
            storeHDRRowBytes(true);
        if (!PixelFormatIs10Bit(_hdrPixelFormat)) {
            platform::systemLog(
                "❌ DeckLinkOutput[%d] HDR: no 10-bit pixel format available for this mode/device", _instanceId);
            stop();
            return false;
        }
        if (!_videoConversion) {
            platform::systemLog("❌ DeckLinkOutput[%d] HDR: video conversion unavailable", _instanceId);
            stop();
            return false;
        }
    }

    // 11. Enable.
    if (_output->EnableVideoOutput(_displayMode, kDeckLinkVideoOutputFlagDefault) != S_OK)
        return failStart("❌ EnableVideoOutput failed");
    platform::systemLog(
        "📤 DeckLinkOutput[%d] EnableVideoOutput ok: outFlags=0x%llX wantsHDR=%d", _instanceId, 0ULL, wantsHDR ? 1 : 0);

    // 12. Transport.
    const bool timingValid = _frameDuration >= 1 && _timeScale >= 1;
    _useScheduledPlayback = timingValid && (!wantsHDR || _colorMode == 4);
    if (_useScheduledPlayback) {
        if (!_outputCallback)
            _outputCallback = ComPtr<OutputScheduledCallback>::adopt(new OutputScheduledCallback());
        _output->SetScheduledFrameCompletionCallback(_outputCallback.get());
        platform::systemLog(
            "⚙️ DeckLinkOutput[%d] transport: scheduled playback (mode=%s frameDuration=%lld timeScale=%lld)",
            _instanceId, _colorMode == 4 ? "HLG" : "SDR", static_cast<long long>(_frameDuration),
            static_cast<long long>(_timeScale));
    } else if (timingValid && (_colorMode == 3 || _colorMode == 5)) {
        platform::systemLog("⚙️ DeckLinkOutput[%d] transport: sync path (PQ stability mode)", _instanceId);
    } else if (timingValid) {
        platform::systemLog("⚙️ DeckLinkOutput[%d] transport: sync path", _instanceId);
    } else {
        platform::systemLog(
            "⚙️ DeckLinkOutput[%d] transport: sync path (invalid timing frameDuration=%lld timeScale=%lld)",
            _instanceId, static_cast<long long>(_frameDuration), static_cast<long long>(_timeScale));
    }
    _nextFrameTime = 0;
    _scheduledPrerollCount = 0;
    _scheduledPlaybackStarted = false;
    _loggedScheduleFail = false;
    _loggedScheduleDrop = false;
    _loggedHDRInvalidFrameDetail = false;

    // 13. Running; what the device says about HDR.
    _running = true;
    if (!_loggedHDRSupport) {
        _loggedHDRSupport = true;
        auto attributes = _deckLink.as<IDeckLinkAttributes>();
        bool hdrMetadata = false;
        if (attributes && attributes->GetFlag(kDeckLinkAttributeSupportsHDRMetadata, &hdrMetadata) == S_OK)
            platform::systemLog("📡 DeckLinkOutput[%d] supports HDR metadata: %d", _instanceId, hdrMetadata ? 1 : 0);
        else
            platform::systemLog("📡 DeckLinkOutput[%d] supports HDR metadata: unavailable", _instanceId);
        std::int64_t ranges = 0;
        if (attributes && attributes->GetInt(kDeckLinkAttributeSupportedDynamicRange, &ranges) == S_OK) {
            // Every device plays SDR; the value only adds the HDR ranges.
            platform::systemLog("📡 DeckLinkOutput[%d] supported dynamic range: SDR=%d PQ=%d HLG=%d (0x%llX)",
                _instanceId, 1, (ranges & kDeckLinkDynamicRangeHDRStaticPQ) ? 1 : 0,
                (ranges & kDeckLinkDynamicRangeHDRStaticHLG) ? 1 : 0, static_cast<unsigned long long>(ranges));
        } else {
            platform::systemLog("📡 DeckLinkOutput[%d] supported dynamic range: unavailable", _instanceId);
        }
    }

    // 14. HDMI status.
    logHDMIOutputStatusIfPossible();
    if (_lastHDMIStatusValid && _lastHDMIMode != 0 && _lastHDMIMode != static_cast<std::int64_t>(_displayMode)) {
        platform::systemLog(
            "⚠️ DeckLinkOutput[%d] requested mode %s (%lld) but HDMI reports %s (%lld). This mismatch "
            "can cause E_INVALIDARG on frame submit.",
            _instanceId, DisplayModeTag(_displayMode).c_str(), static_cast<long long>(_displayMode),
            DisplayModeTag(_lastHDMIMode).c_str(), static_cast<long long>(_lastHDMIMode));
    }

    // 15. The display must take the transfer function.
    if (!validateHDMISinkHDRCompatibility()) {
        stop();
        return false;
    }
    _hdrPreparedWhileRunning = IsHDRColorMode(_colorMode);
    platform::systemLog("✅ DeckLinkOutput[%d] started: %d x %d", _instanceId, _width, _height);
    return true;
}

bool DeckLinkOutput::applyModeTiming(DeckLinkDisplayMode displayMode)
{
    ComPtr<IDeckLinkDisplayModeIterator> iterator;
    if (_output->GetDisplayModeIterator(iterator.put()) != S_OK || !iterator) {
        platform::systemLog("❌ GetDisplayModeIterator failed");
        return false;
    }
    ComPtr<IDeckLinkDisplayMode> mode;
    while (iterator->Next(mode.put()) == S_OK && mode) {
        if (mode->GetDisplayMode() == displayMode)
            break;
    }
    iterator.reset();
    if (!mode || mode->GetDisplayMode() != displayMode)
        return false;
    _width = mode->GetWidth();
    _height = mode->GetHeight();
    DeckLinkTimeValue duration = 0;
    DeckLinkTimeScale scale = 0;
    if (mode->GetFrameRate(&duration, &scale) != S_OK) {
        _frameDuration = 0;
        _timeScale = 0;
        platform::systemLog("⚠️ DeckLinkOutput[%d] mode timing: GetFrameRate unavailable", _instanceId);
    } else {
        _frameDuration = duration;
        _timeScale = scale;
        if (duration < 1)
            platform::systemLog("⚠️ DeckLinkOutput[%d] mode timing: invalid frameDuration=0", _instanceId);
        else
            platform::systemLog("🎞️ DeckLinkOutput[%d] mode timing: frameDuration=%lld timeScale=%lld fps=%.3f",
                _instanceId, static_cast<long long>(duration), static_cast<long long>(scale),
                static_cast<double>(scale) / static_cast<double>(duration));
    }
    return true;
}

void DeckLinkOutput::stop()
{
    _running = false;
    _macOutput.reset();
    if (_output) {
        if (_useScheduledPlayback) {
            // Stopping flushes every frame still scheduled; the callback stays installed until then
            // so those completions give their references back.
            _output->StopScheduledPlayback(0, nullptr, _timeScale < 1 ? 1000 : _timeScale);
            _output->SetScheduledFrameCompletionCallback(nullptr);
        }
        _output->DisableVideoOutput();
        _output.reset();
    }
    // The card calls no more: frames it never completed are released here.
    if (_outputCallback)
        _outputCallback->releaseOutstandingFrames();
    _videoConversion.reset();
    _deckLink.reset();
    _outputCallback.reset();

    _width = _height = 0;
    _outputConnection = 0;
    _colorMode = 0;
    _forceHDR = false;
    _forcedHDRMode = 0;
    _modeCode = -1;
    _displayMode = 0;
    _hdrMaxNits = 1000;
    _hdrMinNits = 0.005;
    _hdrMaxCLL = 1000;
    _hdrMaxFALL = 1000;
    _hdrPixelFormat = kDeckLinkFormat8BitBGRA;
    _hdrV210Supported = _hdrR10lSupported = _hdrR10bSupported = _hdrR210Supported = false;
    _hdrExpectedRowBytes = 0;
    _hdrFallbackAttempts = 0;
    _useScheduledPlayback = false;
    _scheduledPlaybackStarted = false;
    _scheduledPrerollCount = 0;
    _frameDuration = 0;
    _timeScale = 0;
    _nextFrameTime = 0;
    _lastLoggedColorMode = -1;
    _lastLoggedIsHDR = false;
    _lastHDMIStatusValid = false;
    _lastHDMIMode = _lastHDMIFormatFlags = _lastHDMILastPix = _lastHDMIOutFlags = 0;
    _lastSinkHDRValid = _lastSinkHasStaticHDRBlock = _lastSinkSupportsPQ = _lastSinkSupportsHLG = false;
    _loggedHDRConvertFail = _loggedHDRConvertOK = _loggedHDRConverterMissing = false;
    _loggedHDRV210Unsupported = _loggedHDRMetadataUnsupported = _loggedHDRSupport = false;
    _loggedHDRMetadataSetFail = false;
    _loggedScheduleFail = _loggedScheduleDrop = false;
    _loggedMacWrapOK = _loggedMacWrapFail = _loggedCopyFail = false;
    _loggedHDRInvalidFrameDetail = false;
    _loggedSourceFormatMismatch = false;
    _hdrPreparedWhileRunning = false;
    _hdrUnavailableReason.clear();
}

} // namespace decklink
