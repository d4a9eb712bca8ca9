#include "decklink/DeckLinkInputCallback.h"

#include "decklink/DeckLinkInput.h"
#include "platform/MainThread.h"

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

HRESULT DeckLinkInputCallback::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_INVALIDARG;
    *object = nullptr;
    if (iid == IID_IDeckLinkInputCallback || iid == IID_IUnknown) {
        AddRef();
        *object = static_cast<IDeckLinkInputCallback*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG DeckLinkInputCallback::AddRef()
{
    return refCount_.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG DeckLinkInputCallback::Release()
{
    const ULONG remaining = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (remaining == 0)
        delete this;
    return remaining;
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
