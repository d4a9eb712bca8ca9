// The HDMI side of the program output: the output status and the display's EDID, the one-line
// summary for the screen, and the check that refuses an HDR start the display cannot show.

#include "decklink/DeckLinkOutput.h"

#include "platform/SystemLog.h"

#include <algorithm>
#include <vector>

namespace decklink {

namespace {

constexpr std::uint32_t kMaxEDIDBytes = 4096;

} // namespace

void DeckLinkOutput::refreshHDMIOutputStatusIfPossible(bool log)
{
    if (!_deckLink)
        return;
    auto status = _deckLink.as<IDeckLinkStatus>();
    if (!status) {
        _lastHDMIStatusValid = false;
        _lastHDMIMode = _lastHDMIFormatFlags = _lastHDMILastPix = _lastHDMIOutFlags = 0;
        _lastSinkHDRValid = _lastSinkHasStaticHDRBlock = _lastSinkSupportsPQ = _lastSinkSupportsHLG = false;
        return;
    }
    auto readInt = [&](DeckLinkStatusID id, std::int64_t* value) {
        const HRESULT result = status->GetInt(id, value);
        if (result != S_OK)
            *value = 0;
        return result;
    };
    const HRESULT hrMode = readInt(kDeckLinkStatusHDMIOutputActualMode, &_lastHDMIMode);
    const HRESULT hrFlags = readInt(kDeckLinkStatusHDMIOutputActualFormatFlags, &_lastHDMIFormatFlags);
    const HRESULT hrPix = readInt(kDeckLinkStatusLastVideoOutputPixelFormat, &_lastHDMILastPix);
    const HRESULT hrOut = readInt(kDeckLinkStatusCurrentVideoOutputFlags, &_lastHDMIOutFlags);
    _lastHDMIStatusValid = hrMode == S_OK || hrFlags == S_OK || hrPix == S_OK || hrOut == S_OK;

    std::uint32_t size = 0;
    if (status->GetBytes(kDeckLinkStatusSinkEDID, nullptr, &size) != S_OK || size == 0)
        size = kMaxEDIDBytes;
    size = std::min(size, kMaxEDIDBytes);
    std::vector<std::uint8_t> edid(size, 0);
    std::uint32_t read = size;
    HDMISinkCapabilities sink;
    if (status->GetBytes(kDeckLinkStatusSinkEDID, edid.data(), &read) == S_OK)
        sink = ParseHDMISinkEDID(edid.data(), std::min(read, size));
    _lastSinkHDRValid = sink.valid;
    _lastSinkHasStaticHDRBlock = sink.hasStaticHDRBlock;
    _lastSinkSupportsPQ = sink.supportsPQ;
    _lastSinkSupportsHLG = sink.supportsHLG;

    if (!log)
        return;
    if (_lastHDMIStatusValid) {
        const std::int64_t flags = _lastHDMIFormatFlags;
        const bool flag10 = (flags & kDeckLinkHDMIFormat10Bit) != 0;
        const bool pix10 = PixelFormatIs10Bit(static_cast<std::uint32_t>(_lastHDMILastPix));
        const bool req10 = IsHDRColorMode(_colorMode) && PixelFormatIs10Bit(_hdrPixelFormat);
        platform::systemLog("📺 DeckLinkOutput[%d] HDMI status: mode=%lld flags=0x%llX (10bit=%d 12bit=%d 422=%d 444=%d "
                            "flag10=%d pix10=%d req10=%d) lastPix=0x%llX outFlags=0x%llX",
            _instanceId, static_cast<long long>(_lastHDMIMode), static_cast<unsigned long long>(flags),
            (flag10 || pix10 || req10) ? 1 : 0, (flags & kDeckLinkHDMIFormat12Bit) ? 1 : 0,
            (flags & kDeckLinkHDMIFormatYCbCr422) ? 1 : 0, (flags & kDeckLinkHDMIFormatYCbCr444) ? 1 : 0,
            flag10 ? 1 : 0, pix10 ? 1 : 0, req10 ? 1 : 0, static_cast<unsigned long long>(_lastHDMILastPix),
            static_cast<unsigned long long>(_lastHDMIOutFlags));
        if (_lastSinkHDRValid)
            platform::systemLog("📺 DeckLinkOutput[%d] HDMI sink EDID: CTA=%d HDRStatic=%d PQ=%d HLG=%d", _instanceId,
                sink.hasCTAExtension ? 1 : 0, _lastSinkHasStaticHDRBlock ? 1 : 0, _lastSinkSupportsPQ ? 1 : 0,
                _lastSinkSupportsHLG ? 1 : 0);
        else
            platform::systemLog("📺 DeckLinkOutput[%d] HDMI sink EDID: unavailable", _instanceId);
    } else {
        platform::systemLog(
            "📺 DeckLinkOutput[%d] HDMI status: unavailable (hrMode=0x%08X hrFlags=0x%08X hrPix=0x%08X hrOut=0x%08X)",
            _instanceId, static_cast<unsigned>(hrMode), static_cast<unsigned>(hrFlags), static_cast<unsigned>(hrPix),
            static_cast<unsigned>(hrOut));
    }
    if (_lastSinkHDRValid && (_colorMode == 3 || _colorMode == 5) && !_lastSinkSupportsPQ)
        platform::systemLog(
            "⚠️ DeckLinkOutput[%d] HDMI sink EDID does not advertise PQ support. Output may stay SDR.",
            _instanceId);
    if (_lastSinkHDRValid && _colorMode == 4 && !_lastSinkSupportsHLG)
        platform::systemLog(
            "⚠️ DeckLinkOutput[%d] HDMI sink EDID does not advertise HLG support. Output may stay SDR.",
            _instanceId);
}

void DeckLinkOutput::logHDMIOutputStatusIfPossible()
{
    refreshHDMIOutputStatusIfPossible(true);
}

std::string DeckLinkOutput::hdmiStatusSummary()
{
    if (!_deckLink || !_running)
        return "HDMI: -";
    refreshHDMIOutputStatusIfPossible(false);
    if (!_lastHDMIStatusValid)
        return "HDMI: unavailable";

    const std::int64_t flags = _lastHDMIFormatFlags;
    const bool hdrRunning
        = IsHDRColorMode(_colorMode) && _hdrUnavailableReason.empty() && PixelFormatIs10Bit(_hdrPixelFormat);
    const bool tenBit = (flags & kDeckLinkHDMIFormat10Bit)
        || PixelFormatIs10Bit(static_cast<std::uint32_t>(_lastHDMILastPix)) || hdrRunning;
    const char* depth;
    if (tenBit)
        depth = (flags & kDeckLinkHDMIFormat12Bit) ? "12-bit" : "10-bit";
    else if (flags & kDeckLinkHDMIFormat12Bit)
        depth = "12-bit";
    else if (flags & kDeckLinkHDMIFormat8Bit)
        depth = "8-bit";
    else
        depth = "Unknown-bit";

    const char* sampling = "Unknown";
    if (flags & kDeckLinkHDMIFormatRGB444)
        sampling = "RGB 4:4:4";
    else if (flags & kDeckLinkHDMIFormatYCbCr444)
        sampling = "YUV 4:4:4";
    else if (flags & kDeckLinkHDMIFormatYCbCr422)
        sampling = "YUV 4:2:2";
    else if (flags & kDeckLinkHDMIFormatYCbCr420)
        sampling = "YUV 4:2:0";

    std::string request;
    if (IsHDRColorMode(_colorMode) && _hdrUnavailableReason.empty() && _hdrPixelFormat != kDeckLinkFormat8BitBGRA)
        request = std::string(" • req=") + PixelFormatName(_hdrPixelFormat);
    std::string sink;
    if (_lastSinkHDRValid)
        sink = " • sink(PQ=" + std::to_string(_lastSinkSupportsPQ ? 1 : 0)
            + " HLG=" + std::to_string(_lastSinkSupportsHLG ? 1 : 0) + ")";
    // An HDR mode the running output cannot honour says so rather than pretending.
    std::string unavailable;
    if (IsHDRColorMode(_colorMode) && !_hdrUnavailableReason.empty())
        unavailable = " • HDR unavailable (" + _hdrUnavailableReason + ")";

    return std::string("HDMI: ") + depth + " " + sampling
        + " • pix=" + PixelFormatName(static_cast<std::uint32_t>(_lastHDMILastPix)) + request + sink + unavailable;
}

bool DeckLinkOutput::validateHDMISinkHDRCompatibility()
{
    if (!IsHDRColorMode(_colorMode))
        return true;
    if (_outputConnection != kDeckLinkVideoConnectionHDMI && _outputConnection != 0)
        return true;
    refreshHDMIOutputStatusIfPossible(false);
    if (!_lastSinkHDRValid) {
        platform::systemLog(
            "⚠️ DeckLinkOutput[%d] HDMI sink EDID unavailable; cannot verify HDR sink compatibility.", _instanceId);
        return true;
    }
    const bool pq = _colorMode == 3 || _colorMode == 5;
    if (pq && !_lastSinkSupportsPQ) {
        platform::systemLog(
            "❌ DeckLinkOutput[%d] HDMI sink EDID does not advertise PQ support. Rejecting PQ output start.",
            _instanceId);
        return false;
    }
    if (_colorMode == 4 && !_lastSinkSupportsHLG) {
        platform::systemLog("❌ DeckLinkOutput[%d] HDMI sink EDID does not advertise HLG support. Rejecting HLG output "
                            "start.",
            _instanceId);
        return false;
    }
    if (pq && _height <= 2159)
        platform::systemLog(
            "⚠️ DeckLinkOutput[%d] PQ selected at %d-line mode. Some TVs only accept PQ over UHD timings.",
            _instanceId, _height);
    return true;
}

} // namespace decklink
