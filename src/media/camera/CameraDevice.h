#pragma once

// One camera as discovery lists it: what the engine publishes (uniqueID, localizedName) and what
// a session needs to open it.

#include "media/camera/CameraMode.h"

#include <optional>
#include <string>

namespace media {

struct CameraDevice {
    // Stable across reboots and replugging: the /dev/v4l/by-id name when udev made one, else
    // "v4l2:" + bus info + ":" + card name. Synthetic cameras have fixed identifiers.
    std::string uniqueID;
    // The card name the driver reports ("HD Pro Webcam C920").
    std::string localizedName;
    // The V4L2 node ("/dev/video0"); empty for a synthetic camera.
    std::string path;
    // Set for a synthetic camera: the one mode it delivers.
    std::optional<CameraMode> syntheticMode;

    bool isSynthetic() const { return syntheticMode.has_value(); }
    bool operator==(const CameraDevice&) const = default;
};

} // namespace media
