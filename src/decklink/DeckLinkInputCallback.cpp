#include "decklink/DeckLinkInputCallback.h"

#include "decklink/DeckLinkInput.h"
#include "platform/MainThread.h"

namespace decklink {

namespace {
std::atomic<long> gLiveCallbacks { 0 };

// The callback's temporary reference may be the input's last one; destroying the input stops the
// card's stream, which must not happen on the card's own thread. Hand it to the main thread.
void releaseOffCardThread(std::shared_ptr<DeckLinkInput>& input)
{
    if (input.use_count() == 1)
        platform::runOnMain([last = std::move(input)] {});
}
} // namespace

DeckLinkInputCallback::DeckLinkInputCallback(std::weak_ptr<DeckLinkInput> input)
    : input_(std::move(input))
{
    gLiveCallbacks.fetch_add(1, std::memory_order_relaxed);
}

DeckLinkInputCallback::~DeckLinkInputCallback()
{
    gLiveCallbacks.fetch_sub(1, std::memory_order_relaxed);
}

long DeckLinkInputCallback::liveCount()
{
    return gLiveCallbacks.load();
}

HRESULT DeckLinkInputCallback::VideoInputFormatChanged(
    DeckLinkVideoInputFormatChangedEvents, IDeckLinkDisplayMode* newDisplayMode, DeckLinkDetectedVideoInputFormatFlags)
{
    auto input = input_.lock();
    if (!input)
        return S_OK;
    if (newDisplayMode)
        input->reconfigureForDisplayMode(newDisplayMode->GetDisplayMode());
    releaseOffCardThread(input);
    return S_OK;
}

HRESULT DeckLinkInputCallback::VideoInputFrameArrived(IDeckLinkVideoInputFrame* videoFrame, IDeckLinkAudioInputPacket*)
{
    auto input = input_.lock();
    if (!input || !videoFrame)
        return S_OK;
    input->handleVideoFrame(videoFrame);
    releaseOffCardThread(input);
    return S_OK;
}

} // namespace decklink
