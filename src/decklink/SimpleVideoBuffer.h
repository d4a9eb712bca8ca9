#pragma once

// A zero-filled block of bytes the station lends to an output frame (CreateVideoFrameWithBuffer)
// to copy a picture into.

#include "decklink/api/ComObject.h"

#include <cstddef>

namespace decklink {

class SimpleVideoBuffer final : public ComObject<IDeckLinkVideoBuffer> {
public:
    explicit SimpleVideoBuffer(std::size_t size);

    // E_FAIL when the block could not be allocated.
    HRESULT GetBytes(void** buffer) override;
    HRESULT StartAccess(DeckLinkBufferAccessFlags flags) override;
    HRESULT EndAccess(DeckLinkBufferAccessFlags flags) override;

    std::size_t size() const { return size_; }

private:
    ~SimpleVideoBuffer() override;

    void* bytes_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace decklink
