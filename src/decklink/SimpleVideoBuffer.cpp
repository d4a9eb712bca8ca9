#include "decklink/SimpleVideoBuffer.h"

#include <cstdlib>

SimpleVideoBuffer::SimpleVideoBuffer(std::size_t size)
    : bytes_(size > 0 ? std::calloc(size, 1) : nullptr)
    , size_(bytes_ ? size : 0)
{
}

SimpleVideoBuffer::~SimpleVideoBuffer()
{
    std::free(bytes_);
}

HRESULT SimpleVideoBuffer::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDeckLinkVideoBuffer) {
        AddRef();
        *object = static_cast<IDeckLinkVideoBuffer*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG SimpleVideoBuffer::AddRef()
{
    return refCount_.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG SimpleVideoBuffer::Release()
{
    const ULONG remaining = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (remaining == 0)
        delete this;
    return remaining;
}

HRESULT SimpleVideoBuffer::GetBytes(void** buffer)
{
    if (!buffer)
        return E_POINTER;
    if (!bytes_) {
        *buffer = nullptr;
        return E_FAIL;
    }
    *buffer = bytes_;
    return S_OK;
}

HRESULT SimpleVideoBuffer::StartAccess(DeckLinkBufferAccessFlags)
{
    return S_OK;
}

HRESULT SimpleVideoBuffer::EndAccess(DeckLinkBufferAccessFlags)
{
    return S_OK;
}
