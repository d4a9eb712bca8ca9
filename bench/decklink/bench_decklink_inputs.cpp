// Four simulated 1080p60 inputs on the card's real-time clock, each delivering its pictures to the
// main thread through a DeckLinkInput for 10 seconds (or the seconds given as the first argument).
// Prints, per input, the pictures the card delivered, those the input dropped (one picture in
// flight per input), those the card lost because its thread overran (a loaded machine), and last
// the ratio of pictures reaching the main thread to pictures the card delivered.

#include "decklink/DeckLinkInput.h"
#include "decklink/sim/DeckLinkSimControl.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace decklink;

namespace {

class CountingDelegate : public DeckLinkInputDelegate {
public:
    void didReceiveFrame(const media::Frame& image) override
    {
        ++delivered;
        const std::int64_t counter = corvale_sim_decode_frame_counter(
            image.data(), image.width(), image.height(), static_cast<int>(image.rowBytes()), 'BGRA');
        if (counter >= 0 && last >= 0 && counter > last + 1)
            gaps += counter - last - 1;
        last = counter;
    }
    long delivered = 0;
    std::int64_t gaps = 0;
    std::int64_t last = -1;
};

} // namespace

int main(int argc, char** argv)
{
    setenv("CORVALE_DECKLINK_LIBRARY", CORVALE_BENCH_SIM_LIBRARY, 0);
    setenv("CORVALE_SIM_DECKLINK_DEVICES", "4", 1);
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    constexpr int kInputs = 4;

    std::vector<std::shared_ptr<DeckLinkInput>> inputs;
    std::vector<std::shared_ptr<CountingDelegate>> delegates;
    std::vector<std::uint64_t> sentBefore;
    std::vector<std::uint64_t> missedBefore;
    for (int i = 0; i < kInputs; ++i) {
        corvale_sim_set_source_mode(i, 'Hp60');
        auto input = DeckLinkInput::create();
        auto delegate = std::make_shared<CountingDelegate>();
        input->setDelegate(delegate);
        CorvaleSimInputState state {};
        corvale_sim_input_state(i, &state);
        sentBefore.push_back(state.framesDelivered);
        missedBefore.push_back(state.framesMissed);
        if (!input->start(i, 14)) {
            std::fprintf(stderr, "input %d did not start\n", i);
            return 1;
        }
        inputs.push_back(input);
        delegates.push_back(delegate);
    }

    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QCoreApplication::quit);
    app.exec();

    long delivered = 0;
    std::uint64_t sent = 0;
    for (int i = 0; i < kInputs; ++i) {
        inputs[static_cast<std::size_t>(i)]->stop();
        CorvaleSimInputState state {};
        corvale_sim_input_state(i, &state);
        const std::uint64_t inputSent = state.framesDelivered - sentBefore[static_cast<std::size_t>(i)];
        const std::uint64_t inputMissed = state.framesMissed - missedBefore[static_cast<std::size_t>(i)];
        const auto& d = *delegates[static_cast<std::size_t>(i)];
        std::printf("input %d: card delivered %llu, main thread got %ld, input dropped %llu, card lost %llu "
                    "(counter gaps %lld)\n",
            i, static_cast<unsigned long long>(inputSent), d.delivered,
            static_cast<unsigned long long>(inputs[static_cast<std::size_t>(i)]->droppedFrameCount()),
            static_cast<unsigned long long>(inputMissed), static_cast<long long>(d.gaps));
        delivered += d.delivered;
        sent += inputSent;
    }
    QCoreApplication::processEvents();
    std::printf(
        "ratio received/delivered = %.3f\n", sent ? static_cast<double>(delivered) / static_cast<double>(sent) : 0.0);
    return 0;
}
