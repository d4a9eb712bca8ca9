#include "media/camera/CameraNode.h"

#include <linux/videodev2.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <numeric>
#include <optional>
#include <utility>

namespace media {

namespace {

int xioctl(int fd, unsigned long request, void* arg)
{
    int result;
    do {
        result = ::ioctl(fd, request, arg);
    } while (result < 0 && errno == EINTR);
    return result;
}

std::string fixedString(const __u8* bytes, std::size_t size)
{
    const auto* text = reinterpret_cast<const char*>(bytes);
    return std::string(text, strnlen(text, size));
}

std::optional<CameraPixelFormat> formatFromFourcc(__u32 fourcc)
{
    switch (fourcc) {
    case V4L2_PIX_FMT_NV12:
        return CameraPixelFormat::nv12;
    case V4L2_PIX_FMT_YUYV:
        return CameraPixelFormat::yuyv;
    case V4L2_PIX_FMT_UYVY:
        return CameraPixelFormat::uyvy;
    case V4L2_PIX_FMT_YUV420:
        return CameraPixelFormat::yuv420;
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
        return CameraPixelFormat::mjpeg;
    default:
        return std::nullopt;
    }
}

__u32 fourccOf(CameraPixelFormat format, const std::vector<__u32>& offered)
{
    switch (format) {
    case CameraPixelFormat::nv12:
        return V4L2_PIX_FMT_NV12;
    case CameraPixelFormat::yuyv:
        return V4L2_PIX_FMT_YUYV;
    case CameraPixelFormat::uyvy:
        return V4L2_PIX_FMT_UYVY;
    case CameraPixelFormat::yuv420:
        return V4L2_PIX_FMT_YUV420;
    case CameraPixelFormat::mjpeg:
        return std::find(offered.begin(), offered.end(), V4L2_PIX_FMT_JPEG) != offered.end() ? V4L2_PIX_FMT_JPEG
                                                                                             : V4L2_PIX_FMT_MJPEG;
    case CameraPixelFormat::bgra:
        break;
    }
    return 0;
}

// A value inside [min, max] on the grid min + k * step, as close to `wanted` as the grid allows.
int fitToStep(int wanted, int min, int max, int step)
{
    if (step <= 0)
        step = 1;
    const int clamped = std::clamp(wanted, min, max);
    return min + (clamped - min) / step * step;
}

std::vector<std::pair<int, int>> frameSizes(int fd, __u32 fourcc, const CameraRequest& request)
{
    std::vector<std::pair<int, int>> sizes;
    v4l2_frmsizeenum size {};
    size.pixel_format = fourcc;
    for (size.index = 0; xioctl(fd, VIDIOC_ENUM_FRAMESIZES, &size) == 0; ++size.index) {
        if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            sizes.emplace_back(int(size.discrete.width), int(size.discrete.height));
            continue;
        }
        const auto& s = size.stepwise;
        const int minW = int(s.min_width), maxW = int(s.max_width), minH = int(s.min_height), maxH = int(s.max_height);
        const int stepW = size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS ? 1 : int(s.step_width);
        const int stepH = size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS ? 1 : int(s.step_height);
        sizes.emplace_back(minW, minH);
        sizes.emplace_back(maxW, maxH);
        if (request.width > 0 && request.height > 0)
            sizes.emplace_back(
                fitToStep(request.width, minW, maxW, stepW), fitToStep(request.height, minH, maxH, stepH));
        break; // a range is described by its first entry only
    }
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

void addRate(std::vector<std::pair<int, int>>& rates, __u32 intervalNum, __u32 intervalDen)
{
    if (intervalNum == 0 || intervalDen == 0)
        return;
    // A frame interval of num/den seconds is den/num frames per second.
    const auto g = std::gcd(intervalNum, intervalDen);
    rates.emplace_back(int(intervalDen / g), int(intervalNum / g));
}

std::vector<std::pair<int, int>> frameRates(int fd, __u32 fourcc, int width, int height, const CameraRequest& request)
{
    std::vector<std::pair<int, int>> rates;
    v4l2_frmivalenum interval {};
    interval.pixel_format = fourcc;
    interval.width = __u32(width);
    interval.height = __u32(height);
    for (interval.index = 0; xioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &interval) == 0; ++interval.index) {
        if (interval.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            addRate(rates, interval.discrete.numerator, interval.discrete.denominator);
            continue;
        }
        const auto& s = interval.stepwise;
        addRate(rates, s.min.numerator, s.min.denominator); // the fastest
        addRate(rates, s.max.numerator, s.max.denominator); // the slowest
        if (request.frameRate > 0.0) {
            const double fastest = double(s.min.denominator) / std::max(1u, s.min.numerator);
            const double slowest = double(s.max.denominator) / std::max(1u, s.max.numerator);
            const double wanted = std::clamp(request.frameRate, slowest, fastest);
            addRate(rates, 1000, __u32(std::lround(wanted * 1000.0)));
        }
        break;
    }
    // Drivers without interval enumeration still stream at some rate: say 30 so the mode counts.
    if (rates.empty())
        rates.emplace_back(30, 1);
    return rates;
}

std::vector<__u32> pixelFormats(int fd)
{
    std::vector<__u32> formats;
    v4l2_fmtdesc desc {};
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (desc.index = 0; xioctl(fd, VIDIOC_ENUM_FMT, &desc) == 0; ++desc.index) {
        if (desc.flags & V4L2_FMT_FLAG_EMULATED)
            continue; // converted in user space by libv4l, which we do not use
        formats.push_back(desc.pixelformat);
    }
    return formats;
}

} // namespace

