// The simulated card driver where the bridge tests cannot reach it: a stream its own callback
// tries to stop. (Its converters are checked through the output's frames.)

#include "DeckLinkTestSupport.h"

#include "decklink/DeckLinkAPILoader.h"

#include "decklink/api/ComObject.h"
#include "decklink/api/ComPtr.h"

#include <vector>

namespace decklink {

using namespace decklinktest;

namespace {

// Tries to stop and disable the stream from inside the frame callback.
class StoppingCallback final : public ComObject<IDeckLinkInputCallback> {
public:
    HRESULT VideoInputFormatChanged(
        DeckLinkVideoInputFormatChangedEvents, IDeckLinkDisplayMode*, DeckLinkDetectedVideoInputFormatFlags) override
    {
        return S_OK;
    }
    HRESULT VideoInputFrameArrived(IDeckLinkVideoInputFrame*, IDeckLinkAudioInputPacket*) override
    {
        results.push_back(input->StopStreams());
        results.push_back(input->DisableVideoInput());
        return S_OK;
    }
    IDeckLinkInput* input = nullptr;
    std::vector<HRESULT> results;
};

using SimulatedDriverTest = SimulatedCardTest;

TEST_F(SimulatedDriverTest, ACallbackCannotStopOrDisableItsOwnStream)
{
    // A card waits for its callbacks before it stops; from inside one it would wait for itself.
    auto* callback = new StoppingCallback();
    corvale_sim_set_source_mode(0, kDeckLinkModeNTSC);
    {
        auto iterator = ComPtr<IDeckLinkIterator>::adopt(CreateDeckLinkIteratorInstance());
        ComPtr<IDeckLink> device;
        ASSERT_EQ(iterator->Next(device.put()), S_OK);
        auto input = device.as<IDeckLinkInput>();
        ASSERT_TRUE(input);
        callback->input = input.get();
        input->SetCallback(callback);
        ASSERT_EQ(input->EnableVideoInput(kDeckLinkModeNTSC, kDeckLinkFormat8BitYUV, 0), S_OK);
        ASSERT_EQ(input->StartStreams(), S_OK);
        EXPECT_EQ(corvale_sim_deliver_frames(0, 2), 2);
        EXPECT_EQ(callback->results, (std::vector<HRESULT>(4, E_ACCESSDENIED)));
        EXPECT_TRUE(inputState(0).streaming);
        EXPECT_EQ(inputState(0).stopsFromCallback, 4u);
        EXPECT_EQ(input->StopStreams(), S_OK);
        EXPECT_EQ(input->DisableVideoInput(), S_OK);
        input->SetCallback(nullptr);
    }
    EXPECT_EQ(callback->Release(), 0u) << "the card kept a reference to the callback";
}

} // namespace

} // namespace decklink
