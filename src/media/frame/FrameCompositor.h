#pragma once

// Our BGRA compositor for the program output: canvases filled with a colour, and pictures drawn
// scaled into a rectangle of a canvas. Drawing picks the cheapest exact path: a row copy when the
// picture fits 1:1, a 2x2 average when it halves exactly (the common 2x2 grid of full-size
// inputs), and bilinear filtering otherwise (which also stretches when the two ratios differ).
// Pictures in the card's 8-bit 4:2:2 format are converted with libswscale.
//
// Threads: no state; every function may be called from any thread.

#include "media/frame/Frame.h"

#include <QRect>
#include <QSize>

#include <cstdint>
#include <span>

namespace media {

class FramePool;

class FrameCompositor {
public:
    // A pooled BGRA canvas of the size filled with opaque black; null for a size below 1 x 1.
    // Rectangles in `covered` are left unfilled: the caller draws over every pixel of them.
    static MutableFrame blackCanvas(QSize size, std::span<const QRect> covered = {}, FramePool* pool = nullptr);

    // Fills `rect` (clipped to the canvas) with a premultiplied 0xAARRGGBB colour.
    static void fill(MutableFrame& canvas, const QRect& rect, std::uint32_t argb);

    // Draws a BGRA picture scaled into `target` (canvas pixels; parts outside the canvas are
    // clipped, the scale still follows the whole rectangle). False, drawing nothing, for a
    // picture that is null, empty or not BGRA, or an empty target.
    static bool draw(MutableFrame& canvas, const Frame& picture, const QRect& target);

    // The largest rectangle of the picture's aspect ratio centred in `box`, on whole pixels; the
    // box itself when a side of the picture is 0.
    static QRect aspectFit(QSize picture, const QRect& box);
    // A rectangle on whole pixels, each edge rounded, so that neighbouring cells meet.
    static QRect pixelRect(const QRectF& rect);

    // A new BGRA frame of `size` holding the picture stretched to fill it, with the picture's
    // colour tags and field info; BGRA and 8-bit 4:2:2 sources. Null when the size is empty or
    // the source cannot be read.
    static Frame scaled(const Frame& source, QSize size, FramePool* pool = nullptr);
};

} // namespace media
