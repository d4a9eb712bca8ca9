// DeckLinkInput on the card's thread: frame arrival, conversion to a BGRA picture, delivery to the
// main thread and the re-open after a detected format change.

#include "decklink/DeckLinkInput.h"

#include "decklink/DeckLinkAPILoader.h"
#include "media/frame/FramePool.h"
#include "platform/MainThread.h"
#include "platform/SystemLog.h"

#include <cstring>
#include <limits>

namespace decklink {

namespace {

// A repeated failure line appears at most once per this many seconds per input.
constexpr double kFailureLogInterval = 5.0;

media::ColorTags colorTagsOf(IDeckLinkVideoFrame* frame)
{
    using namespace media;
    // Without colour items the picture is taken as Rec. 709, as the card delivers HD.
    ColorTags tags { ColorPrimaries::ITU_R_709_2, TransferFunction::ITU_R_709_2, YCbCrMatrix::ITU_R_709_2 };
    auto metadata = ComPtr<IDeckLinkVideoFrame>::retain(frame).as<IDeckLinkVideoFrameMetadataExtensions>();
    if (!metadata)
        return tags;
    std::int64_t colorspace = 0;
    if (metadata->GetInt(kDeckLinkFrameMetadataColorspace, &colorspace) == S_OK) {
        switch (colorspace) {
        case kDeckLinkColorspaceRec601:
            // 625-line pictures use the EBU primaries, 525-line ones SMPTE C.
            tags = { frame->GetHeight() == 576 ? ColorPrimaries::EBU_3213 : ColorPrimaries::SMPTE_C,
                TransferFunction::ITU_R_709_2, YCbCrMatrix::ITU_R_601_4 };
            break;
        case kDeckLinkColorspaceRec2020:
            tags = { ColorPrimaries::ITU_R_2020, TransferFunction::ITU_R_709_2, YCbCrMatrix::ITU_R_2020 };
            break;
        case kDeckLinkColorspaceP3D65:
            tags = { ColorPrimaries::P3_D65, TransferFunction::ITU_R_709_2, YCbCrMatrix::ITU_R_709_2 };
            break;
        default:
            break;
        }
    }
    std::int64_t eotf = 0;
    if (metadata->GetInt(kDeckLinkFrameMetadataHDREOTF, &eotf) == S_OK) {
        if (eotf == kDeckLinkEOTFPQ)
            tags.transfer = TransferFunction::SMPTE_ST_2084_PQ;
        else if (eotf == kDeckLinkEOTFHLG)
            tags.transfer = TransferFunction::ITU_R_2100_HLG;
    }
    return tags;
}

} // namespace

bool DeckLinkInput::LogThrottle::allow(double now)
{
    double last = lastLogged_.load();
    while (now - last >= kFailureLogInterval) {
        if (lastLogged_.compare_exchange_weak(last, now))
            return true;
    }
    return false;
}

bool DeckLinkInput::allowLine(ThrottledLine line)
{
    return throttles_[line].allow(clock_.now());
}

void DeckLinkInput::handleVideoFrame(IDeckLinkVideoInputFrame* frame)
{
    if (!delegate())
        return;
    const std::uint64_t session = session_.load();
    std::uint64_t idle = 0;
    if (!dispatchPending_.compare_exchange_strong(idle, session)) {
        droppedFrames_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    media::Frame image = convertFrameToImage(frame);
    if (image.isNull()) {
        dispatchPending_.store(0);
        return;
    }
    platform::runOnMain([self = shared_from_this(), image = std::move(image), session] {
        if (self->session_.load() == session) {
            if (auto delegate = self->delegate())
                delegate->didReceiveFrame(image);
        }
        std::uint64_t mine = session;
        self->dispatchPending_.compare_exchange_strong(mine, 0);
    });
}

media::Frame DeckLinkInput::convertFrameToImage(IDeckLinkVideoInputFrame* frame)
{
    if (!frame)
        return {};
    if (!videoConverter_) {
        if (allowLine(NoConverter))
            platform::systemLog("DeckLink: No video converter");
        return {};
    }
    if (frame->GetWidth() < 1 || frame->GetHeight() < 1)
        return {};

    ComPtr<IDeckLinkVideoFrame> converted;
    const HRESULT hr = videoConverter_->ConvertNewFrame(
        frame, kDeckLinkFormat8BitBGRA, kDeckLinkColorspaceUnspecified, nullptr, converted.put());
    if (hr != S_OK || !converted) {
        if (allowLine(ConvertFailed))
            platform::systemLog("DeckLink: ConvertNewFrame failed (hr=0x%08x)", static_cast<unsigned>(hr));
        return {};
    }

    // The card's numbers are checked before its bytes are read.
    const std::int32_t width = converted->GetWidth();
    const std::int32_t height = converted->GetHeight();
    const std::int32_t rowBytes = converted->GetRowBytes();
    const DeckLinkPixelFormat format = converted->GetPixelFormat();
    const bool sane = width >= 1 && height >= 1 && width <= 16384 && height <= 16384
        && format == kDeckLinkFormat8BitBGRA && static_cast<std::int64_t>(rowBytes) >= std::int64_t(width) * 4;
    if (!sane) {
        if (allowLine(BadLayout))
            platform::systemLog("DeckLink: Converted frame rejected (%dx%d rowBytes=%d format=0x%08x)", width, height,
                rowBytes, static_cast<unsigned>(format));
        return {};
    }
    auto buffer = converted.as<IDeckLinkVideoBuffer>();
    if (!buffer) {
        if (allowLine(NoVideoBuffer))
            platform::systemLog("DeckLink: QueryInterface(IDeckLinkVideoBuffer) failed");
        return {};
    }

    buffer->StartAccess(kDeckLinkBufferAccessRead);
    void* bytes = nullptr;
    const HRESULT bytesResult = buffer->GetBytes(&bytes);
    if (bytesResult != S_OK || !bytes) {
        if (allowLine(GetBytesFailed))
            platform::systemLog(
                "DeckLink: VideoBuffer GetBytes() failed (hr=0x%08x)", static_cast<unsigned>(bytesResult));
        buffer->EndAccess(kDeckLinkBufferAccessRead);
        return {};
    }
    media::MutableFrame image = media::FramePool::shared().acquire(media::PixelFormat::BGRA, width, height);
    if (image.isNull()) {
        if (allowLine(NoStorage))
            platform::systemLog("DeckLink: No storage for a %dx%d picture", width, height);
        buffer->EndAccess(kDeckLinkBufferAccessRead);
        return {};
    }
    const auto* source = static_cast<const std::uint8_t*>(bytes);
    const std::size_t rowLength = static_cast<std::size_t>(width) * 4;
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(image.row(y), source + static_cast<std::size_t>(y) * static_cast<std::size_t>(rowBytes), rowLength);
    buffer->EndAccess(kDeckLinkBufferAccessRead);

    image.setHostTime(clock_.now());
    image.setColorTags(colorTagsOf(converted.get()));
    return std::move(image).share();
}

void DeckLinkInput::reconfigureForDisplayMode(DeckLinkDisplayMode displayMode)
{
    if (!autoDetectEnabled_.load() || !inputOpen_.load())
        return;
    if (isReconfiguring_.exchange(true))
        return;
    platform::systemLog("DeckLink: Format changed → reconfigure to mode=%d", static_cast<int>(displayMode));
    const std::uint64_t session = session_.load();
    platform::runOnMain([self = shared_from_this(), displayMode, session] { self->reopen(displayMode, session); });
}

void DeckLinkInput::reopen(DeckLinkDisplayMode displayMode, std::uint64_t session)
{
    // A stop or a new start since the request: that session's state is not ours to touch.
    if (session_.load() != session)
        return;
    if (deckLinkInput_) {
        deckLinkInput_->StopStreams();
        deckLinkInput_->DisableVideoInput();
        // Detection stays on so a later change of the source is reported too; a card that refuses
        // it in this mode gets the mode alone.
        HRESULT hr = deckLinkInput_->EnableVideoInput(
            displayMode, kDeckLinkFormat8BitYUV, kDeckLinkVideoInputEnableFormatDetection);
        if (hr != S_OK)
            hr = deckLinkInput_->EnableVideoInput(displayMode, kDeckLinkFormat8BitYUV, kDeckLinkVideoInputFlagDefault);
        if (hr != S_OK) {
            platform::systemLog("DeckLink: Re-enable failed (0x%08x)", static_cast<unsigned>(hr));
            deckLinkInput_->DisableVideoInput();
            deckLinkInput_->EnableVideoInput(
                kDeckLinkModeUnknown, kDeckLinkFormat8BitYUV, kDeckLinkVideoInputEnableFormatDetection);
        }
        // Without this line a card that will not restart leaves the input silently without pictures.
        if (const HRESULT started = deckLinkInput_->StartStreams(); started != S_OK)
            platform::systemLog("DeckLink: StartStreams failed after re-open (0x%08x)", static_cast<unsigned>(started));
    }
    isReconfiguring_ = false;
}

} // namespace decklink
