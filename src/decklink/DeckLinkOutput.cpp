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

DeckLinkOutput::StartResult DeckLinkOutput::failStart(StartError error, const char* line)
{
    platform::systemLog("%s", line);
    stop();
    return platform::fail(error);
}

const char* DeckLinkOutput::startErrorName(StartError error)
{
    switch (error) {
    case StartError::NoDriver:
        return "no driver";
    case StartError::DeviceNotFound:
        return "device not found";
    case StartError::NoOutputInterface:
        return "no output interface";
    case StartError::ModeUnsupported:
        return "display mode not supported";
    case StartError::ModeChangesFrameSize:
        return "display mode changes the frame size";
    case StartError::NoTenBitFormat:
        return "no 10-bit pixel format";
    case StartError::NoVideoConversion:
        return "no video conversion";
    case StartError::EnableFailed:
        return "enabling the output failed";
    case StartError::SinkRejectsHDR:
        return "the display does not take the HDR signal";
    }
    return "unknown";
}

DeckLinkOutput::StartResult DeckLinkOutput::startWithDeviceIndex(std::int32_t deviceIndex, std::int32_t modeCode)
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
        return platform::fail(StartError::NoDriver);
    }
    if (!device) {
        platform::systemLog("❌ DeckLink device not found at index %d", deviceIndex);
        return platform::fail(StartError::DeviceNotFound);
    }
    _session->deckLink = std::move(device);

    // 3. Connection: HDMI first, then SDI, then the rest.
    if (auto attributes = _session->deckLink.as<IDeckLinkAttributes>()) {
        std::int64_t connections = 0;
        if (attributes->GetInt(kDeckLinkAttributeVideoOutputConnections, &connections) == S_OK) {
            for (DeckLinkVideoConnection bit : { 2u, 1u, 4u, 8u, 16u, 32u }) {
                if (connections & bit) {
                    _session->outputConnection = bit;
                    break;
                }
            }
        }
    }

    // 4. Converter and metadata defaults.
    if (!_session->videoConversion)
        _session->videoConversion = ComPtr<IDeckLinkVideoConversion>::adopt(CreateVideoConversionInstance());
    if (_hdrMaxNits <= 0)
        _hdrMaxNits = 1000;
    if (_hdrMinNits <= 0)
        _hdrMinNits = 0.005;
    if (_hdrMaxCLL <= 0)
        _hdrMaxCLL = _hdrMaxNits;
    if (_hdrMaxFALL <= 0)
        _hdrMaxFALL = _hdrMaxNits;

    // 5. Output interfaces.
    _session->output = _session->deckLink.as<IDeckLinkOutput>();
    if (!_session->output)
        return failStart(StartError::NoOutputInterface, "❌ QueryInterface(IID_IDeckLinkOutput) failed");
    _session->macOutput = _session->output.as<IDeckLinkMacOutput>();
    if (_session->macOutput)
        platform::systemLog("✅ DeckLinkOutput[%d] IDeckLinkMacOutput available", _instanceId);
    else
        platform::systemLog("ℹ️ DeckLinkOutput[%d] IDeckLinkMacOutput unavailable, using copy path", _instanceId);

    // 6. Mode and device colour configuration.
    _session->modeCode = modeCode;
    _session->displayMode = OutputDisplayModeForModeCode(modeCode);
    applyColorModeIfPossible();
    platform::systemLog(
        "🎛️ DeckLinkOutput[%d] start cfg: modeCode=%d displayMode=%lld colorMode=%d forceHDR=%d outputConn=0x%llX",
        _instanceId, _session->modeCode, static_cast<long long>(_session->displayMode), _colorMode, _forceHDR ? 1 : 0,
        static_cast<unsigned long long>(_session->outputConnection));
    platform::systemLog(
        "🎛️ DeckLinkOutput[%d] start meta: colorspace=%s eotf=%lld hdrNits=%.1f/%.4f cll=%.1f fall=%.1f",
        _instanceId, ColorspaceName(ColorspaceForMode(_colorMode)), static_cast<long long>(EOTFForMode(_colorMode)),
        _hdrMaxNits, _hdrMinNits, _hdrMaxCLL, _hdrMaxFALL);

    // 7. Timing of the mode.
    if (!applyModeTiming(_session->displayMode))
        return failStart(StartError::ModeUnsupported, "❌ Display mode not supported on this device");

    // 8. Pixel format.
    const bool wantsHDR = IsHDRColorMode(_colorMode) || _forceHDR;
    _session->hdrPixelFormat = kDeckLinkFormat8BitBGRA;
    if (wantsHDR) {
        selectHDRPixelFormat();
    } else {
        _session->hdrV210Supported = _session->hdrR10lSupported = _session->hdrR10bSupported
            = _session->hdrR210Supported = false;
        platform::systemLog("🎯 DeckLinkOutput[%d] fmt select: wantsHDR=%d v210=%d R10l=%d R10b=%d r210=%d chosen=%s",
            _instanceId, 0, 0, 0, 0, 0, PixelFormatName(_session->hdrPixelFormat));
    }

    // 9. Final check, with the mode the card will really play.
    DeckLinkDisplayMode actualMode = kDeckLinkModeUnknown;
    bool supported = false;
    const HRESULT finalResult = _session->output->DoesSupportVideoMode(_session->outputConnection,
        _session->displayMode, _session->hdrPixelFormat, kDeckLinkNoVideoOutputConversion,
        kDeckLinkSupportedVideoModeDefault, &actualMode, &supported);
    if (finalResult != S_OK || !supported) {
        platform::systemLog(
            "❌ DeckLinkOutput[%d] final DoesSupportVideoMode failed (hr=0x%08X supported=%d reqMode=%lld fmt=%s)",
            _instanceId, static_cast<unsigned>(finalResult), supported ? 1 : 0,
            static_cast<long long>(_session->displayMode), PixelFormatName(_session->hdrPixelFormat));
        stop();
        return platform::fail(StartError::ModeUnsupported);
    }
    if (actualMode != kDeckLinkModeUnknown && actualMode != _session->displayMode) {
        platform::systemLog(
            "⚠️ DeckLinkOutput[%d] output mode converted by SDK: requested=%lld actual=%lld (fmt=%s)", _instanceId,
            static_cast<long long>(_session->displayMode), static_cast<long long>(actualMode),
            PixelFormatName(_session->hdrPixelFormat));
        const std::int32_t requestedWidth = _session->width, requestedHeight = _session->height;
        _session->displayMode = actualMode;
        if (!applyModeTiming(actualMode)) {
            platform::systemLog("❌ DeckLinkOutput[%d] failed to apply converted display mode timing", _instanceId);
            stop();
            return platform::fail(StartError::ModeUnsupported);
        }
        // Frames come in the size of the requested mode; another size would drop every one.
        if (_session->width != requestedWidth || _session->height != requestedHeight) {
            platform::systemLog(
                "❌ DeckLinkOutput[%d] converted display mode changes the frame size (%dx%d -> %dx%d); not starting",
                _instanceId, requestedWidth, requestedHeight, _session->width, _session->height);
            stop();
            return platform::fail(StartError::ModeChangesFrameSize);
        }
    }

    // 10. HDR: row bytes, and the 10-bit path must be complete.
    if (wantsHDR) {
        if (_session->hdrPixelFormat != kDeckLinkFormat8BitBGRA)
            storeHDRRowBytes(true);
        if (!PixelFormatIs10Bit(_session->hdrPixelFormat)) {
            platform::systemLog(
                "❌ DeckLinkOutput[%d] HDR: no 10-bit pixel format available for this mode/device", _instanceId);
            stop();
            return platform::fail(StartError::NoTenBitFormat);
        }
        if (!_session->videoConversion) {
            platform::systemLog("❌ DeckLinkOutput[%d] HDR: video conversion unavailable", _instanceId);
            stop();
            return platform::fail(StartError::NoVideoConversion);
        }
    }

    // 11. Enable.
    if (_session->output->EnableVideoOutput(_session->displayMode, kDeckLinkVideoOutputFlagDefault) != S_OK)
        return failStart(StartError::EnableFailed, "❌ EnableVideoOutput failed");
    platform::systemLog(
        "📤 DeckLinkOutput[%d] EnableVideoOutput ok: outFlags=0x%llX wantsHDR=%d", _instanceId, 0ULL, wantsHDR ? 1 : 0);

    // 12. Transport.
    const bool timingValid = _session->frameDuration >= 1 && _session->timeScale >= 1;
    _session->useScheduledPlayback = timingValid && (!wantsHDR || _colorMode == 4);
    if (_session->useScheduledPlayback) {
        if (!_session->outputCallback)
            _session->outputCallback = ComPtr<OutputScheduledCallback>::adopt(new OutputScheduledCallback());
        _session->output->SetScheduledFrameCompletionCallback(_session->outputCallback.get());
        platform::systemLog(
            "⚙️ DeckLinkOutput[%d] transport: scheduled playback (mode=%s frameDuration=%lld timeScale=%lld)",
            _instanceId, _colorMode == 4 ? "HLG" : "SDR", static_cast<long long>(_session->frameDuration),
            static_cast<long long>(_session->timeScale));
    } else if (timingValid && (_colorMode == 3 || _colorMode == 5)) {
        platform::systemLog("⚙️ DeckLinkOutput[%d] transport: sync path (PQ stability mode)", _instanceId);
    } else if (timingValid) {
        platform::systemLog("⚙️ DeckLinkOutput[%d] transport: sync path", _instanceId);
    } else {
        platform::systemLog(
            "⚙️ DeckLinkOutput[%d] transport: sync path (invalid timing frameDuration=%lld timeScale=%lld)",
            _instanceId, static_cast<long long>(_session->frameDuration), static_cast<long long>(_session->timeScale));
    }

    // 13. Running; what the device says about HDR.
    _session->running = true;
    if (!_session->logged[LoggedHDRSupport]) {
        _session->logged[LoggedHDRSupport] = true;
        auto attributes = _session->deckLink.as<IDeckLinkAttributes>();
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
    if (_session->lastHDMIStatusValid && _session->lastHDMIMode != 0
        && _session->lastHDMIMode != static_cast<std::int64_t>(_session->displayMode)) {
        platform::systemLog(
            "⚠️ DeckLinkOutput[%d] requested mode %s (%lld) but HDMI reports %s (%lld). This mismatch "
            "can cause E_INVALIDARG on frame submit.",
            _instanceId, DisplayModeTag(_session->displayMode).c_str(), static_cast<long long>(_session->displayMode),
            DisplayModeTag(_session->lastHDMIMode).c_str(), static_cast<long long>(_session->lastHDMIMode));
    }

    // 15. The display must take the transfer function.
    if (!validateHDMISinkHDRCompatibility()) {
        stop();
        return platform::fail(StartError::SinkRejectsHDR);
    }
    _session->hdrPreparedWhileRunning = IsHDRColorMode(_colorMode);
    platform::systemLog("✅ DeckLinkOutput[%d] started: %d x %d", _instanceId, _session->width, _session->height);
    return StartResult::success();
}

