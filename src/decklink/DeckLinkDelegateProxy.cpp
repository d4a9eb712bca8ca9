#include "decklink/DeckLinkDelegateProxy.h"

void DeckLinkDelegateProxy::didReceiveFrame(const media::Frame& image)
{
    if (onFrame_)
        onFrame_(image);
}
