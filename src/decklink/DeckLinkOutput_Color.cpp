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
    if (_session->deckLink)
        applyColorModeIfPossible();
    platform::systemLog("🎨 DeckLinkOutput[%d] colorMode=%d [DBG-HDR2]", _instanceId, mode);
    // A running output keeps its transport; an HDR mode gets its 10-bit path now rather than
    // dropping frames until the next start.
    _session->hdrPreparedWhileRunning = false;
    _session->hdrUnavailableReason.clear();
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
    _session->hdrPreparedWhileRunning = false;
    _session->hdrUnavailableReason.clear();
    if (log)
        platform::systemLog("🧷 DeckLinkOutput[%d] forceHDR applied colorMode=%d", _instanceId, _colorMode);
}

void DeckLinkOutput::applyColorModeIfPossible()
{
    if (!_session->deckLink)
        return;
    auto configuration = _session->deckLink.as<IDeckLinkConfiguration>();
    if (!configuration)
        return;
    configuration->SetInt(kDeckLinkConfigVideoOutputConnection,
        _session->outputConnection ? _session->outputConnection : kDeckLinkVideoConnectionHDMI);
    configuration->SetInt(kDeckLinkConfigVideoOutputConversionMode, kDeckLinkNoVideoOutputConversion);
    configuration->SetFlag(kDeckLinkConfigOutput1080pAsPsF, _session->modeCode >= 15 && _session->modeCode <= 17);

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
    const Candidate candidates[] = { { kDeckLinkFormat10BitYUV, &_session->hdrV210Supported },
        { kDeckLinkFormat10BitRGBXLE, &_session->hdrR10lSupported },
        { kDeckLinkFormat10BitRGBX, &_session->hdrR10bSupported },
        { kDeckLinkFormat10BitRGB, &_session->hdrR210Supported } };
    _session->hdrPixelFormat = kDeckLinkFormat8BitBGRA;
    for (const auto& candidate : candidates) {
        bool supported = false;
        const HRESULT result = _session->output->DoesSupportVideoMode(_session->outputConnection, _session->displayMode,
            candidate.format, kDeckLinkNoVideoOutputConversion, kDeckLinkSupportedVideoModeDefault, nullptr,
            &supported);
        if (result != S_OK) {
            platform::systemLog("❌ DeckLinkOutput[%d] HDR: DoesSupportVideoMode(%s) failed (hr=0x%08X)", _instanceId,
                PixelFormatName(candidate.format), static_cast<unsigned>(result));
            supported = false;
        }
        *candidate.supported = supported;
        if (supported && _session->hdrPixelFormat == kDeckLinkFormat8BitBGRA)
            _session->hdrPixelFormat = candidate.format;
    }
    _session->hdrFallbackAttempts = 0;
    platform::systemLog("🎯 DeckLinkOutput[%d] fmt select: wantsHDR=%d v210=%d R10l=%d R10b=%d r210=%d chosen=%s",
        _instanceId, 1, _session->hdrV210Supported ? 1 : 0, _session->hdrR10lSupported ? 1 : 0,
        _session->hdrR10bSupported ? 1 : 0, _session->hdrR210Supported ? 1 : 0,
        PixelFormatName(_session->hdrPixelFormat));
}

void DeckLinkOutput::storeHDRRowBytes(bool logResult)
{
    std::int32_t rowBytes = 0;
    const HRESULT result
        = _session->output->RowBytesForPixelFormat(_session->hdrPixelFormat, _session->width, &rowBytes);
    if (result == S_OK && rowBytes > 0) {
        _session->hdrExpectedRowBytes = rowBytes;
        if (logResult)
            platform::systemLog("📏 DeckLinkOutput[%d] HDR rowBytes: format=%s width=%d rowBytes=%d (from SDK)",
                _instanceId, PixelFormatName(_session->hdrPixelFormat), _session->width, rowBytes);
    } else {
        _session->hdrExpectedRowBytes = FallbackRowBytes(_session->hdrPixelFormat, _session->width);
        if (logResult)
            platform::systemLog("⚠️ DeckLinkOutput[%d] HDR rowBytes query failed (hr=0x%08X), fallback rowBytes=%d",
                _instanceId, static_cast<unsigned>(result), _session->hdrExpectedRowBytes);
    }
}

