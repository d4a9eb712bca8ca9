#pragma once

// Why a camera could not be opened, or why it stopped on its own. The capture engine turns these
// values into its status texts; displayName() is the text for logs and for screens that show the
// reason itself.

#include <optional>
#include <string_view>

namespace media {

enum class CameraError {
    deviceGone, // no such camera (unknown identifier, node removed, unplugged mid-stream)
    deviceBusy, // another program streams from it, or the bus has no bandwidth left
    permissionDenied, // the user may not open the device node
    notACamera, // the node exists but does not capture video
    noUsableMode, // the camera offers no size, rate and pixel format we can convert
    failed, // any other I/O or decoding failure
};

std::string_view toRaw(CameraError error);
std::optional<CameraError> cameraErrorFromRaw(std::string_view raw);
std::string_view displayName(CameraError error);

// Maps an errno value from opening, configuring or reading a device node.
CameraError cameraErrorFromErrno(int error);

} // namespace media
