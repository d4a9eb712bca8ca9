#include "media/frame/FrameFields.h"

#include "media/frame/FramePool.h"

#include <cstring>

namespace media {

namespace {

bool isTemporal(FieldDetail detail)
{
    return detail == FieldDetail::TemporalTopFirst || detail == FieldDetail::TemporalBottomFirst;
}

ColorTags mergedColorTags(const ColorTags& from, ColorTags to)
{
    if (from.primaries != ColorPrimaries::Unknown)
        to.primaries = from.primaries;
    if (from.transfer != TransferFunction::Unknown)
        to.transfer = from.transfer;
    if (from.matrix != YCbCrMatrix::Unknown)
        to.matrix = from.matrix;
    return to;
}

} // namespace

bool isPixelBufferInterlaced(const Frame& frame)
{
    const FieldInfo& info = frame.fieldInfo();
    return info.fieldCount >= 2 || isTemporal(info.detail);
}

bool trackLooksInterlaced(const std::vector<std::optional<FieldInfo>>& formatDescriptions)
{
    for (const auto& description : formatDescriptions) {
        if (description && (description->fieldCount > 1 || isTemporal(description->detail)))
            return true;
    }
    return false;
}

Frame deinterlacePixelBuffer(const Frame& source)
{
    if (source.isNull() || source.width() < 1 || source.height() < 1 || source.format() != PixelFormat::BGRA)
        return {};
    MutableFrame target = FramePool::shared().acquire(PixelFormat::BGRA, source.width(), source.height());
    if (target.isNull() || !source.data())
        return {};

    const int height = source.height();
    // Padding past the last pixel carries nothing, so only the pixels of each row are blended.
    const std::size_t n
        = std::min({ source.rowBytes(), target.rowBytes(), minimumRowBytes(PixelFormat::BGRA, source.width()) });
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = target.row(y);
        if (y % 2 == 0) {
            std::memcpy(out, source.row(y), n);
            continue;
        }
        const std::uint8_t* above = source.row(y - 1);
        const std::uint8_t* below = source.row(std::min(y + 1, height - 1));
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<std::uint8_t>((static_cast<unsigned>(above[i]) + below[i]) >> 1);
    }

    // The new frame carries no tags yet, so the source's tags are the whole answer.
    target.setColorTags(mergedColorTags(source.colorTags(), {}));
    target.setHostTime(source.hostTime());
    if (source.itemTime())
        target.setItemTime(*source.itemTime());
    return std::move(target).share();
}

Frame copyColorAttachments(const Frame& from, const Frame& to)
{
    return to.withColorTags(mergedColorTags(from.colorTags(), to.colorTags()));
}

} // namespace media
