// Four simulated 1080p60 card inputs on the card's real-time clock and one synthetic 1080p30
// camera, captured through the engine for 20 seconds (or the seconds given as the first argument)
// after two seconds to settle. The engine has four slots, so the camera runs in a second engine
// on the same main thread. Remote video is on, as a client watching the inputs would have it.
//
// Prints per input the frames per second reaching the engine, previews per second and frames
// dropped on the way (by the card, by the one picture in flight per input, or by the camera's
// latest-frame hand-off), then the main thread's busy share (its CPU time over the wall time), and
// last the lowest delivered/expected ratio over the inputs.

#include "../BenchCardInputs.h"

#include "capture/LiveVideoSession.h"
#include "capture/RecordViewModel.h"
#include "decklink/sim/DeckLinkSimControl.h"
#include "platform/MediaClock.h"
#include "platform/NotificationCenter.h"
#include "platform/QtScheduler.h"
#include "platform/UserDefaults.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

// Takes every offer, as a session with a client watching each track would.
class CountingSession final : public capture::LiveVideoSession {
public:
    void setActiveSource(ActiveSource, int) override { }
    void push(const media::Frame&, int, ActiveSource, std::optional<double>) override { ++offers; }
    long offers = 0;
};

double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Input {
    capture::RecordViewModel* engine;
    int slot;
    int device; // card device, -1 for the camera
    double expectedFPS;
    std::uint64_t receivedBefore = 0;
    std::uint64_t sentBefore = 0;
    std::uint64_t missedBefore = 0;
    long previews = 0;
};

CorvaleSimInputState cardState(int device)
{
    CorvaleSimInputState state {};
    corvale_sim_input_state(device, &state);
    return state;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("CORVALE_DECKLINK_LIBRARY", CORVALE_BENCH_SIM_LIBRARY, 0);
    setenv("CORVALE_SIM_DECKLINK_DEVICES", "4", 1);
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    constexpr double kSettle = 2.0;

    QTemporaryDir folder;
    platform::UserDefaults defaults(folder.filePath(QStringLiteral("defaults.json")));
    settings::AppSettings appSettings(defaults);
    appSettings.setProjectFormat(settings::CaptureFormat::hd1080p60);
    platform::QtScheduler scheduler;
    platform::NotificationCenter notifications;
    const std::string noDevices = folder.filePath(QStringLiteral("no-devices")).toStdString();
    const media::CameraDiscovery::Options cameras { noDevices, std::string(1, '1') };
    const media::CameraDiscovery::Options noCameras { noDevices, std::string() };
    auto services = [&](media::CameraDiscovery::Options options) {
        return capture::RecordViewModel::Services { appSettings, scheduler, platform::MediaClock::system(),
            notifications, capture::RecordViewModel::CardSystem::installed(), std::move(options) };
    };
    capture::RecordViewModel cards(services(noCameras));
    capture::RecordViewModel camera(services(cameras));
    auto session = std::make_shared<CountingSession>();
    for (auto* engine : { &cards, &camera }) {
        engine->setWebRTC(session);
        engine->setRemotePreviewMode(capture::RemotePreviewMode::capture);
    }

    std::vector<Input> inputs;
    if (!bench::startFourCardInputs1080p60(cards))
        return 1;
    for (int i = 0; i < 4; ++i)
        inputs.push_back({ &cards, i, i, 60.0 });
    inputs.push_back({ &camera, 0, -1, 30.0 });
    for (auto& input : inputs) {
        QObject::connect(input.engine, &capture::RecordViewModel::previewImagesChanged, &app,
            [&input](int slot) { input.previews += slot == input.slot ? 1 : 0; });
    }
    // The camera starts once discovery has found it.
    QObject::connect(&camera, &capture::RecordViewModel::avDevicesChanged, &app, [&] { camera.startCapture(0); });

    double cpuBefore = 0;
    double wallBefore = 0;
    QTimer::singleShot(int(kSettle * 1000), &app, [&] {
        for (auto& input : inputs) {
            input.receivedBefore = input.engine->receivedFrameCount(input.slot);
            input.previews = 0;
            if (input.device >= 0) {
                input.sentBefore = cardState(input.device).framesDelivered;
                input.missedBefore = cardState(input.device).framesMissed;
            }
        }
        cpuBefore = threadCpuSeconds();
        wallBefore = platform::MediaClock::system().now();
    });
    QTimer::singleShot(int((kSettle + seconds) * 1000), &app, &QCoreApplication::quit);
    app.exec();

    const double wall = platform::MediaClock::system().now() - wallBefore;
    const double busy = (threadCpuSeconds() - cpuBefore) / wall;
    double lowest = 1e9;
    for (const auto& input : inputs) {
        const auto received = input.engine->receivedFrameCount(input.slot) - input.receivedBefore;
        const double expected = input.expectedFPS * wall;
        std::uint64_t cardLost = 0;
        if (input.device >= 0) {
            const auto state = cardState(input.device);
            const auto sent = state.framesDelivered - input.sentBefore;
            cardLost = state.framesMissed - input.missedBefore;
            std::printf("card %d: %.2f fps reaching the engine, %.2f previews/s, dropped %lld (card lost %llu, "
                        "in flight %lld)\n",
                input.device, double(received) / wall, double(input.previews) / wall,
                static_cast<long long>(std::max(0.0, expected - double(received))),
                static_cast<unsigned long long>(cardLost),
                static_cast<long long>(sent) - static_cast<long long>(received));
        } else {
            std::printf("camera: %.2f fps reaching the engine, %.2f previews/s, dropped %lld\n",
                double(received) / wall, double(input.previews) / wall,
                static_cast<long long>(std::max(0.0, expected - double(received))));
        }
        lowest = std::min(lowest, std::min(1.0, double(received) / expected));
    }
    std::printf("main thread busy %.1f %% of %.1f s; live-video offers %ld\n", busy * 100, wall, session->offers);
    for (int i = 0; i < 4; ++i) {
        cards.stopCaptureAllSources(i);
    }
    camera.stopCaptureAllSources(0);
    QCoreApplication::processEvents();
    std::printf("ratio delivered/expected (lowest input) = %.3f\n", lowest);
    return 0;
}
