#pragma once

// The receiving side of a DeckLinkInput: gets each converted picture on the main thread.

#include "media/frame/Frame.h"

namespace decklink {

class DeckLinkInputDelegate {
public:
    virtual ~DeckLinkInputDelegate() = default;
    // A BGRA picture of the input; called on the main thread.
    virtual void didReceiveFrame(const media::Frame& image) = 0;
};

} // namespace decklink
