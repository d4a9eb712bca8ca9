#pragma once

// A picture owned by a benchmark (on its stack, filled through data()) and handed to the card's
// converter as a video frame with its bytes.

#include "decklink/api/ComObject.h"

#include <cstdint>
#include <vector>

class BenchPicture : public ComObject<IDeckLinkVideoFrame, IDeckLinkVideoBuffer> {
public:
    BenchPicture(int width, int height, int rowBytes, DeckLinkPixelFormat format)
        : width_(width)
        , height_(height)
        , rowBytes_(rowBytes)
        , format_(format)
        , bytes_(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height))
    {
    }
    // The benchmark keeps its first reference for the picture's life on the stack.
    ~BenchPicture() override = default;

    std::int32_t GetWidth() override { return width_; }
    std::int32_t GetHeight() override { return height_; }
    std::int32_t GetRowBytes() override { return rowBytes_; }
    DeckLinkPixelFormat GetPixelFormat() override { return format_; }
    DeckLinkFrameFlags GetFlags() override { return kDeckLinkFrameFlagDefault; }
    HRESULT GetBytes(void** buffer) override
    {
        *buffer = bytes_.data();
        return S_OK;
    }
    HRESULT StartAccess(DeckLinkBufferAccessFlags) override { return S_OK; }
    HRESULT EndAccess(DeckLinkBufferAccessFlags) override { return S_OK; }

    std::uint8_t* data() { return bytes_.data(); }

private:
    const int width_, height_, rowBytes_;
    const DeckLinkPixelFormat format_;
    std::vector<std::uint8_t> bytes_;
};
