#pragma once

// A media clock that stands still until a test moves it.

#include "platform/MediaClock.h"

#include <map>
#include <mutex>

namespace platform {

class ManualMediaClock final : public MediaClock {
public:
    explicit ManualMediaClock(double start = 1000.0);

    double now() const override;
    bool advancesByItself() const override { return false; }
    int addAdvanceListener(std::function<void()> listener) override;
    void removeAdvanceListener(int token) override;

    void advance(double seconds);
    void set(double seconds);

private:
    void notify();

    mutable std::mutex mutex_;
    // Held while listeners run, so removing one waits until it can no longer be called.
    std::mutex notifyMutex_;
    double now_;
    int nextToken_ = 1;
    std::map<int, std::function<void()>> listeners_;
};

} // namespace platform
