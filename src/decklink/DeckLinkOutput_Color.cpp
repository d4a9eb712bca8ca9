// Colour of the program output: colour modes, forced HDR, HDR metadata, what the device
// configuration gets, the choice of the 10-bit pixel format and the switch to another one when the
// card rejects frames.

#include "decklink/DeckLinkOutput.h"

#include "platform/SystemLog.h"

#include <cmath>

namespace decklink {

void DeckLinkOutput::setColorMode(std::int32_t mode)
{
    mode = NormalizedColorMode(mode);
    if (_forceHDR && mode == 0) {
        platform::systemLog("⚠️ DeckLinkOutput[%d] ignoring colorMode=0 because forceHDR is ON", _instanceId);
        return;
    }
    if (mode == _colorMode)
        return;
    _colorMode = mode;
    if (IsHDRColorMode(mode))
        _forcedHDRMode = mode;
    if (_deckLink)
        applyColorModeIfPossible();
    platform::systemLog("🎨 DeckLinkOutput[%d] colorMode=%d [DBG-HDR2]", _instanceId, mode);
    // A running output keeps its transport; an HDR mode gets its 10-bit path now rather than
    // dropping frames until the next start.
    _hdrPreparedWhileRunning = false;
    _hdrUnavailableReason.clear();
    prepareHDRWhileRunning();
}

void DeckLinkOutput::setForceHDR(bool force)
{
    if (force == _forceHDR)
        return;
    _forceHDR = force;
    if (force && _forcedHDRMode == 0)
        _forcedHDRMode = 3;
    platform::systemLog("🧷 DeckLinkOutput[%d] forceHDR=%d [DBG-HDR2]", _instanceId, force ? 1 : 0);
}

void DeckLinkOutput::setHDRMetadataMaxNits(double maxNits, double minNits, double maxCLL, double maxFALL)
{
    if (std::fabs(maxNits - _hdrMaxNits) <= 0.0001 && std::fabs(minNits - _hdrMinNits) <= 1e-6
        && std::fabs(maxCLL - _hdrMaxCLL) <= 0.0001 && std::fabs(maxFALL - _hdrMaxFALL) <= 0.0001)
        return;
    _hdrMaxNits = maxNits;
    _hdrMinNits = minNits;
    _hdrMaxCLL = maxCLL;
    _hdrMaxFALL = maxFALL;
    platform::systemLog(
        "🎚️ DeckLinkOutput[%d] HDR metadata: maxNits=%.1f minNits=%.4f maxCLL=%.1f maxFALL=%.1f [DBG-HDR2]",
        _instanceId, maxNits, minNits, maxCLL, maxFALL);
}

void DeckLinkOutput::applyForcedHDRToColorMode(bool log)
{
    if (!_forceHDR || _colorMode != 0)
        return;
    _colorMode = _forcedHDRMode == 0 ? 3 : _forcedHDRMode;
    _hdrPreparedWhileRunning = false;
    _hdrUnavailableReason.clear();
    if (log)
        platform::systemLog("🧷 DeckLinkOutput[%d] forceHDR applied colorMode=%d", _instanceId, _colorMode);
}

void DeckLinkOutput::applyColorModeIfPossible()
{
    if (!_deckLink)
        return;
    auto configuration = _deckLink.as<IDeckLinkConfiguration>();
    if (!configuration)
        return;
    configuration->SetInt(
        kDeckLinkConfigVideoOutputConnection, _outputConnection ? _outputConnection : kDeckLinkVideoConnectionHDMI);
    configuration->SetInt(kDeckLinkConfigVideoOutputConversionMode, kDeckLinkNoVideoOutputConversion);
    configuration->SetFlag(kDeckLinkConfigOutput1080pAsPsF, _modeCode >= 15 && _modeCode <= 17);

    const std::int32_t mode = NormalizedColorMode(_colorMode);
    DeckLinkColorspace source = kDeckLinkColorspaceRec2020;
    DeckLinkColorspace destination = kDeckLinkColorspaceRec2020;
    bool rec2020 = true;
    switch (mode) {
    case 0:
        source = destination = kDeckLinkColorspaceUnspecified;
        rec2020 = false;
        break;
    case 1:
        source = destination = kDeckLinkColorspaceRec709;
        rec2020 = false;
        break;
    case 2:
        source = kDeckLinkColorspaceRec709;
        break;
    default:
        break;
    }
    if (mode <= 0) {
        configuration->SetInt(kDeckLinkConfigVideoOutputDestColorspace, destination);
        configuration->SetInt(kDeckLinkConfigVideoOutputSourceColorspace, source);
    } else {
        configuration->SetInt(kDeckLinkConfigVideoOutputSourceColorspace, source);
        configuration->SetInt(kDeckLinkConfigVideoOutputDestColorspace, destination);
    }
    configuration->SetFlag(kDeckLinkConfigRec2020Output, rec2020);
}

void DeckLinkOutput::selectHDRPixelFormat()
{
    struct Candidate {
        DeckLinkPixelFormat format;
        bool* supported;
    };
    const Candidate candidates[]
        = { { kDeckLinkFormat10BitYUV, &_hdrV210Supported }, { kDeckLinkFormat10BitRGBXLE, &_hdrR10lSupported },
              { kDeckLinkFormat10BitRGBX, &_hdrR10bSupported }, { kDeckLinkFormat10BitRGB, &_hdrR210Supported } };
    _hdrPixelFormat = kDeckLinkFormat8BitBGRA;
    for (const auto& candidate : candidates) {
        bool supported = false;
        const HRESULT result = _output->DoesSupportVideoMode(_outputConnection, _displayMode, candidate.format,
            kDeckLinkNoVideoOutputConversion, kDeckLinkSupportedVideoModeDefault, nullptr, &supported);
        if (result != S_OK) {
            platform::systemLog("❌ DeckLinkOutput[%d] HDR: DoesSupportVideoMode(%s) failed (hr=0x%08X)", _instanceId,
                PixelFormatName(candidate.format), static_cast<unsigned>(result));
            supported = false;
        }
        *candidate.supported = supported;
        if (supported && _hdrPixelFormat == kDeckLinkFormat8BitBGRA)
            _hdrPixelFormat = candidate.format;
    }
    _hdrFallbackAttempts = 0;
    platform::systemLog("🎯 DeckLinkOutput[%d] fmt select: wantsHDR=%d v210=%d R10l=%d R10b=%d r210=%d chosen=%s",
        _instanceId, 1, _hdrV210Supported ? 1 : 0, _hdrR10lSupported ? 1 : 0, _hdrR10bSupported ? 1 : 0,
        _hdrR210Supported ? 1 : 0, PixelFormatName(_hdrPixelFormat));
}

void DeckLinkOutput::storeHDRRowBytes(bool logResult)
{
    std::int32_t rowBytes = 0;
    const HRESULT result = _output->RowBytesForPixelFormat(_hdrPixelFormat, _width, &rowBytes);
    if (result == S_OK && rowBytes > 0) {
        _hdrExpectedRowBytes = rowBytes;
        if (logResult)
            platform::systemLog("📏 DeckLinkOutput[%d] HDR rowBytes: format=%s width=%d rowBytes=%d (from SDK)",
                _instanceId, PixelFormatName(_hdrPixelFormat), _width, rowBytes);
    } else {
        _hdrExpectedRowBytes = FallbackRowBytes(_hdrPixelFormat, _width);
        if (logResult)
            platform::systemLog("⚠️ DeckLinkOutput[%d] HDR rowBytes query failed (hr=0x%08X), fallback rowBytes=%d",
                _instanceId, static_cast<unsigned>(result), _hdrExpectedRowBytes);
    }
}

void DeckLinkOutput::prepareHDRWhileRunning()
{
    if (!_running || !_output || _hdrPreparedWhileRunning || !IsHDRColorMode(_colorMode))
        return;
    _hdrPreparedWhileRunning = true;
    _hdrUnavailableReason.clear();
    if (!PixelFormatIs10Bit(_hdrPixelFormat)) {
        selectHDRPixelFormat();
        if (PixelFormatIs10Bit(_hdrPixelFormat))
            storeHDRRowBytes(true);
        else
            _hdrUnavailableReason = "no 10-bit pixel format";
    }
    if (_hdrUnavailableReason.empty() && !_videoConversion)
        _hdrUnavailableReason = "no converter";
    if (_hdrUnavailableReason.empty()
        && (_outputConnection == kDeckLinkVideoConnectionHDMI || _outputConnection == 0)) {
        refreshHDMIOutputStatusIfPossible(false);
        if (_lastSinkHDRValid && (_colorMode == 3 || _colorMode == 5) && !_lastSinkSupportsPQ)
            _hdrUnavailableReason = "sink lacks PQ";
        else if (_lastSinkHDRValid && _colorMode == 4 && !_lastSinkSupportsHLG)
            _hdrUnavailableReason = "sink lacks HLG";
    }
    if (_hdrUnavailableReason.empty())
        platform::systemLog("🔁 DeckLinkOutput[%d] HDR prepared on the running output: pixelFormat=%s rowBytes=%d",
            _instanceId, PixelFormatName(_hdrPixelFormat), _hdrExpectedRowBytes);
    else
        platform::systemLog("⚠️ DeckLinkOutput[%d] HDR unavailable on the running output (%s); frames stay SDR",
            _instanceId, _hdrUnavailableReason.c_str());
}

bool DeckLinkOutput::switchToAlternateHDRPixelFormatIfPossible(const char* context)
{
    if (!IsHDRColorMode(_colorMode) || _hdrFallbackAttempts >= 3)
        return false;
    const DeckLinkPixelFormat cycle[]
        = { kDeckLinkFormat10BitYUV, kDeckLinkFormat10BitRGBXLE, kDeckLinkFormat10BitRGBX, kDeckLinkFormat10BitRGB };
    const bool supported[] = { _hdrV210Supported, _hdrR10lSupported, _hdrR10bSupported, _hdrR210Supported };
    int current = -1;
    for (int i = 0; i < 4; ++i)
        if (cycle[i] == _hdrPixelFormat)
            current = i;
    if (current < 0)
        return false;
    int next = -1;
    for (int step = 1; step < 4; ++step) {
        const int candidate = (current + step) % 4;
        if (supported[candidate]) {
            next = candidate;
            break;
        }
    }
    if (next < 0)
        return false;
    ++_hdrFallbackAttempts;
    const DeckLinkPixelFormat previous = _hdrPixelFormat;
    _hdrPixelFormat = cycle[next];
    std::int32_t rowBytes = 0;
    if (_output && _output->RowBytesForPixelFormat(_hdrPixelFormat, _width, &rowBytes) == S_OK && rowBytes > 0)
        _hdrExpectedRowBytes = rowBytes;
    else
        _hdrExpectedRowBytes = FallbackRowBytes(_hdrPixelFormat, _width);
    _loggedHDRInvalidFrameDetail = false;
    _loggedHDRConvertFail = false;
    _loggedHDRConvertOK = false;
    _loggedScheduleFail = false;
    _loggedScheduleDrop = false;
    platform::systemLog("🔁 DeckLinkOutput[%d] HDR fallback pixel format: %s -> %s (%s, rowBytes=%d)", _instanceId,
        PixelFormatName(previous), PixelFormatName(_hdrPixelFormat), context ? context : "", _hdrExpectedRowBytes);
    return true;
}

} // namespace decklink
