#pragma once

// A video frame: immutable pixels shared by reference, plus per-copy metadata (times, colour tags,
// field info). Copying a Frame never copies pixels. Pixels are written once, through
// MutableFrame, before the frame is shared, or belong to someone else (a driver buffer, an
// AVFrame) and are wrapped with an owner that the frame keeps alive.
//
// Threads: a Frame is immutable once shared and may be read and copied on any thread.

#include <QImage>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace media {

enum class PixelFormat : std::uint32_t {
    BGRA = 0x42475241, // 'BGRA': 8-bit B,G,R,A in memory (QImage::Format_ARGB32_Premultiplied)
    UYVY422 = 0x32767579, // '2vuy': 8-bit 4:2:2, Cb Y0 Cr Y1
    V210 = 0x76323130, // 'v210': 10-bit 4:2:2, six pixels in 16 bytes, rows padded to 128 bytes
    R210 = 0x72323130, // 'r210': 10-bit RGB, big-endian, 2 spare bits high
    R10B = 0x52313062, // 'R10b': 10-bit RGB, big-endian, 2 spare bits low
    R10L = 0x5231306C, // 'R10l': 10-bit RGB, little-endian, 2 spare bits low
};

// Colour tags in the vocabulary the rest of the station matches text against
// ("ITU_R_709_2", "SMPTE_ST_2084_PQ", ...).
enum class ColorPrimaries : std::uint8_t { Unknown, ITU_R_709_2, EBU_3213, SMPTE_C, ITU_R_2020, P3_D65, DCI_P3 };
enum class TransferFunction : std::uint8_t {
    Unknown,
    ITU_R_709_2,
    SMPTE_240M_1995,
    UseGamma,
    ITU_R_2020,
    SMPTE_ST_2084_PQ,
    ITU_R_2100_HLG,
    IEC_sRGB,
    Linear,
    SMPTE_ST_428_1
};
enum class YCbCrMatrix : std::uint8_t { Unknown, ITU_R_709_2, ITU_R_601_4, SMPTE_240M_1995, ITU_R_2020 };

std::string_view platformName(ColorPrimaries value);
std::string_view platformName(TransferFunction value);
std::string_view platformName(YCbCrMatrix value);
// Unknown names give Unknown.
ColorPrimaries colorPrimariesFromName(std::string_view name);
TransferFunction transferFunctionFromName(std::string_view name);
YCbCrMatrix yCbCrMatrixFromName(std::string_view name);

struct ColorTags {
    ColorPrimaries primaries = ColorPrimaries::Unknown;
    TransferFunction transfer = TransferFunction::Unknown;
    YCbCrMatrix matrix = YCbCrMatrix::Unknown;
    bool operator==(const ColorTags&) const = default;
};

enum class FieldDetail : std::uint8_t {
    None, // progressive (field count 1)
    TemporalTopFirst, // interlaced, top field first in time
    TemporalBottomFirst, // interlaced, bottom field first in time
    SpatialFirstLineEarly, // two fields stored one after the other, first line from the earlier
    SpatialFirstLineLate,
};

struct FieldInfo {
    int fieldCount = 1;
    FieldDetail detail = FieldDetail::None;
    bool interlaced() const { return fieldCount == 2; }
    bool operator==(const FieldInfo&) const = default;
};

// Planes a format stores its pixels in (every format the station uses today is packed: one).
int planeCount(PixelFormat format);

// Bytes in one row without padding; 0 for a width the format cannot hold.
std::size_t minimumRowBytes(PixelFormat format, int width);
// The row stride frames are allocated with: the minimum, aligned up to 64 bytes.
std::size_t alignedRowBytes(PixelFormat format, int width);

class FramePool;

// What a frame's pixels are: layout and size.
struct FrameFormat {
    PixelFormat pixelFormat = PixelFormat::BGRA;
    int width = 0;
    int height = 0;
    bool operator==(const FrameFormat&) const = default;
};

// The pixel storage behind one or more Frames: memory of its own, or memory another object owns
// and `owner` keeps alive until the storage goes.
class FrameBuffer {
public:
    static constexpr int maxPlanes = 4;

    FrameBuffer(PixelFormat format, int width, int height, std::size_t rowBytes);
    FrameBuffer(const FrameFormat& format, std::span<const std::uint8_t* const> planes,
        std::span<const std::size_t> strides, std::shared_ptr<const void> owner);
    ~FrameBuffer();
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;

    PixelFormat format() const { return format_; }
    int width() const { return width_; }
    int height() const { return height_; }
    std::size_t rowBytes() const { return strides_[0]; }
    std::size_t byteCount() const { return strides_[0] * static_cast<std::size_t>(height_); }
    std::uint8_t* data() { return planes_[0]; }
    const std::uint8_t* data() const { return planes_[0]; }
    const std::uint8_t* plane(int index) const { return planes_[static_cast<std::size_t>(index)]; }
    std::size_t planeRowBytes(int index) const { return strides_[static_cast<std::size_t>(index)]; }
    // True when the pixels belong to another object.
    bool isWrapped() const { return owner_ != nullptr; }

private:
    PixelFormat format_;
    int width_;
    int height_;
    std::array<std::uint8_t*, maxPlanes> planes_ {};
    std::array<std::size_t, maxPlanes> strides_ {};
    std::shared_ptr<const void> owner_;
};

