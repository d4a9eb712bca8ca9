#include "media/frame/Frame.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace media {

namespace {

constexpr std::size_t kAlignment = 64;

std::size_t alignUp(std::size_t value, std::size_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

template <class E> struct NameEntry {
    E value;
    std::string_view name;
};

constexpr NameEntry<ColorPrimaries> kPrimaries[] = {
    { ColorPrimaries::ITU_R_709_2, "ITU_R_709_2" },
    { ColorPrimaries::EBU_3213, "EBU_3213" },
    { ColorPrimaries::SMPTE_C, "SMPTE_C" },
    { ColorPrimaries::ITU_R_2020, "ITU_R_2020" },
    { ColorPrimaries::P3_D65, "P3_D65" },
    { ColorPrimaries::DCI_P3, "DCI_P3" },
};
constexpr NameEntry<TransferFunction> kTransfers[] = {
    { TransferFunction::ITU_R_709_2, "ITU_R_709_2" },
    { TransferFunction::SMPTE_240M_1995, "SMPTE_240M_1995" },
    { TransferFunction::UseGamma, "UseGamma" },
    { TransferFunction::ITU_R_2020, "ITU_R_2020" },
    { TransferFunction::SMPTE_ST_2084_PQ, "SMPTE_ST_2084_PQ" },
    { TransferFunction::ITU_R_2100_HLG, "ITU_R_2100_HLG" },
    { TransferFunction::IEC_sRGB, "IEC_sRGB" },
    { TransferFunction::Linear, "Linear" },
    { TransferFunction::SMPTE_ST_428_1, "SMPTE_ST_428_1" },
};
constexpr NameEntry<YCbCrMatrix> kMatrices[] = {
    { YCbCrMatrix::ITU_R_709_2, "ITU_R_709_2" },
    { YCbCrMatrix::ITU_R_601_4, "ITU_R_601_4" },
    { YCbCrMatrix::SMPTE_240M_1995, "SMPTE_240M_1995" },
    { YCbCrMatrix::ITU_R_2020, "ITU_R_2020" },
};

template <class E, std::size_t N> std::string_view nameOf(const NameEntry<E> (&table)[N], E value)
{
    for (const auto& entry : table)
        if (entry.value == value)
            return entry.name;
    return {};
}

template <class E, std::size_t N> E valueOf(const NameEntry<E> (&table)[N], std::string_view name)
{
    for (const auto& entry : table)
        if (entry.name == name)
            return entry.value;
    return E::Unknown;
}

void releaseImageHold(void* hold)
{
    delete static_cast<std::shared_ptr<const FrameBuffer>*>(hold);
}

} // namespace

std::string_view platformName(ColorPrimaries value)
{
    return nameOf(kPrimaries, value);
}
std::string_view platformName(TransferFunction value)
{
    return nameOf(kTransfers, value);
}
std::string_view platformName(YCbCrMatrix value)
{
    return nameOf(kMatrices, value);
}
ColorPrimaries colorPrimariesFromName(std::string_view name)
{
    return valueOf(kPrimaries, name);
}
TransferFunction transferFunctionFromName(std::string_view name)
{
    return valueOf(kTransfers, name);
}
YCbCrMatrix yCbCrMatrixFromName(std::string_view name)
{
    return valueOf(kMatrices, name);
}

int planeCount(PixelFormat format)
{
    switch (format) {
    case PixelFormat::BGRA:
    case PixelFormat::UYVY422:
    case PixelFormat::V210:
    case PixelFormat::R210:
    case PixelFormat::R10B:
    case PixelFormat::R10L:
        return 1;
    }
    return 0;
}

std::size_t minimumRowBytes(PixelFormat format, int width)
{
    if (width <= 0)
        return 0;
    const auto w = static_cast<std::size_t>(width);
    switch (format) {
    case PixelFormat::BGRA:
    case PixelFormat::R210:
    case PixelFormat::R10B:
    case PixelFormat::R10L:
        return 4 * w;
    case PixelFormat::UYVY422:
        return 2 * ((w + 1) / 2 * 2);
    case PixelFormat::V210:
        return (w + 47) / 48 * 128;
    }
    return 0;
}

std::size_t alignedRowBytes(PixelFormat format, int width)
{
    return alignUp(minimumRowBytes(format, width), kAlignment);
}

FrameBuffer::FrameBuffer(PixelFormat format, int width, int height, std::size_t rowBytes)
    : format_(format)
    , width_(width)
    , height_(height)
{
    strides_[0] = rowBytes;
    const std::size_t size = alignUp(std::max<std::size_t>(byteCount(), 1), kAlignment);
    planes_[0] = static_cast<std::uint8_t*>(std::aligned_alloc(kAlignment, size));
    if (!planes_[0])
        throw std::bad_alloc();
}

FrameBuffer::FrameBuffer(const FrameFormat& format, std::span<const std::uint8_t* const> planes,
    std::span<const std::size_t> strides, std::shared_ptr<const void> owner)
    : format_(format.pixelFormat)
    , width_(format.width)
    , height_(format.height)
    , owner_(std::move(owner))
{
    const std::size_t count = std::min<std::size_t>(std::min(planes.size(), strides.size()), maxPlanes);
    for (std::size_t i = 0; i < count; ++i) {
        // Wrapped pixels are only ever read through Frame; the pointer is not const so that
        // owned and wrapped storage share one layout.
        planes_[i] = const_cast<std::uint8_t*>(planes[i]);
        strides_[i] = strides[i];
    }
}

FrameBuffer::~FrameBuffer()
{
    if (!owner_)
        std::free(planes_[0]);
}

Frame Frame::wrap(const FrameFormat& format, std::span<const std::uint8_t* const> planes,
    std::span<const std::size_t> strides, std::shared_ptr<const void> owner)
{
    const int count = media::planeCount(format.pixelFormat);
    if (format.width <= 0 || format.height <= 0 || count == 0 || planes.size() != static_cast<std::size_t>(count)
        || strides.size() != planes.size() || !owner)
        return {};
    for (int i = 0; i < count; ++i) {
        // Packed formats only today: each plane holds whole rows of the format.
        if (!planes[static_cast<std::size_t>(i)]
            || strides[static_cast<std::size_t>(i)] < minimumRowBytes(format.pixelFormat, format.width))
            return {};
    }
    Frame frame;
    frame.buffer_ = std::make_shared<const FrameBuffer>(format, planes, strides, std::move(owner));
    return frame;
}

const std::uint8_t* Frame::plane(int index) const
{
    return index >= 0 && index < planeCount() ? buffer_->plane(index) : nullptr;
}

std::size_t Frame::planeRowBytes(int index) const
{
    return index >= 0 && index < planeCount() ? buffer_->planeRowBytes(index) : 0;
}

Frame Frame::withHostTime(double seconds) const
{
    Frame copy = *this;
    copy.hostTime_ = seconds;
    return copy;
}

Frame Frame::withItemTime(double seconds) const
{
    Frame copy = *this;
    copy.itemTime_ = seconds;
    return copy;
}

Frame Frame::withColorTags(const ColorTags& tags) const
{
    Frame copy = *this;
    copy.colorTags_ = tags;
    return copy;
}

Frame Frame::withFieldInfo(const FieldInfo& info) const
{
    Frame copy = *this;
    copy.fieldInfo_ = info;
    return copy;
}

QImage Frame::imageView() const
{
    if (!buffer_ || buffer_->format() != PixelFormat::BGRA)
        return {};
    auto* hold = new std::shared_ptr<const FrameBuffer>(buffer_);
    return QImage(buffer_->data(), buffer_->width(), buffer_->height(), static_cast<qsizetype>(buffer_->rowBytes()),
        QImage::Format_ARGB32_Premultiplied, releaseImageHold, hold);
}

MutableFrame::MutableFrame(PixelFormat format, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    buffer_ = std::make_shared<FrameBuffer>(format, width, height, alignedRowBytes(format, width));
}

QImage MutableFrame::imageForPainting()
{
    if (!buffer_ || buffer_->format() != PixelFormat::BGRA)
        return {};
    return QImage(buffer_->data(), buffer_->width(), buffer_->height(), static_cast<qsizetype>(buffer_->rowBytes()),
        QImage::Format_ARGB32_Premultiplied);
}

Frame MutableFrame::share() &&
{
    Frame frame;
    frame.buffer_ = std::move(buffer_);
    frame.hostTime_ = hostTime_;
    frame.itemTime_ = itemTime_;
    frame.colorTags_ = colorTags_;
    frame.fieldInfo_ = fieldInfo_;
    return frame;
}

} // namespace media
