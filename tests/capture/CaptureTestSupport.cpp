#include "CaptureTestSupport.h"

#include "decklink/DeckLinkInput.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>

namespace capturetest {

namespace {
// Before any factory is asked for: the simulated card driver built with the tests.
const bool gLibraryConfigured = [] {
    setenv("CORVALE_DECKLINK_LIBRARY", CORVALE_TEST_SIM_LIBRARY, 1);
    return true;
}();
} // namespace

void FakeLiveVideoSession::setActiveSource(ActiveSource source, int inputIndex)
{
    if (inputIndex >= 0 && inputIndex < 4)
        activeSources[static_cast<std::size_t>(inputIndex)] = source;
}

void FakeLiveVideoSession::push(
    const media::Frame& frame, int inputIndex, ActiveSource source, std::optional<double> time)
{
    lastFrame = frame;
    const bool accepted
        = inputIndex >= 0 && inputIndex < 4 && activeSources[static_cast<std::size_t>(inputIndex)] == source;
    offers.push_back({ inputIndex, source, time, accepted });
}

int FakeLiveVideoSession::acceptedFrom(int slot, ActiveSource source) const
{
    int count = 0;
    for (const auto& offer : offers)
        count += offer.accepted && offer.slot == slot && offer.source == source ? 1 : 0;
    return count;
}

bool processEventsUntil(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, 20000);
}

void drainEvents()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

void EngineTest::SetUp()
{
    (void)gLibraryConfigured;
    corvale_sim_reset();
    corvale_sim_set_manual_clock(1);
    corvale_sim_set_device_count(2);
    corvale_sim_set_source_mode(0, 'Hp25');
    corvale_sim_set_source_mode(1, 'Hp25');
    liveDriverObjects = corvale_sim_live_object_count();
    defaults = std::make_unique<platform::UserDefaults>(folder.filePath(QStringLiteral("defaults.json")));
    settings = std::make_unique<settings::AppSettings>(*defaults);
    settings->setProjectFormat(settings::CaptureFormat::auto_);

    media::CameraDiscovery::Options cameras;
    QDir(folder.path()).mkpath(QStringLiteral("dev")); // no camera nodes: only the synthetic ones
    cameras.deviceFolder = folder.filePath(QStringLiteral("dev")).toStdString();
    cameras.syntheticSpec = "2:320x180@25";
    engine = std::make_unique<Engine>(capture::RecordViewModel::Services {
        *settings, scheduler, clock, notifications, capture::RecordViewModel::CardSystem::installed(), cameras });
    ASSERT_TRUE(processEventsUntil([&] { return engine->avDevices().size() == 2; }));
    drainEvents();
}

void EngineTest::TearDown()
{
    engine.reset();
    drainEvents();
    EXPECT_EQ(corvale_sim_live_object_count(), liveDriverObjects) << "driver objects leaked";
    corvale_sim_reset();
}

void EngineTest::deliverCardFrames(int device, int frames, double fps)
{
    for (int i = 0; i < frames; ++i) {
        clock.advance(1.0 / fps + 1e-7);
        // The picture is on its way to the main thread once the card's tick has returned.
        corvale_sim_deliver_frames(device, 1);
        drainEvents();
    }
}

void EngineTest::deliverCameraFrames(int frames, double fps)
{
    for (int i = 0; i < frames; ++i) {
        // A hair past each period, so rounding never leaves a camera's tick one step behind (two
        // ticks due at once are one frame, as on a busy machine).
        clock.advance(1.0 / fps + 1e-7);
        engine->waitForCameraFrames();
        drainEvents();
    }
}

void EngineTest::startCapturing(int slot)
{
    engine->startCapture(slot);
    engine->waitForCameraFrames();
    drainEvents();
}

void EngineTest::waitForCardMode(int device, std::uint32_t displayMode)
{
    corvale_sim_deliver_frames(device, 1);
    ASSERT_TRUE(processEventsUntil([&] {
        CorvaleSimInputState state {};
        corvale_sim_input_state(device, &state);
        return state.streaming && state.displayMode == displayMode;
    }));
    drainEvents();
}

std::unique_ptr<Engine> EngineTest::engineWithoutCameras()
{
    media::CameraDiscovery::Options none;
    none.deviceFolder = folder.filePath(QStringLiteral("dev")).toStdString();
    auto bare = std::make_unique<Engine>(capture::RecordViewModel::Services {
        *settings, scheduler, clock, notifications, capture::RecordViewModel::CardSystem::installed(), none });
    QSignalSpy searched(bare.get(), &capture::RecordViewModel::avDevicesChanged);
    return searched.wait(10000) ? std::move(bare) : nullptr;
}

} // namespace capturetest
