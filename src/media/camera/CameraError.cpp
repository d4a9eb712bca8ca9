#include "media/camera/CameraError.h"

#include <cerrno>

namespace media {

namespace {
struct Entry {
    CameraError error;
    std::string_view raw;
    std::string_view display;
};
constexpr Entry kEntries[] = {
    { CameraError::deviceGone, "deviceGone", "Camera is not connected" },
    { CameraError::deviceBusy, "deviceBusy", "Camera is in use by another program" },
    { CameraError::permissionDenied, "permissionDenied", "No permission to use the camera" },
    { CameraError::notACamera, "notACamera", "Device is not a camera" },
    { CameraError::noUsableMode, "noUsableMode", "Camera offers no usable video mode" },
    { CameraError::failed, "failed", "Camera failed" },
};
} // namespace

std::string_view toRaw(CameraError error)
{
    for (const auto& entry : kEntries)
        if (entry.error == error)
            return entry.raw;
    return {};
}

std::optional<CameraError> cameraErrorFromRaw(std::string_view raw)
{
    for (const auto& entry : kEntries)
        if (entry.raw == raw)
            return entry.error;
    return std::nullopt;
}

std::string_view displayName(CameraError error)
{
    for (const auto& entry : kEntries)
        if (entry.error == error)
            return entry.display;
    return {};
}

CameraError cameraErrorFromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return CameraError::deviceGone;
    case EBUSY:
    case ENOSPC: // uvcvideo's answer when the USB bus cannot carry another stream
        return CameraError::deviceBusy;
    case EACCES:
    case EPERM:
        return CameraError::permissionDenied;
    case ENOTTY: // the node does not understand video ioctls
    case EISDIR:
        return CameraError::notACamera;
    default:
        return CameraError::failed;
    }
}

} // namespace media