platform::Result<CameraNode, CameraError> CameraNode::open(const std::string& path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return platform::fail(cameraErrorFromErrno(errno));
    // Only character devices can be cameras; opening anything else (a FIFO would block) is pointless.
    if (!S_ISCHR(info.st_mode))
        return platform::fail(CameraError::notACamera);

    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return platform::fail(cameraErrorFromErrno(errno));

    CameraNode node;
    node.fd_ = fd;
    node.path_ = path;

    v4l2_capability caps {};
    if (xioctl(fd, VIDIOC_QUERYCAP, &caps) != 0) {
        const int error = errno;
        // Anything that does not answer the first video ioctl is not a camera, whatever errno says.
        return platform::fail(error == ENODEV ? CameraError::deviceGone : CameraError::notACamera);
    }
    const __u32 deviceCaps = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    // Metadata nodes of the same camera have only V4L2_CAP_META_CAPTURE; multi-planar capture is
    // left out because no camera we target needs it and the capture path reads single planes.
    if (!(deviceCaps & V4L2_CAP_VIDEO_CAPTURE) || !(deviceCaps & V4L2_CAP_STREAMING))
        return platform::fail(CameraError::notACamera);

    node.card_ = fixedString(caps.card, sizeof caps.card);
    node.busInfo_ = fixedString(caps.bus_info, sizeof caps.bus_info);
    node.driver_ = fixedString(caps.driver, sizeof caps.driver);
    return node;
}

CameraNode::CameraNode(CameraNode&& other) noexcept
    : fd_(std::exchange(other.fd_, -1))
    , path_(std::move(other.path_))
    , card_(std::move(other.card_))
    , busInfo_(std::move(other.busInfo_))
    , driver_(std::move(other.driver_))
{
}

CameraNode& CameraNode::operator=(CameraNode&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        card_ = std::move(other.card_);
        busInfo_ = std::move(other.busInfo_);
        driver_ = std::move(other.driver_);
    }
    return *this;
}

CameraNode::~CameraNode()
{
    close();
}

void CameraNode::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::vector<CameraMode> CameraNode::modes(const CameraRequest& request) const
{
    std::vector<CameraMode> modes;
    if (fd_ < 0)
        return modes;
    for (const __u32 fourcc : pixelFormats(fd_)) {
        const auto format = formatFromFourcc(fourcc);
        if (!format)
            continue;
        for (const auto& [width, height] : frameSizes(fd_, fourcc, request)) {
            for (const auto& [num, den] : frameRates(fd_, fourcc, width, height, request)) {
                CameraMode mode { *format, width, height, num, den };
                if (std::find(modes.begin(), modes.end(), mode) == modes.end())
                    modes.push_back(mode);
            }
        }
    }
    return modes;
}

CameraV4L2Colorimetry CameraNode::colorimetry(const CameraMode& mode) const
{
    CameraV4L2Colorimetry result;
    if (fd_ < 0)
        return result;
    v4l2_format format {};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = __u32(mode.width);
    format.fmt.pix.height = __u32(mode.height);
    format.fmt.pix.pixelformat = fourccOf(mode.format, pixelFormats(fd_));
    format.fmt.pix.field = V4L2_FIELD_ANY;
    if (xioctl(fd_, VIDIOC_TRY_FMT, &format) != 0)
        return result;
    // 0 in any field means "the default of the colorspace", which the mapping resolves.
    result.colorspace = format.fmt.pix.colorspace;
    result.transfer = format.fmt.pix.xfer_func;
    result.ycbcrEncoding = format.fmt.pix.ycbcr_enc;
    result.quantization = format.fmt.pix.quantization;
    return result;
}

} // namespace media
