#pragma once

// Shared by the program output's tests: EDIDs with and without HDR, BGRA frames carrying a frame
// counter, the frames the simulated card recorded, and a fixture that calls the output from one
// serial queue as the capture engine does.

#include "DeckLinkTestSupport.h"

#include "decklink/DeckLinkOutput.h"
#include "media/frame/Frame.h"
#include "platform/SerialQueue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace decklink {

namespace decklinktest {

// What an EDID built for a test says.
struct EdidSpec {
    bool hdrBlock = true; // an HDR static metadata data block in the CTA extension
    std::uint8_t eotf = 0x01 | 0x04 | 0x08; // its EOTF byte: SDR, PQ, HLG
    std::uint8_t claimedExtensions = 1; // byte 126
    int ctaDataEnd = -1; // byte 2 of the CTA block; -1: just after the data blocks
    bool overrunBeforeHDR = false; // the HDR block sits at 120 and claims a length past offset 127
    bool badHeader = false;
};
std::vector<std::uint8_t> makeEdid(const EdidSpec& spec = {});

// A grey BGRA frame with `counter` drawn in (needs at least 560 × 32).
media::Frame makeBGRAFrame(int width, int height, std::uint32_t counter);

std::vector<CorvaleSimOutputFrame> recordedFrames(int device, int max = 256);
CorvaleSimOutputState outputState(int device);
std::int64_t frameInt(const CorvaleSimOutputFrame& frame, std::uint32_t id);
double frameFloat(const CorvaleSimOutputFrame& frame, std::uint32_t id);
bool frameHas(const CorvaleSimOutputFrame& frame, std::uint32_t id);

class DeckLinkOutputTest : public SimulatedCardTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs on the output queue and waits.
    void on(const std::function<void()>& work);
    DeckLinkOutput::StartResult start(int device, int modeCode);
    // Sets the colour mode first.
    DeckLinkOutput::StartResult start(int device, int modeCode, int colorMode);
    void send(const media::Frame& frame);
    // NTSC-sized frames carrying the counters first..last.
    void sendCounters(std::uint32_t first, std::uint32_t last);
    void stop();
    std::string summary();

    platform::SerialQueue queue { "Corvale.DeckLinkOutQueue" };
    std::unique_ptr<DeckLinkOutput> output;
};

} // namespace decklinktest

} // namespace decklink
