#pragma once

// A zero-filled block of bytes the station lends to an output frame (CreateVideoFrameWithBuffer)
// to copy a picture into.

#include "decklink/api/DeckLinkAPI.h"

#include <atomic>
#include <cstddef>

class SimpleVideoBuffer final : public IDeckLinkVideoBuffer {
public:
    explicit SimpleVideoBuffer(std::size_t size);
    SimpleVideoBuffer(const SimpleVideoBuffer&) = delete;
    SimpleVideoBuffer& operator=(const SimpleVideoBuffer&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // E_FAIL when the block could not be allocated.
    HRESULT GetBytes(void** buffer) override;
    HRESULT StartAccess(DeckLinkBufferAccessFlags flags) override;
    HRESULT EndAccess(DeckLinkBufferAccessFlags flags) override;

    std::size_t size() const { return size_; }

private:
    ~SimpleVideoBuffer();

    std::atomic<ULONG> refCount_ { 1 };
    void* bytes_ = nullptr;
    std::size_t size_ = 0;
};
