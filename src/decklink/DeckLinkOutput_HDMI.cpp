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
    if (!_session->deckLink)
        return;
    auto status = _session->deckLink.as<IDeckLinkStatus>();
    if (!status) {
        _session->lastHDMIStatusValid = false;
        _session->lastHDMIMode = _session->lastHDMIFormatFlags = _session->lastHDMILastPix = _session->lastHDMIOutFlags
            = 0;
        _session->lastSinkHDRValid = _session->lastSinkHasStaticHDRBlock = _session->lastSinkSupportsPQ
            = _session->lastSinkSupportsHLG = false;
        return;
    }
    auto readInt = [&](DeckLinkStatusID id, std::int64_t* value) {
        const HRESULT result = status->GetInt(id, value);
        if (result != S_OK)
            *value = 0;
        return result;
    };
    const HRESULT hrMode = readInt(kDeckLinkStatusHDMIOutputActualMode, &_session->lastHDMIMode);
    const HRESULT hrFlags = readInt(kDeckLinkStatusHDMIOutputActualFormatFlags, &_session->lastHDMIFormatFlags);
    const HRESULT hrPix = readInt(kDeckLinkStatusLastVideoOutputPixelFormat, &_session->lastHDMILastPix);
    const HRESULT hrOut = readInt(kDeckLinkStatusCurrentVideoOutputFlags, &_session->lastHDMIOutFlags);
    _session->lastHDMIStatusValid = hrMode == S_OK || hrFlags == S_OK || hrPix == S_OK || hrOut == S_OK;

    std::uint32_t size = 0;
    if (status->GetBytes(kDeckLinkStatusSinkEDID, nullptr, &size) != S_OK || size == 0)
        size = kMaxEDIDBytes;
    size = std::min(size, kMaxEDIDBytes);
    std::vector<std::uint8_t> edid(size, 0);
    std::uint32_t read = size;
    HDMISinkCapabilities sink;
    if (status->GetBytes(kDeckLinkStatusSinkEDID, edid.data(), &read) == S_OK)
        sink = ParseHDMISinkEDID(edid.data(), std::min(read, size));
    _session->lastSinkHDRValid = sink.valid;
    _session->lastSinkHasStaticHDRBlock = sink.hasStaticHDRBlock;
    _session->lastSinkSupportsPQ = sink.supportsPQ;
    _session->lastSinkSupportsHLG = sink.supportsHLG;

    if (!log)
        return;
    if (_session->lastHDMIStatusValid) {
        const std::int64_t flags = _session->lastHDMIFormatFlags;
        const bool flag10 = (flags & kDeckLinkHDMIFormat10Bit) != 0;
        const bool pix10 = PixelFormatIs10Bit(static_cast<std::uint32_t>(_session->lastHDMILastPix));
        const bool req10 = IsHDRColorMode(_colorMode) && PixelFormatIs10Bit(_session->hdrPixelFormat);
        platform::systemLog("📺 DeckLinkOutput[%d] HDMI status: mode=%lld flags=0x%llX (10bit=%d 12bit=%d 422=%d 444=%d "
                            "flag10=%d pix10=%d req10=%d) lastPix=0x%llX outFlags=0x%llX",
            _instanceId, static_cast<long long>(_session->lastHDMIMode), static_cast<unsigned long long>(flags),
            (flag10 || pix10 || req10) ? 1 : 0, (flags & kDeckLinkHDMIFormat12Bit) ? 1 : 0,
            (flags & kDeckLinkHDMIFormatYCbCr422) ? 1 : 0, (flags & kDeckLinkHDMIFormatYCbCr444) ? 1 : 0,
            flag10 ? 1 : 0, pix10 ? 1 : 0, req10 ? 1 : 0, static_cast<unsigned long long>(_session->lastHDMILastPix),
            static_cast<unsigned long long>(_session->lastHDMIOutFlags));
        if (_session->lastSinkHDRValid)
            platform::systemLog("📺 DeckLinkOutput[%d] HDMI sink EDID: CTA=%d HDRStatic=%d PQ=%d HLG=%d", _instanceId,
                sink.hasCTAExtension ? 1 : 0, _session->lastSinkHasStaticHDRBlock ? 1 : 0,
                _session->lastSinkSupportsPQ ? 1 : 0, _session->lastSinkSupportsHLG ? 1 : 0);
        else
            platform::systemLog("📺 DeckLinkOutput[%d] HDMI sink EDID: unavailable", _instanceId);
    } else {
        platform::systemLog(
            "📺 DeckLinkOutput[%d] HDMI status: unavailable (hrMode=0x%08X hrFlags=0x%08X hrPix=0x%08X hrOut=0x%08X)",
            _instanceId, static_cast<unsigned>(hrMode), static_cast<unsigned>(hrFlags), static_cast<unsigned>(hrPix),
            static_cast<unsigned>(hrOut));
    }
    if (_session->lastSinkHDRValid && (_colorMode == 3 || _colorMode == 5) && !_session->lastSinkSupportsPQ)
        platform::systemLog(
            "⚠️ DeckLinkOutput[%d] HDMI sink EDID does not advertise PQ support. Output may stay SDR.",
            _instanceId);
    if (_session->lastSinkHDRValid && _colorMode == 4 && !_session->lastSinkSupportsHLG)
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
    if (!_session->deckLink || !_session->running)
        return "HDMI: -";
    refreshHDMIOutputStatusIfPossible(false);
    if (!_session->lastHDMIStatusValid)
        return "HDMI: unavailable";

    const std::int64_t flags = _session->lastHDMIFormatFlags;
    const bool hdrRunning = IsHDRColorMode(_colorMode) && _session->hdrUnavailableReason.empty()
        && PixelFormatIs10Bit(_session->hdrPixelFormat);
    const bool tenBit = (flags & kDeckLinkHDMIFormat10Bit)
        || PixelFormatIs10Bit(static_cast<std::uint32_t>(_session->lastHDMILastPix)) || hdrRunning;
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
    if (IsHDRColorMode(_colorMode) && _session->hdrUnavailableReason.empty()
        && _session->hdrPixelFormat != kDeckLinkFormat8BitBGRA)
        request = std::string(" • req=") + PixelFormatName(_session->hdrPixelFormat);
    std::string sink;
    if (_session->lastSinkHDRValid)
        sink = " • sink(PQ=" + std::to_string(_session->lastSinkSupportsPQ ? 1 : 0)
            + " HLG=" + std::to_string(_session->lastSinkSupportsHLG ? 1 : 0) + ")";
    // An HDR mode the running output cannot honour says so rather than pretending.
    std::string unavailable;
    if (IsHDRColorMode(_colorMode) && !_session->hdrUnavailableReason.empty())
        unavailable = " • HDR unavailable (" + _session->hdrUnavailableReason + ")";

    return std::string("HDMI: ") + depth + " " + sampling + " • pix="
        + PixelFormatName(static_cast<std::uint32_t>(_session->lastHDMILastPix)) + request + sink + unavailable;
}

