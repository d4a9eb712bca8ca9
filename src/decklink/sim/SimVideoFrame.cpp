#include "decklink/sim/SimVideoFrame.h"

#include "decklink/sim/SimDevice.h"

namespace sim {

std::atomic<long>& SimVideoFrame::liveOutputFrameCount()
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
    DeckLinkFrameFlags flags, Fill fill, Role role)
    : width_(width)
    , height_(height)
    , rowBytes_(rowBytes)
    , reportedRowBytes_(rowBytes)
    , format_(format)
    , role_(role)
    , ownBytes_(fill == Fill::Zero
              ? new std::uint8_t[static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height)]()
              : new std::uint8_t[static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height)])
    , flags_(flags)
{
    if (role_ == Role::Output)
        liveOutputFrameCount().fetch_add(1, std::memory_order_relaxed);
}

SimVideoFrame::SimVideoFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes, DeckLinkPixelFormat format,
    DeckLinkFrameFlags flags, IDeckLinkVideoBuffer* buffer, Role role)
    : width_(width)
    , height_(height)
    , rowBytes_(rowBytes)
    , reportedRowBytes_(rowBytes)
    , format_(format)
    , role_(role)
    , lentBuffer_(buffer)
    , flags_(flags)
{
    lentBuffer_->AddRef();
    if (role_ == Role::Output)
        liveOutputFrameCount().fetch_add(1, std::memory_order_relaxed);
}

SimVideoFrame::SimVideoFrame(const DeckLinkPixelBufferRef& pixelBuffer)
    : width_(pixelBuffer.width)
    , height_(pixelBuffer.height)
    , rowBytes_(pixelBuffer.rowBytes)
    , reportedRowBytes_(pixelBuffer.rowBytes)
    , format_(pixelBuffer.pixelFormat)
    , role_(Role::Output)
    , pixelBuffer_(pixelBuffer)
    , flags_(kDeckLinkFrameFlagDefault)
{
    if (pixelBuffer_.retain)
        pixelBuffer_.retain(pixelBuffer_.owner);
    liveOutputFrameCount().fetch_add(1, std::memory_order_relaxed);
}

SimVideoFrame::~SimVideoFrame()
{
    if (lentBuffer_)
        lentBuffer_->Release();
    if (pixelBuffer_.owner && pixelBuffer_.release)
        pixelBuffer_.release(pixelBuffer_.owner);
    if (role_ == Role::Output)
        liveOutputFrameCount().fetch_sub(1, std::memory_order_relaxed);
}

HRESULT SimVideoFrame::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDeckLinkVideoFrame || iid == IID_IDeckLinkMutableVideoFrame)
        return answer(static_cast<IDeckLinkMutableVideoFrame*>(this), object);
    if (iid == IID_IDeckLinkVideoInputFrame && role_ == Role::Driver)
        return answer(static_cast<IDeckLinkVideoInputFrame*>(this), object);
    if (iid == IID_IDeckLinkVideoBuffer) {
        if (lentBuffer_)
            return lentBuffer_->QueryInterface(iid, object);
        return answer(static_cast<IDeckLinkVideoBuffer*>(this), object);
    }
    if (iid == IID_IDeckLinkVideoFrameMetadataExtensions || iid == IID_IDeckLinkVideoFrameMutableMetadataExtensions) {
        if (role_ == Role::Output && SimRegistry::shared().failing(CORVALE_SIM_FAIL_FRAME_METADATA_INTERFACE))
            return E_NOINTERFACE;
        return answer(static_cast<IDeckLinkVideoFrameMutableMetadataExtensions*>(this), object);
    }
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
    if (pixelBuffer_.owner)
        return const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(pixelBuffer_.bytes));
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

HRESULT SimVideoFrame::StartAccess(DeckLinkBufferAccessFlags flags)
{
    // A wrapped pixel buffer is lent for reading only.
    if (pixelBuffer_.owner && (flags & kDeckLinkBufferAccessWrite))
        return E_ACCESSDENIED;
    return S_OK;
}

HRESULT SimVideoFrame::EndAccess(DeckLinkBufferAccessFlags)
{
    return S_OK;
}

template <class T> HRESULT SimVideoFrame::load(DeckLinkFrameMetadataID id, Kind kind, T* value) const
{
    if (!value)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    auto it = metadata_.find(id);
    if (it == metadata_.end() || it->second.kind != kind)
        return E_INVALIDARG;
    if constexpr (std::is_same_v<T, double>)
        *value = it->second.floatValue;
    else
        *value = static_cast<T>(it->second.intValue);
    return S_OK;
}

HRESULT SimVideoFrame::store(DeckLinkFrameMetadataID id, Kind kind, std::int64_t intValue, double floatValue)
{
    if (role_ == Role::Output && SimRegistry::shared().failing(CORVALE_SIM_FAIL_FRAME_METADATA_WRITE))
        return E_FAIL;
    std::lock_guard lock(mutex_);
    metadata_[id] = Item { kind, intValue, floatValue };
    return S_OK;
}

HRESULT SimVideoFrame::GetInt(DeckLinkFrameMetadataID id, std::int64_t* value)
{
    return load(id, Kind::Int, value);
}

HRESULT SimVideoFrame::GetFloat(DeckLinkFrameMetadataID id, double* value)
{
    return load(id, Kind::Float, value);
}

HRESULT SimVideoFrame::GetFlag(DeckLinkFrameMetadataID id, bool* value)
{
    return load(id, Kind::Flag, value);
}

HRESULT SimVideoFrame::SetInt(DeckLinkFrameMetadataID id, std::int64_t value)
{
    return store(id, Kind::Int, value, 0.0);
}

HRESULT SimVideoFrame::SetFloat(DeckLinkFrameMetadataID id, double value)
{
    return store(id, Kind::Float, 0, value);
}

HRESULT SimVideoFrame::SetFlag(DeckLinkFrameMetadataID id, bool value)
{
    return store(id, Kind::Flag, value ? 1 : 0, 0.0);
}

std::vector<CorvaleSimMetadataItem> SimVideoFrame::metadataItems() const
{
    std::lock_guard lock(mutex_);
    std::vector<CorvaleSimMetadataItem> items;
    for (const auto& [id, item] : metadata_)
        items.push_back(
            CorvaleSimMetadataItem { id, item.kind == Kind::Float ? 1 : 0, item.intValue, item.floatValue });
    return items;
}

SimFrameBytes::SimFrameBytes(IDeckLinkVideoFrame* frame, DeckLinkBufferAccessFlags access)
    : access_(access)
{
    void* object = nullptr;
    if (!frame || frame->QueryInterface(IID_IDeckLinkVideoBuffer, &object) != S_OK || !object)
        return;
    buffer_ = static_cast<IDeckLinkVideoBuffer*>(object);
    if (buffer_->StartAccess(access_) != S_OK) {
        buffer_->Release();
        buffer_ = nullptr;
        return;
    }
    void* bytes = nullptr;
    if (buffer_->GetBytes(&bytes) == S_OK)
        bytes_ = static_cast<const std::uint8_t*>(bytes);
}

SimFrameBytes::~SimFrameBytes()
{
    if (buffer_) {
        buffer_->EndAccess(access_);
        buffer_->Release();
    }
}

} // namespace sim
