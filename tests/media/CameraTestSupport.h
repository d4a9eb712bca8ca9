#pragma once

// Shared by the camera tests: a consumer that records what a session delivers, and synthetic
// camera options with a private, empty device folder.

#include "media/camera/CameraDiscovery.h"
#include "media/camera/CameraError.h"
#include "media/frame/Frame.h"
#include "platform/SerialQueue.h"

#include <QTemporaryDir>

#include <mutex>
#include <string>
#include <vector>

namespace cameratest {

struct Consumer {
    explicit Consumer(platform::SerialQueue& queue)
        : queue(queue)
    {
    }

    void frame(const media::Frame& f)
    {
        std::lock_guard lock(mutex);
        frames.push_back(f);
        offQueue = offQueue || !queue.isCurrent();
    }
    void ended(media::CameraError error)
    {
        std::lock_guard lock(mutex);
        ends.push_back(error);
    }
    std::vector<media::Frame> takeFrames()
    {
        std::lock_guard lock(mutex);
        return std::exchange(frames, {});
    }
    std::vector<media::CameraError> endsSoFar()
    {
        std::lock_guard lock(mutex);
        return ends;
    }

    platform::SerialQueue& queue;
    std::mutex mutex;
    std::vector<media::Frame> frames;
    std::vector<media::CameraError> ends;
    bool offQueue = false;
};

// A device folder with no nodes, plus synthetic cameras as specified.
struct SyntheticOptions {
    explicit SyntheticOptions(std::string spec)
    {
        options.deviceFolder = folder.path().toStdString();
        options.syntheticSpec = std::move(spec);
    }
    QTemporaryDir folder;
    media::CameraDiscovery::Options options;
};

} // namespace cameratest
