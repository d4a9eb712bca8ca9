#pragma once

// Converts BGRA frames of the movie's own size to the planar YUV layouts the movie encoders
// take, with a chosen matrix and limited range. Four recorders at 1080p spend most of a core
// on this step with libswscale; plain fixed-point loops do it in a fraction of that. Chroma is
// the average of the pixels it covers.

#include <cstddef>
#include <cstdint>

namespace media {

class MovieFrameConverter {
public:
    enum class Layout {
        yuv420p, // 8-bit 4:2:0 (needs even width and height)
        yuv422p10, // 10-bit 4:2:2, little-endian 16-bit samples (needs an even width)
        yuv444p10, // 10-bit 4:4:4, little-endian 16-bit samples
    };

    // kr and kb: the matrix's red and blue luma weights (BT.709: 0.2126 and 0.0722).
    MovieFrameConverter(Layout layout, double kr, double kb);

    // True when the layout can take a picture of this size.
    bool supports(int width, int height) const;

    // BGRA (alpha ignored) into three planes (Y, Cb, Cr) of the same picture size.
    void convert(const std::uint8_t* bgra, std::size_t bgraStride, int width, int height, std::uint8_t* const planes[3],
        const int strides[3]) const;

private:
    static constexpr int kShift = 14;
    Layout layout_;
    // Fixed-point weights for luma and for Cb/Cr, scaled to the output bit depth.
    std::int32_t yr_, yg_, yb_, ur_, ug_, ub_, vr_, vg_, vb_;
    std::int32_t yOffset_, cOffset_; // black and neutral chroma, in output units
};

} // namespace media