class Frame {
public:
    Frame() = default; // a null frame

    // Pixels another object owns, without copying: `owner` (a driver buffer, an AVFrame ...) lives
    // as long as any frame or image view over them. One plane pointer and stride per plane of the
    // format; a null frame when they do not describe the format (missing plane, short stride,
    // non-positive size).
    static Frame wrap(const FrameFormat& format, std::span<const std::uint8_t* const> planes,
        std::span<const std::size_t> strides, std::shared_ptr<const void> owner);

    bool isNull() const { return !buffer_; }
    explicit operator bool() const { return !isNull(); }

    // A null frame has no format: a value that matches no case, with no row bytes.
    PixelFormat format() const { return buffer_ ? buffer_->format() : PixelFormat {}; }
    FrameFormat frameFormat() const { return { format(), width(), height() }; }
    int width() const { return buffer_ ? buffer_->width() : 0; }
    int height() const { return buffer_ ? buffer_->height() : 0; }
    std::size_t rowBytes() const { return buffer_ ? buffer_->rowBytes() : 0; }
    const std::uint8_t* data() const { return buffer_ ? buffer_->data() : nullptr; }
    // Null for a null frame or a row outside the picture.
    const std::uint8_t* row(int y) const
    {
        if (!buffer_ || y < 0 || y >= buffer_->height())
            return nullptr;
        return buffer_->data() + static_cast<std::size_t>(y) * buffer_->rowBytes();
    }
    int planeCount() const { return buffer_ ? media::planeCount(buffer_->format()) : 0; }
    const std::uint8_t* plane(int index) const;
    std::size_t planeRowBytes(int index) const;

    // Seconds on the media clock when the frame was captured (0 for frames not captured).
    double hostTime() const { return hostTime_; }
    // Seconds on the item's time line (playback); none for captured frames.
    std::optional<double> itemTime() const { return itemTime_; }
    // The item time of a played frame, else the host time of a captured one.
    double presentationTime() const { return itemTime_.value_or(hostTime_); }
    const ColorTags& colorTags() const { return colorTags_; }
    const FieldInfo& fieldInfo() const { return fieldInfo_; }

    // Copies with other metadata, sharing the pixels.
    Frame withHostTime(double seconds) const;
    Frame withItemTime(double seconds) const;
    // The item time; kept for callers written before the two times were apart.
    Frame withPresentationTime(double seconds) const { return withItemTime(seconds); }
    Frame withColorTags(const ColorTags& tags) const;
    Frame withFieldInfo(const FieldInfo& info) const;

    // True when both frames show the same pixel storage.
    bool sharesPixelsWith(const Frame& other) const { return buffer_ && buffer_ == other.buffer_; }
    // How many frames (and image views) share the pixels; for tests and diagnostics.
    long useCount() const { return buffer_.use_count(); }

    // A QImage over a BGRA frame's pixels, without copying; it keeps the pixels alive.
    // Any other format gives a null image. The image is read-only: painting on it detaches.
    QImage imageView() const;

private:
    friend class MutableFrame;
    std::shared_ptr<const FrameBuffer> buffer_;
    double hostTime_ = 0.0;
    std::optional<double> itemTime_;
    ColorTags colorTags_;
    FieldInfo fieldInfo_;
};

// A frame being filled: the only owner of its pixels until share() hands them out.
class MutableFrame {
public:
    MutableFrame() = default;
    // Unpooled storage of the aligned stride.
    MutableFrame(PixelFormat format, int width, int height);

    bool isNull() const { return !buffer_; }
    explicit operator bool() const { return !isNull(); }

    PixelFormat format() const { return buffer_ ? buffer_->format() : PixelFormat {}; }
    int width() const { return buffer_ ? buffer_->width() : 0; }
    int height() const { return buffer_ ? buffer_->height() : 0; }
    std::size_t rowBytes() const { return buffer_ ? buffer_->rowBytes() : 0; }
    std::uint8_t* data() { return buffer_ ? buffer_->data() : nullptr; }
    std::uint8_t* row(int y)
    {
        if (!buffer_ || y < 0 || y >= buffer_->height())
            return nullptr;
        return buffer_->data() + static_cast<std::size_t>(y) * buffer_->rowBytes();
    }

    void setHostTime(double seconds) { hostTime_ = seconds; }
    void setItemTime(double seconds) { itemTime_ = seconds; }
    // The item time; kept for callers written before the two times were apart.
    void setPresentationTime(double seconds) { itemTime_ = seconds; }
    void setColorTags(const ColorTags& tags) { colorTags_ = tags; }
    void setFieldInfo(const FieldInfo& info) { fieldInfo_ = info; }

    // A writable QImage over a BGRA buffer (for QPainter overlays); valid while this object lives.
    QImage imageForPainting();

    // Freezes the pixels and returns the shareable frame; this object becomes null.
    Frame share() &&;

private:
    friend class FramePool;
    explicit MutableFrame(std::shared_ptr<FrameBuffer> buffer)
        : buffer_(std::move(buffer))
    {
    }

    std::shared_ptr<FrameBuffer> buffer_;
    double hostTime_ = 0.0;
    std::optional<double> itemTime_;
    ColorTags colorTags_;
    FieldInfo fieldInfo_;
};

} // namespace media