void DeckLinkOutput::prepareHDRWhileRunning()
{
    if (!_session->running || !_session->output || _session->hdrPreparedWhileRunning || !IsHDRColorMode(_colorMode))
        return;
    _session->hdrPreparedWhileRunning = true;
    _session->hdrUnavailableReason.clear();
    if (!PixelFormatIs10Bit(_session->hdrPixelFormat)) {
        selectHDRPixelFormat();
        if (PixelFormatIs10Bit(_session->hdrPixelFormat))
            storeHDRRowBytes(true);
        else
            _session->hdrUnavailableReason = "no 10-bit pixel format";
    }
    if (_session->hdrUnavailableReason.empty() && !_session->videoConversion)
        _session->hdrUnavailableReason = "no converter";
    if (_session->hdrUnavailableReason.empty()
        && (_session->outputConnection == kDeckLinkVideoConnectionHDMI || _session->outputConnection == 0)) {
        refreshHDMIOutputStatusIfPossible(false);
        if (_session->lastSinkHDRValid && (_colorMode == 3 || _colorMode == 5) && !_session->lastSinkSupportsPQ)
            _session->hdrUnavailableReason = "sink lacks PQ";
        else if (_session->lastSinkHDRValid && _colorMode == 4 && !_session->lastSinkSupportsHLG)
            _session->hdrUnavailableReason = "sink lacks HLG";
    }
    if (_session->hdrUnavailableReason.empty())
        platform::systemLog("🔁 DeckLinkOutput[%d] HDR prepared on the running output: pixelFormat=%s rowBytes=%d",
            _instanceId, PixelFormatName(_session->hdrPixelFormat), _session->hdrExpectedRowBytes);
    else
        platform::systemLog("⚠️ DeckLinkOutput[%d] HDR unavailable on the running output (%s); frames stay SDR",
            _instanceId, _session->hdrUnavailableReason.c_str());
}

bool DeckLinkOutput::switchToAlternateHDRPixelFormatIfPossible(const char* context)
{
    if (!IsHDRColorMode(_colorMode) || _session->hdrFallbackAttempts >= 3)
        return false;
    const DeckLinkPixelFormat cycle[]
        = { kDeckLinkFormat10BitYUV, kDeckLinkFormat10BitRGBXLE, kDeckLinkFormat10BitRGBX, kDeckLinkFormat10BitRGB };
    const bool supported[] = { _session->hdrV210Supported, _session->hdrR10lSupported, _session->hdrR10bSupported,
        _session->hdrR210Supported };
    int current = -1;
    for (int i = 0; i < 4; ++i)
        if (cycle[i] == _session->hdrPixelFormat)
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
    ++_session->hdrFallbackAttempts;
    const DeckLinkPixelFormat previous = _session->hdrPixelFormat;
    _session->hdrPixelFormat = cycle[next];
    std::int32_t rowBytes = 0;
    if (_session->output
        && _session->output->RowBytesForPixelFormat(_session->hdrPixelFormat, _session->width, &rowBytes) == S_OK
        && rowBytes > 0)
        _session->hdrExpectedRowBytes = rowBytes;
    else
        _session->hdrExpectedRowBytes = FallbackRowBytes(_session->hdrPixelFormat, _session->width);
    _session->logged[LoggedHDRInvalidFrameDetail] = false;
    _session->logged[LoggedHDRConvertFail] = false;
    _session->logged[LoggedHDRConvertOK] = false;
    _session->logged[LoggedScheduleFail] = false;
    _session->logged[LoggedScheduleDrop] = false;
    platform::systemLog("🔁 DeckLinkOutput[%d] HDR fallback pixel format: %s -> %s (%s, rowBytes=%d)", _instanceId,
        PixelFormatName(previous), PixelFormatName(_session->hdrPixelFormat), context ? context : "",
        _session->hdrExpectedRowBytes);
    return true;
}

} // namespace decklink
