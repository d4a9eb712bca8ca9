#pragma once

// Runs a view's refresh once, at the end of the event-loop turn, however many of the models'
// publishes asked for it in that turn. The view owns it; a refresh still queued when the view goes
// is dropped.
//
// Main thread only.

#include <QObject>

#include <functional>

namespace playback_screen {

class RefreshLater {
public:
    RefreshLater(QObject* owner, std::function<void()> refresh);

    void request();
    // Runs the refresh now; a queued one is dropped.
    void now();
    bool isPending() const { return pending_; }

private:
    QObject* owner_;
    std::function<void()> refresh_;
    bool pending_ = false;
};

} // namespace playback_screen
