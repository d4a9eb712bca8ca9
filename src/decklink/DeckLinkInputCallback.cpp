#include "decklink/DeckLinkInputCallback.h"

#include "decklink/DeckLinkInput.h"
#include "platform/MainThread.h"

namespace decklink {

namespace {
std::atomic<long> gLiveCallbacks { 0 };

// The callback never becomes the input's owner: counting references here would race with the
// main thread letting go of its own, and a last release on the card's thread would stop the card's
// stream from inside its callback. Its reference always goes to the main thread, where the owner
// stops the input before letting go.
void releaseOffCardThread(std::shared_ptr<DeckLinkInput>& input)
{
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
