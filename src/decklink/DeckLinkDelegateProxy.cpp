#include "decklink/DeckLinkDelegateProxy.h"

namespace decklink {

void DeckLinkDelegateProxy::didReceiveFrame(const media::Frame& image)
{
    if (onFrame_)
        onFrame_(image);
}

} // namespace decklink