bool DeckLinkOutput::validateHDMISinkHDRCompatibility()
{
    if (!IsHDRColorMode(_colorMode))
        return true;
    if (_session->outputConnection != kDeckLinkVideoConnectionHDMI && _session->outputConnection != 0)
        return true;
    refreshHDMIOutputStatusIfPossible(false);
    if (!_session->lastSinkHDRValid) {
        platform::systemLog(
            "⚠️ DeckLinkOutput[%d] HDMI sink EDID unavailable; cannot verify HDR sink compatibility.", _instanceId);
        return true;
    }
    const bool pq = _colorMode == 3 || _colorMode == 5;
    if (pq && !_session->lastSinkSupportsPQ) {
        platform::systemLog(
            "❌ DeckLinkOutput[%d] HDMI sink EDID does not advertise PQ support. Rejecting PQ output start.",
            _instanceId);
        return false;
    }
    if (_colorMode == 4 && !_session->lastSinkSupportsHLG) {
        platform::systemLog("❌ DeckLinkOutput[%d] HDMI sink EDID does not advertise HLG support. Rejecting HLG output "
                            "start.",
            _instanceId);
        return false;
    }
    if (pq && _session->height <= 2159)
        platform::systemLog(
            "⚠️ DeckLinkOutput[%d] PQ selected at %d-line mode. Some TVs only accept PQ over UHD timings.",
            _instanceId, _session->height);
    return true;
}

} // namespace decklink
