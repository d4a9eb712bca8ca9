#include "decklink/SimpleVideoBuffer.h"

#include <cstdlib>

namespace decklink {

SimpleVideoBuffer::SimpleVideoBuffer(std::size_t size)
    : bytes_(size > 0 ? std::calloc(size, 1) : nullptr)
    , size_(bytes_ ? size : 0)
{
}

SimpleVideoBuffer::~SimpleVideoBuffer()
{
    std::free(bytes_);
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

} // namespace decklink