bool DeckLinkOutput::applyModeTiming(DeckLinkDisplayMode displayMode)
{
    ComPtr<IDeckLinkDisplayModeIterator> iterator;
    if (_session->output->GetDisplayModeIterator(iterator.put()) != S_OK || !iterator) {
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
    _session->width = mode->GetWidth();
    _session->height = mode->GetHeight();
    DeckLinkTimeValue duration = 0;
    DeckLinkTimeScale scale = 0;
    if (mode->GetFrameRate(&duration, &scale) != S_OK) {
        _session->frameDuration = 0;
        _session->timeScale = 0;
        platform::systemLog("⚠️ DeckLinkOutput[%d] mode timing: GetFrameRate unavailable", _instanceId);
    } else {
        _session->frameDuration = duration;
        _session->timeScale = scale;
        if (duration < 1)
            platform::systemLog("⚠️ DeckLinkOutput[%d] mode timing: invalid frameDuration=0", _instanceId);
        else
            platform::systemLog("🎞️ DeckLinkOutput[%d] mode timing: frameDuration=%lld timeScale=%lld fps=%.3f",
                _instanceId, static_cast<long long>(duration), static_cast<long long>(scale),
                static_cast<double>(scale) / static_cast<double>(duration));
    }
    return true;
}

DeckLinkOutput::Session::~Session()
{
    running = false;
    macOutput.reset();
    if (output) {
        if (useScheduledPlayback) {
            // Stopping flushes every frame still scheduled; the callback stays installed until then
            // so those completions give their references back.
            output->StopScheduledPlayback(0, nullptr, timeScale < 1 ? 1000 : timeScale);
            output->SetScheduledFrameCompletionCallback(nullptr);
        }
        output->DisableVideoOutput();
        output.reset();
    }
    // The card calls no more: frames it never completed are released here.
    if (outputCallback)
        outputCallback->releaseOutstandingFrames();
    videoConversion.reset();
    deckLink.reset();
}

void DeckLinkOutput::stop()
{
    // The old session stops the card before the new one exists.
    _session.reset();
    _session = std::make_unique<Session>();
    _colorMode = 0;
    _forceHDR = false;
    _forcedHDRMode = 0;
    _hdrMaxNits = 1000;
    _hdrMinNits = 0.005;
    _hdrMaxCLL = 1000;
    _hdrMaxFALL = 1000;
}

} // namespace decklink
