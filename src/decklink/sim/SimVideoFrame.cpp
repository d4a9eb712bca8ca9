#include "decklink/sim/SimVideoFrame.h"

namespace sim {

std::atomic<long>& SimVideoFrame::liveFrameCount()
{
    static std::atomic<long> count { 0 };
    return count;
}

std::int32_t SimVideoFrame::minimumRowBytes(DeckLinkPixelFormat format, std::int32_t width)
{
    if (width < 1)
        return 0;
    switch (format) {
    case kDeckLinkFormat8BitYUV:
        return ((width + 1) / 2) * 4;
    case kDeckLinkFormat8BitBGRA:
    case kDeckLinkFormat10BitRGB:
    case kDeckLinkFormat10BitRGBX:
    case kDeckLinkFormat10BitRGBXLE:
        return width * 4;
    case kDeckLinkFormat10BitYUV:
        return ((width + 47) / 48) * 128;
    default:
        return 0;
    }
}

SimVideoFrame::SimVideoFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes, DeckLinkPixelFormat format,
    DeckLinkFrameFlags flags, Fill fill)
    : width_(width)
    , height_(height)
    , rowBytes_(rowBytes)
    , reportedRowBytes_(rowBytes)
    , format_(format)
    , ownBytes_(fill == Fill::Zero
              ? new std::uint8_t[static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height)]()
              : new std::uint8_t[static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height)])
    , flags_(flags)
{
    liveFrameCount().fetch_add(1, std::memory_order_relaxed);
}

SimVideoFrame::SimVideoFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes, DeckLinkPixelFormat format,
    DeckLinkFrameFlags flags, IDeckLinkVideoBuffer* buffer)
    : width_(width)
    , height_(height)
    , rowBytes_(rowBytes)
    , reportedRowBytes_(rowBytes)
    , format_(format)
    , lentBuffer_(buffer)
    , flags_(flags)
{
    lentBuffer_->AddRef();
    liveFrameCount().fetch_add(1, std::memory_order_relaxed);
}

SimVideoFrame::~SimVideoFrame()
{
    if (lentBuffer_)
        lentBuffer_->Release();
    liveFrameCount().fetch_sub(1, std::memory_order_relaxed);
}

HRESULT SimVideoFrame::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDeckLinkVideoFrame || iid == IID_IDeckLinkMutableVideoFrame)
        return answer(static_cast<IDeckLinkMutableVideoFrame*>(this), object);
    if (iid == IID_IDeckLinkVideoInputFrame)
        return answer(static_cast<IDeckLinkVideoInputFrame*>(this), object);
    if (iid == IID_IDeckLinkVideoBuffer) {
        if (lentBuffer_)
            return lentBuffer_->QueryInterface(iid, object);
        return answer(static_cast<IDeckLinkVideoBuffer*>(this), object);
    }
    if (iid == IID_IDeckLinkVideoFrameMetadataExtensions || iid == IID_IDeckLinkVideoFrameMutableMetadataExtensions)
        return answer(static_cast<IDeckLinkVideoFrameMutableMetadataExtensions*>(this), object);
    return E_NOINTERFACE;
}

DeckLinkFrameFlags SimVideoFrame::GetFlags()
{
    std::lock_guard lock(mutex_);
    return flags_;
}

HRESULT SimVideoFrame::SetFlags(DeckLinkFrameFlags flags)
{
    std::lock_guard lock(mutex_);
    flags_ = flags;
    return S_OK;
}

std::uint8_t* SimVideoFrame::bytes()
{
    if (!lentBuffer_)
        return ownBytes_.get();
    void* data = nullptr;
    if (lentBuffer_->GetBytes(&data) != S_OK)
        return nullptr;
    return static_cast<std::uint8_t*>(data);
}

HRESULT SimVideoFrame::GetBytes(void** buffer)
{
    if (!buffer)
        return E_POINTER;
    *buffer = reportNullBytes_ ? nullptr : bytes();
    return S_OK;
}

HRESULT SimVideoFrame::StartAccess(DeckLinkBufferAccessFlags)
{
    return S_OK;
}
HRESULT SimVideoFrame::EndAccess(DeckLinkBufferAccessFlags)
{
    return S_OK;
}

HRESULT SimVideoFrame::GetInt(DeckLinkFrameMetadataID id, std::int64_t* value)
{
    if (!value)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    auto it = metadata_.find(id);
    if (it == metadata_.end() || it->second.kind != Item::Kind::Int)
        return E_INVALIDARG;
    *value = it->second.intValue;
    return S_OK;
}

HRESULT SimVideoFrame::GetFloat(DeckLinkFrameMetadataID id, double* value)
{
    if (!value)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    auto it = metadata_.find(id);
    if (it == metadata_.end() || it->second.kind != Item::Kind::Float)
        return E_INVALIDARG;
    *value = it->second.floatValue;
    return S_OK;
}

HRESULT SimVideoFrame::GetFlag(DeckLinkFrameMetadataID id, bool* value)
{
    if (!value)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    auto it = metadata_.find(id);
    if (it == metadata_.end() || it->second.kind != Item::Kind::Flag)
        return E_INVALIDARG;
    *value = it->second.intValue != 0;
    return S_OK;
}

HRESULT SimVideoFrame::SetInt(DeckLinkFrameMetadataID id, std::int64_t value)
{
    std::lock_guard lock(mutex_);
    metadata_[id] = Item { Item::Kind::Int, value, 0.0 };
    return S_OK;
}

HRESULT SimVideoFrame::SetFloat(DeckLinkFrameMetadataID id, double value)
{
    std::lock_guard lock(mutex_);
    metadata_[id] = Item { Item::Kind::Float, 0, value };
    return S_OK;
}

HRESULT SimVideoFrame::SetFlag(DeckLinkFrameMetadataID id, bool value)
{
    std::lock_guard lock(mutex_);
    metadata_[id] = Item { Item::Kind::Flag, value ? 1 : 0, 0.0 };
    return S_OK;
}

} // namespace sim
