#pragma once

// What the project library drives in the capture engine: the folder new takes are written to.
// The application hands in an adapter over the real recorder; operations given none leave the
// recorder alone.

#include <QUrl>

#include <optional>

namespace projects {

class ProjectRecorder {
public:
    virtual ~ProjectRecorder() = default;
    // None clears the output folder. Main thread.
    virtual void setOutputFolderURL(const std::optional<QUrl>& folder) = 0;
};

} // namespace projects
