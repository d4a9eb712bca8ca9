// The converter of the simulated card: captured frames to new BGRA frames, and BGRA frames into
// the 10-bit frames an output plays.

#include "decklink/sim/SimVideoConversion.h"
#include "decklink/sim/DeckLinkSimControl.h"
#include "decklink/sim/SimDevice.h"
#include "decklink/sim/SimPixels.h"
#include "decklink/sim/SimVideoFrame.h"

#include "decklink/api/ComPtr.h"

namespace sim {

namespace {

// The bytes of any frame (ours or the station's), with access started for the call's length.
class FrameBytes {
public:
    FrameBytes(IDeckLinkVideoFrame* frame, DeckLinkBufferAccessFlags access)
        : access_(access)
    {
        buffer_ = ComPtr<IDeckLinkVideoFrame>::retain(frame).as<IDeckLinkVideoBuffer>();
        if (!buffer_)
            return;
        buffer_->StartAccess(access_);
        void* bytes = nullptr;
        if (buffer_->GetBytes(&bytes) == S_OK)
            bytes_ = static_cast<std::uint8_t*>(bytes);
    }
    ~FrameBytes()
    {
        if (buffer_)
            buffer_->EndAccess(access_);
    }
    std::uint8_t* get() const { return bytes_; }

private:
    DeckLinkBufferAccessFlags access_;
    ComPtr<IDeckLinkVideoBuffer> buffer_;
    std::uint8_t* bytes_ = nullptr;
};

DeckLinkColorspace frameColorspace(IDeckLinkVideoFrame* frame)
{
    auto metadata = ComPtr<IDeckLinkVideoFrame>::retain(frame).as<IDeckLinkVideoFrameMetadataExtensions>();
    std::int64_t value = 0;
    if (metadata && metadata->GetInt(kDeckLinkFrameMetadataColorspace, &value) == S_OK)
        return static_cast<DeckLinkColorspace>(value);
    return kDeckLinkColorspaceUnspecified;
}

bool planeOf(IDeckLinkVideoFrame* frame, std::uint8_t* bytes, PixelPlane* plane)
{
    const std::int32_t width = frame->GetWidth();
    const std::int32_t height = frame->GetHeight();
    const std::int32_t rowBytes = frame->GetRowBytes();
    const DeckLinkPixelFormat format = frame->GetPixelFormat();
    const std::int32_t minimum = SimVideoFrame::minimumRowBytes(format, width);
    if (!bytes || width < 1 || height < 1 || minimum == 0 || rowBytes < minimum)
        return false;
    *plane = { bytes, width, height, rowBytes, format };
    return true;
}

HRESULT convertInto(IDeckLinkVideoFrame* source, IDeckLinkVideoFrame* target, DeckLinkColorspace colorspace)
{
    FrameBytes sourceBytes(source, kDeckLinkBufferAccessRead);
    FrameBytes targetBytes(target, kDeckLinkBufferAccessWrite);
    PixelPlane s {}, t {};
    if (!planeOf(source, sourceBytes.get(), &s) || !planeOf(target, targetBytes.get(), &t))
        return E_INVALIDARG;
    if (colorspace == kDeckLinkColorspaceUnspecified)
        colorspace = frameColorspace(source);
    return convertPixels(s, t, matrixFor(colorspace, s.height)) ? S_OK : E_INVALIDARG;
}

class SimVideoConversion final : public SimObject<IDeckLinkVideoConversion> {
public:
    HRESULT ConvertFrame(IDeckLinkVideoFrame* srcFrame, IDeckLinkVideoFrame* dstFrame) override
    {
        if (!srcFrame || !dstFrame)
            return E_POINTER;
        if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_CONVERT))
            return E_FAIL;
        return convertInto(srcFrame, dstFrame, kDeckLinkColorspaceUnspecified);
    }

    HRESULT ConvertNewFrame(IDeckLinkVideoFrame* srcFrame, DeckLinkPixelFormat dstPixelFormat,
        DeckLinkColorspace dstColorspace, IDeckLinkVideoBuffer* dstBuffer, IDeckLinkVideoFrame** dstFrame) override
    {
        if (!dstFrame)
            return E_POINTER;
        *dstFrame = nullptr;
        if (!srcFrame)
            return E_POINTER;
        auto& registry = SimRegistry::shared();
        if (registry.failing(CORVALE_SIM_FAIL_CONVERT))
            return E_FAIL;
        const std::int32_t width = srcFrame->GetWidth();
        const std::int32_t height = srcFrame->GetHeight();
        const std::int32_t rowBytes = SimVideoFrame::minimumRowBytes(dstPixelFormat, width);
        if (width < 1 || height < 1 || rowBytes == 0)
            return E_INVALIDARG;
        SimVideoFrame* frame = dstBuffer
            ? new SimVideoFrame(width, height, rowBytes, dstPixelFormat, kDeckLinkFrameFlagDefault, dstBuffer)
            : new SimVideoFrame(
                width, height, rowBytes, dstPixelFormat, kDeckLinkFrameFlagDefault, SimVideoFrame::Fill::Uninitialized);
        auto result = ComPtr<IDeckLinkMutableVideoFrame>::adopt(frame);
        const HRESULT hr = convertInto(srcFrame, static_cast<IDeckLinkMutableVideoFrame*>(frame), dstColorspace);
        if (hr != S_OK)
            return hr;
        // The converted picture keeps the source's colour items.
        auto metadata = ComPtr<IDeckLinkVideoFrame>::retain(srcFrame).as<IDeckLinkVideoFrameMetadataExtensions>();
        std::int64_t value = 0;
        if (metadata && metadata->GetInt(kDeckLinkFrameMetadataColorspace, &value) == S_OK)
            frame->SetInt(kDeckLinkFrameMetadataColorspace, value);
        if (metadata && metadata->GetInt(kDeckLinkFrameMetadataHDREOTF, &value) == S_OK)
            frame->SetInt(kDeckLinkFrameMetadataHDREOTF, value);
        if (registry.failing(CORVALE_SIM_FAIL_CONVERT_BAD_ROW_BYTES))
            frame->misreportRowBytes(rowBytes / 2);
        if (registry.failing(CORVALE_SIM_FAIL_CONVERT_NULL_BYTES))
            frame->reportNullBytes();
        *dstFrame = static_cast<IDeckLinkMutableVideoFrame*>(result.detach());
        return S_OK;
    }
};

} // namespace

IDeckLinkVideoConversion* makeSimVideoConversion()
{
    return new SimVideoConversion();
}

} // namespace sim
