#pragma once

// Field layout and colour-tag helpers on frames: whether a frame or a movie track is interlaced, a
// line-blend deinterlace, and copying colour tags between frames. None keeps state; all may be
// called from any thread.

#include "media/frame/Frame.h"

#include <optional>
#include <vector>

namespace media {

// True when the frame carries two fields, or a field detail that is temporal (top or bottom field
// first in time).
bool isPixelBufferInterlaced(const Frame& frame);

// The field layout of each format description of a movie track, none where a description says
// nothing. Interlaced as soon as one says two fields or a temporal field order.
bool trackLooksInterlaced(const std::vector<std::optional<FieldInfo>>& formatDescriptions);

// Line-blend deinterlace of a BGRA frame: even rows pass, each odd row becomes the mean of its
// neighbours (the last row of an even-height frame averages with itself). Colour tags and
// presentation time are kept; the result is progressive. A null frame for an empty frame or any
// other pixel format.
Frame deinterlacePixelBuffer(const Frame& source);

// Copies the colour tags the source carries (primaries, transfer, matrix: each one that is known)
// onto a copy of the destination, which shares its pixels; tags the source lacks stay as they
// were.
Frame copyColorAttachments(const Frame& from, const Frame& to);

} // namespace media
