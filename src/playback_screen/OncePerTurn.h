#pragma once

// A call made at most once per turn of the event loop: requests made before it runs share one
// queued call, and running it directly drops the one still queued. Views refresh through it, so
// a burst of model changes costs one refresh.
//
// Main thread only; a member of its owner, whose destruction drops the queued call.

#include <QObject>

#include <functional>

namespace playback_screen {

class OncePerTurn {
public:
    OncePerTurn(QObject* owner, std::function<void()> call);
    OncePerTurn(const OncePerTurn&) = delete;
    OncePerTurn& operator=(const OncePerTurn&) = delete;

    void request();
    void runNow();
    bool isPending() const { return pending_; }

private:
    QObject* owner_;
    std::function<void()> call_;
    bool pending_ = false;
};

} // namespace playback_screen
