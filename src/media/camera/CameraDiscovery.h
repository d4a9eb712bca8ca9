#pragma once

// Finds the cameras: every /dev/video* node that captures video (metadata nodes and other
// devices are left out), in node order, then the synthetic cameras when the environment asks for
// them (see SyntheticCamera.h). Opening each node takes a moment, so the engine discovers off the
// main thread and receives the list there.

#include "media/camera/CameraDevice.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace media {

class CameraDiscovery {
public:
    struct Options {
        // Where the nodes are; tests point it at a folder of their own.
        std::string deviceFolder = "/dev";
        // The synthetic camera description (empty: none).
        std::string syntheticSpec;

        // The real /dev, and the synthetic cameras that CORVALE_SYNTHETIC_CAMERAS asks for.
        static Options fromEnvironment();
    };

    // Blocks while it opens every node: call it off the main thread.
    static std::vector<CameraDevice> devices(const Options& options = Options::fromEnvironment());

    // Discovers on a pool thread and calls `done` with the list on the main thread, unless
    // `guard` is gone by then.
    static void discover(QObject* guard, std::function<void(std::vector<CameraDevice>)> done,
        Options options = Options::fromEnvironment());

    // The device with that identifier, found afresh; none when it is not connected.
    static std::optional<CameraDevice> find(
        const std::string& uniqueID, const Options& options = Options::fromEnvironment());

    // The identifier of a node: its /dev/v4l/by-id name when udev made one, else "v4l2:" + bus
    // info + ":" + card name.
    static std::string identifierFor(const std::string& byIdName, const std::string& busInfo, const std::string& card);
};

} // namespace media
