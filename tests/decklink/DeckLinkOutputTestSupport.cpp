#include "DeckLinkOutputTestSupport.h"

#include <algorithm>
#include <cstring>

namespace decklink {

namespace decklinktest {

namespace {

void seal(std::uint8_t* block)
{
    std::uint8_t sum = 0;
    for (int i = 0; i < 127; ++i)
        sum = static_cast<std::uint8_t>(sum + block[i]);
    block[127] = static_cast<std::uint8_t>(0x100 - sum);
}

} // namespace

std::vector<std::uint8_t> makeEdid(const EdidSpec& spec)
{
    std::vector<std::uint8_t> edid(256, 0);
    static const std::uint8_t header[8] = { 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00 };
    std::memcpy(edid.data(), header, 8);
    if (spec.badHeader)
        edid[7] = 0x01;
    edid[18] = 1;
    edid[19] = 4;
    edid[126] = spec.claimedExtensions;
    seal(edid.data());
    std::uint8_t* cta = edid.data() + 128;
    cta[0] = 0x02;
    cta[1] = 3;
    int offset = 4;
    cta[offset++] = (2 << 5) | 1; // video data block, one VIC
    cta[offset++] = 16;
    if (spec.overrunBeforeHDR) {
        // Zero bytes are empty blocks up to 120; there an HDR block claims 10 bytes, past offset 127.
        offset = 120;
        cta[offset++] = (7 << 5) | 10;
        cta[offset++] = 6;
        cta[offset++] = spec.eotf;
        cta[offset++] = 0x01;
    } else if (spec.hdrBlock) {
        cta[offset++] = (7 << 5) | 3;
        cta[offset++] = 6;
        cta[offset++] = spec.eotf;
        cta[offset++] = 0x01;
    }
    cta[2] = static_cast<std::uint8_t>(spec.ctaDataEnd >= 0 ? spec.ctaDataEnd : offset);
    seal(cta);
    return edid;
}

media::Frame makeBGRAFrame(int width, int height, std::uint32_t counter)
{
    media::MutableFrame frame(media::PixelFormat::BGRA, width, height);
    for (int y = 0; y < height; ++y)
        std::memset(frame.row(y), 0x60, static_cast<std::size_t>(width) * 4);
    corvale_sim_draw_frame_counter(frame.data(), width, height, static_cast<int>(frame.rowBytes()),
        static_cast<std::uint32_t>(media::PixelFormat::BGRA), counter);
    return std::move(frame).share();
}

std::vector<CorvaleSimOutputFrame> recordedFrames(int device, int max)
{
    std::vector<CorvaleSimOutputFrame> frames(static_cast<std::size_t>(max));
    frames.resize(static_cast<std::size_t>(corvale_sim_output_frames(device, frames.data(), max)));
    return frames;
}

CorvaleSimOutputState outputState(int device)
{
    CorvaleSimOutputState state {};
    corvale_sim_output_state(device, &state);
    return state;
}

std::int64_t frameInt(const CorvaleSimOutputFrame& frame, std::uint32_t id)
{
    std::int64_t value = -12345;
    corvale_sim_output_frame_int(&frame, id, &value);
    return value;
}

double frameFloat(const CorvaleSimOutputFrame& frame, std::uint32_t id)
{
    double value = -1.0;
    corvale_sim_output_frame_float(&frame, id, &value);
    return value;
}

bool frameHas(const CorvaleSimOutputFrame& frame, std::uint32_t id)
{
    return corvale_sim_output_frame_int(&frame, id, nullptr) || corvale_sim_output_frame_float(&frame, id, nullptr);
}

void DeckLinkOutputTest::SetUp()
{
    SimulatedCardTest::SetUp();
    on([&] { output = std::make_unique<DeckLinkOutput>(); });
}

void DeckLinkOutputTest::TearDown()
{
    on([&] { output.reset(); });
    // Nothing the output made or scheduled outlives it.
    EXPECT_EQ(corvale_sim_live_output_frame_count(), 0);
    queue.shutdown();
    SimulatedCardTest::TearDown();
}

void DeckLinkOutputTest::on(const std::function<void()>& work)
{
    queue.sync(work);
}

DeckLinkOutput::StartResult DeckLinkOutputTest::start(int device, int modeCode)
{
    DeckLinkOutput::StartResult started;
    on([&] { started = output->startWithDeviceIndex(device, modeCode); });
    return started;
}

DeckLinkOutput::StartResult DeckLinkOutputTest::start(int device, int modeCode, int colorMode)
{
    on([&] { output->setColorMode(colorMode); });
    return start(device, modeCode);
}

void DeckLinkOutputTest::send(const media::Frame& frame)
{
    on([&] { output->displayPixelBuffer(frame); });
}

void DeckLinkOutputTest::sendCounters(std::uint32_t first, std::uint32_t last)
{
    for (std::uint32_t n = first; n <= last; ++n)
        send(makeBGRAFrame(720, 486, n));
}

void DeckLinkOutputTest::stop()
{
    on([&] { output->stop(); });
}

std::string DeckLinkOutputTest::summary()
{
    std::string text;
    on([&] { text = output->hdmiStatusSummary(); });
    return text;
}

} // namespace decklinktest

} // namespace decklink
