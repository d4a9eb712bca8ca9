#include "decklink/sim/SimOutputFrame.h"

#include "decklink/sim/DeckLinkSimControl.h"
#include "decklink/sim/SimDevice.h"

namespace sim {

std::atomic<long>& SimOutputFrame::liveCount()
{
    static std::atomic<long> count { 0 };
    return count;
}

SimOutputFrame::SimOutputFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes,
    DeckLinkPixelFormat format, DeckLinkFrameFlags flags)
    : width_(width)
    , height_(height)
    , rowBytes_(rowBytes)
    , format_(format)
    , ownBytes_(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height), 0)
    , flags_(flags)
{
    liveCount().fetch_add(1, std::memory_order_relaxed);
}

SimOutputFrame::SimOutputFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes,
    DeckLinkPixelFormat format, DeckLinkFrameFlags flags, IDeckLinkVideoBuffer* buffer)
    : width_(width)
    , height_(height)
    , rowBytes_(rowBytes)
    , format_(format)
    , lentBuffer_(buffer)
    , flags_(flags)
{
    lentBuffer_->AddRef();
    liveCount().fetch_add(1, std::memory_order_relaxed);
}

SimOutputFrame::SimOutputFrame(const DeckLinkPixelBufferRef& pixelBuffer)
    : width_(pixelBuffer.width)
    , height_(pixelBuffer.height)
    , rowBytes_(pixelBuffer.rowBytes)
    , format_(pixelBuffer.pixelFormat)
    , pixelBuffer_(pixelBuffer)
    , flags_(kDeckLinkFrameFlagDefault)
{
    if (pixelBuffer_.retain)
        pixelBuffer_.retain(pixelBuffer_.owner);
    liveCount().fetch_add(1, std::memory_order_relaxed);
}

SimOutputFrame::~SimOutputFrame()
{
    if (lentBuffer_)
        lentBuffer_->Release();
    if (pixelBuffer_.owner && pixelBuffer_.release)
        pixelBuffer_.release(pixelBuffer_.owner);
    liveCount().fetch_sub(1, std::memory_order_relaxed);
}

HRESULT SimOutputFrame::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDeckLinkVideoFrame || iid == IID_IDeckLinkMutableVideoFrame)
        return answer(static_cast<IDeckLinkMutableVideoFrame*>(this), object);
    if (iid == IID_IDeckLinkVideoBuffer) {
        if (lentBuffer_)
            return lentBuffer_->QueryInterface(iid, object);
        return answer(static_cast<IDeckLinkVideoBuffer*>(this), object);
    }
    if (iid == IID_IDeckLinkVideoFrameMetadataExtensions || iid == IID_IDeckLinkVideoFrameMutableMetadataExtensions) {
        if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_FRAME_METADATA_INTERFACE))
            return E_NOINTERFACE;
        return answer(static_cast<IDeckLinkVideoFrameMutableMetadataExtensions*>(this), object);
    }
    return E_NOINTERFACE;
}

DeckLinkFrameFlags SimOutputFrame::GetFlags()
{
    std::lock_guard lock(mutex_);
    return flags_;
}

HRESULT SimOutputFrame::SetFlags(DeckLinkFrameFlags flags)
{
    std::lock_guard lock(mutex_);
    flags_ = flags;
    return S_OK;
}

HRESULT SimOutputFrame::GetBytes(void** buffer)
{
    if (!buffer)
        return E_POINTER;
    if (pixelBuffer_.owner)
        *buffer = const_cast<void*>(pixelBuffer_.bytes); // read-only by contract of the wrap
    else
        *buffer = ownBytes_.data();
    return S_OK;
}

HRESULT SimOutputFrame::StartAccess(DeckLinkBufferAccessFlags flags)
{
    // A wrapped pixel buffer is lent for reading only.
    if (pixelBuffer_.owner && (flags & kDeckLinkBufferAccessWrite))
        return E_ACCESSDENIED;
    return S_OK;
}

HRESULT SimOutputFrame::EndAccess(DeckLinkBufferAccessFlags)
{
    return S_OK;
}

HRESULT SimOutputFrame::GetInt(DeckLinkFrameMetadataID id, std::int64_t* value)
{
    if (!value)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    auto it = metadata_.find(id);
    if (it == metadata_.end() || it->second.isFloat)
        return E_INVALIDARG;
    *value = it->second.intValue;
    return S_OK;
}

HRESULT SimOutputFrame::GetFloat(DeckLinkFrameMetadataID id, double* value)
{
    if (!value)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    auto it = metadata_.find(id);
    if (it == metadata_.end() || !it->second.isFloat)
        return E_INVALIDARG;
    *value = it->second.floatValue;
    return S_OK;
}

HRESULT SimOutputFrame::GetFlag(DeckLinkFrameMetadataID id, bool* value)
{
    std::int64_t stored = 0;
    const HRESULT hr = GetInt(id, &stored);
    if (hr == S_OK)
        *value = stored != 0;
    return hr;
}

HRESULT SimOutputFrame::SetInt(DeckLinkFrameMetadataID id, std::int64_t value)
{
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_FRAME_METADATA_WRITE))
        return E_FAIL;
    std::lock_guard lock(mutex_);
    metadata_[id] = Item { false, value, 0.0 };
    return S_OK;
}

HRESULT SimOutputFrame::SetFloat(DeckLinkFrameMetadataID id, double value)
{
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_FRAME_METADATA_WRITE))
        return E_FAIL;
    std::lock_guard lock(mutex_);
    metadata_[id] = Item { true, 0, value };
    return S_OK;
}

HRESULT SimOutputFrame::SetFlag(DeckLinkFrameMetadataID id, bool value)
{
    return SetInt(id, value ? 1 : 0);
}

std::vector<CorvaleSimMetadataItem> SimOutputFrame::metadataItems() const
{
    std::lock_guard lock(mutex_);
    std::vector<CorvaleSimMetadataItem> items;
    for (const auto& [id, item] : metadata_)
        items.push_back(CorvaleSimMetadataItem { id, item.isFloat ? 1 : 0, item.intValue, item.floatValue });
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
