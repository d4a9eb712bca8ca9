#pragma once

// The station's callback on a card input: hands frames and format changes to its DeckLinkInput,
// which it reaches only through a weak reference (the card may hold the callback longer than the
// input lives).
//
// Threads: both callbacks run on the card's thread. The strong reference a callback takes for
// its work is handed to the main thread afterwards, so the input is never destroyed (and its
// stream never stopped) on the card's thread.

#include "decklink/api/ComObject.h"

#include <atomic>
#include <memory>

namespace decklink {

class DeckLinkInput;

class DeckLinkInputCallback final : public ComObject<IDeckLinkInputCallback> {
public:
    explicit DeckLinkInputCallback(std::weak_ptr<DeckLinkInput> input);

    HRESULT VideoInputFormatChanged(DeckLinkVideoInputFormatChangedEvents events, IDeckLinkDisplayMode* newDisplayMode,
        DeckLinkDetectedVideoInputFormatFlags detectedSignalFlags) override;
    HRESULT VideoInputFrameArrived(
        IDeckLinkVideoInputFrame* videoFrame, IDeckLinkAudioInputPacket* audioPacket) override;

    // Callback objects alive in the process (tests check that none leak).
    static long liveCount();

private:
    ~DeckLinkInputCallback() override;

    const std::weak_ptr<DeckLinkInput> input_;
};

} // namespace decklink
