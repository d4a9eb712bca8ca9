#pragma once

// Forwards every picture of a DeckLinkInput to a closure, so the capture engine can receive the
// frames of several inputs without being their delegate itself. The input holds its delegate
// weakly: the owner keeps the proxy.

#include "decklink/DeckLinkInputDelegate.h"

#include <functional>

namespace decklink {

class DeckLinkDelegateProxy final : public DeckLinkInputDelegate {
public:
    using OnFrame = std::function<void(const media::Frame&)>;

    explicit DeckLinkDelegateProxy(OnFrame onFrame)
        : onFrame_(std::move(onFrame))
    {
    }

    const OnFrame& onFrame() const { return onFrame_; }

    // Calls onFrame with the picture on the calling (main) thread.
    void didReceiveFrame(const media::Frame& image) override;

private:
    const OnFrame onFrame_;
};

} // namespace decklink
