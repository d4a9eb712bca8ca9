// The simulated card driver on its own where the bridge tests do not reach it: the converter's
// 10-bit packing, stops refused from its own callback thread, and reference counts.

#include "DeckLinkTestSupport.h"

#include "decklink/DeckLinkAPILoader.h"
#include "decklink/api/ComObject.h"
#include "decklink/api/ComPtr.h"

#include <cstring>
#include <vector>

namespace decklink {

using namespace decklinktest;

namespace {

// Keeps every frame it is given (with a reference) and can try to stop the stream from inside a
// callback.
class KeepingCallback final : public ComObject<IDeckLinkInputCallback> {
public:
    HRESULT VideoInputFormatChanged(DeckLinkVideoInputFormatChangedEvents events, IDeckLinkDisplayMode* mode,
        DeckLinkDetectedVideoInputFormatFlags) override
    {
        changes.push_back({ events, mode ? mode->GetDisplayMode() : 0 });
        return S_OK;
    }
    HRESULT VideoInputFrameArrived(IDeckLinkVideoInputFrame* frame, IDeckLinkAudioInputPacket*) override
    {
        frames.push_back(ComPtr<IDeckLinkVideoInputFrame>::retain(frame));
        if (stopFromCallback) {
            stopResults.push_back(stopFromCallback->StopStreams());
            stopResults.push_back(stopFromCallback->DisableVideoInput());
        }
        return S_OK;
    }

    std::vector<ComPtr<IDeckLinkVideoInputFrame>> frames;
    std::vector<std::pair<DeckLinkVideoInputFormatChangedEvents, DeckLinkDisplayMode>> changes;
    IDeckLinkInput* stopFromCallback = nullptr;
    std::vector<HRESULT> stopResults;
};

class SimulatedDriverTest : public SimulatedCardTest {
protected:
    void SetUp() override
    {
        SimulatedCardTest::SetUp();
        device = firstDevice();
        ASSERT_TRUE(device);
        input = device.as<IDeckLinkInput>();
        ASSERT_TRUE(input);
        converter = ComPtr<IDeckLinkVideoConversion>::adopt(CreateVideoConversionInstance());
        ASSERT_TRUE(converter);
    }
    void TearDown() override
    {
        if (input) {
            input->StopStreams();
            input->DisableVideoInput();
            input->SetCallback(nullptr);
        }
        callback.frames.clear();
        input.reset();
        device.reset();
        converter.reset();
        EXPECT_EQ(callbackObject->Release(), 0u) << "the card kept a reference to the callback";
        SimulatedCardTest::TearDown();
    }

    // Installs the callback and streams the first device in `mode`.
    void stream(DeckLinkDisplayMode mode, DeckLinkPixelFormat format, DeckLinkVideoInputFlags flags = 0)
    {
        input->SetCallback(&callback);
        ASSERT_EQ(input->EnableVideoInput(mode, format, flags), S_OK);
        ASSERT_EQ(input->StartStreams(), S_OK);
    }

    std::vector<std::uint8_t> bytesOf(IDeckLinkVideoFrame* frame)
    {
        auto buffer = ComPtr<IDeckLinkVideoFrame>::retain(frame).as<IDeckLinkVideoBuffer>();
        void* bytes = nullptr;
        buffer->StartAccess(kDeckLinkBufferAccessRead);
        EXPECT_EQ(buffer->GetBytes(&bytes), S_OK);
        const auto* begin = static_cast<const std::uint8_t*>(bytes);
        std::vector<std::uint8_t> copy(
            begin, begin + std::size_t(frame->GetRowBytes()) * std::size_t(frame->GetHeight()));
        buffer->EndAccess(kDeckLinkBufferAccessRead);
        return copy;
    }

    KeepingCallback* callbackObject = new KeepingCallback();
    KeepingCallback& callback = *callbackObject;
    ComPtr<IDeckLink> device;
    ComPtr<IDeckLinkInput> input;
    ComPtr<IDeckLinkVideoConversion> converter;
};

TEST_F(SimulatedDriverTest, ConverterPacksBGRAInto10BitFormats)
{
    // One white and one black BGRA pixel, converted through frames made by the converter itself.
    std::vector<std::uint8_t> pixels = { 255, 255, 255, 255, 0, 0, 0, 255 };
    ComPtr<IDeckLinkMutableVideoFrame> made;
    ASSERT_EQ(device.as<IDeckLinkOutput>()->CreateVideoFrame(2, 1, 8, kDeckLinkFormat8BitBGRA, 0, made.put()), S_OK);
    void* bytes = nullptr;
    ASSERT_EQ(made.as<IDeckLinkVideoBuffer>()->GetBytes(&bytes), S_OK);
    std::memcpy(bytes, pixels.data(), pixels.size());
    IDeckLinkVideoFrame* source = made.get();

    ComPtr<IDeckLinkVideoFrame> r210;
    ASSERT_EQ(
        converter->ConvertNewFrame(source, kDeckLinkFormat10BitRGB, kDeckLinkColorspaceRec709, nullptr, r210.put()),
        S_OK);
    auto r210Bytes = bytesOf(r210.get());
    EXPECT_EQ(r210Bytes[0], 0x3F); // big-endian 0x3FFFFFFF: R, G, B all 1023
    EXPECT_EQ(r210Bytes[3], 0xFF);
    EXPECT_EQ(r210Bytes[4] | r210Bytes[5] | r210Bytes[6] | r210Bytes[7], 0);

    ComPtr<IDeckLinkVideoFrame> v210;
    ASSERT_EQ(
        converter->ConvertNewFrame(source, kDeckLinkFormat10BitYUV, kDeckLinkColorspaceRec709, nullptr, v210.put()),
        S_OK);
    EXPECT_EQ(v210->GetRowBytes(), 128);
    const auto v210Bytes = bytesOf(v210.get());
    std::uint32_t word[2]; // little-endian words, as on the machines we run on
    std::memcpy(word, v210Bytes.data(), sizeof word);
    EXPECT_EQ((word[0] >> 10) & 0x3FF, 940u); // Y of white
    EXPECT_EQ(word[0] & 0x3FF, 512u); // Cb
    EXPECT_EQ((word[0] >> 20) & 0x3FF, 512u); // Cr
    EXPECT_EQ(word[1] & 0x3FF, 64u); // Y of black

    corvale_sim_set_failures(CORVALE_SIM_FAIL_CONVERT);
    EXPECT_EQ(converter->ConvertFrame(source, v210.get()), E_FAIL);
}

TEST_F(SimulatedDriverTest, ACallbackCannotStopOrDisableItsOwnStream)
{
    // A card waits for its callbacks before it stops; from inside one it would wait for itself.
    corvale_sim_set_source_mode(0, kDeckLinkModeNTSC);
    callback.stopFromCallback = input.get();
    ASSERT_NO_FATAL_FAILURE(stream(kDeckLinkModeNTSC, kDeckLinkFormat8BitYUV));
    EXPECT_EQ(corvale_sim_deliver_frames(0, 2), 2);
    EXPECT_EQ(callback.stopResults, (std::vector<HRESULT>(4, E_ACCESSDENIED)));
    const auto state = inputState(0);
    EXPECT_TRUE(state.streaming);
    EXPECT_TRUE(state.enabled);
    EXPECT_EQ(state.stopsFromCallback, 4u);
    callback.stopFromCallback = nullptr;
    EXPECT_EQ(input->StopStreams(), S_OK);
    EXPECT_EQ(input->DisableVideoInput(), S_OK);
}

} // namespace

} // namespace decklink
