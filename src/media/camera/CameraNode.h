#pragma once

// One V4L2 device node opened for questions, not for streaming: what it is (VIDIOC_QUERYCAP),
// which modes it offers (VIDIOC_ENUM_FMT / ENUM_FRAMESIZES / ENUM_FRAMEINTERVALS) and which
// colours it says it delivers in a mode (VIDIOC_TRY_FMT).

#include "media/camera/CameraError.h"
#include "media/camera/CameraMode.h"
#include "platform/Result.h"

#include <string>
#include <vector>

namespace media {

// The colour description V4L2 attaches to a format (enum v4l2_colorspace and friends), kept raw
// so that it can be mapped without the kernel headers.
struct CameraV4L2Colorimetry {
    unsigned colorspace = 0;
    unsigned transfer = 0;
    unsigned ycbcrEncoding = 0;
    unsigned quantization = 0;
};

class CameraNode {
public:
    // Opens the node without blocking and asks what it is. A node that is not a video-capture
    // device (a metadata node, an output, /dev/null, a regular file) gives notACamera.
    static platform::Result<CameraNode, CameraError> open(const std::string& path);

    CameraNode(CameraNode&& other) noexcept;
    CameraNode& operator=(CameraNode&& other) noexcept;
    ~CameraNode();

    const std::string& path() const { return path_; }
    const std::string& card() const { return card_; }
    const std::string& busInfo() const { return busInfo_; }
    const std::string& driver() const { return driver_; }

    // Every mode in a format we can convert. Stepwise and continuous ranges are reduced to the
    // sizes and rates a request could want: the request itself (fitted to the range), and the
    // range's ends.
    std::vector<CameraMode> modes(const CameraRequest& request = {}) const;

    // The colours the driver reports for a mode; all zero (unknown) when it does not say.
    CameraV4L2Colorimetry colorimetry(const CameraMode& mode) const;

private:
    CameraNode() = default;
    void close();

    int fd_ = -1;
    std::string path_;
    std::string card_;
    std::string busInfo_;
    std::string driver_;
};

} // namespace media
