#pragma once

// Shared by the capture engine's tests: an engine on private settings, a manual clock and
// scheduler, the simulated card (manual frame clock) and synthetic cameras, with helpers that move
// frames through it without sleeping; and a live-video session that records what it is asked.

#include "capture/LiveVideoSession.h"
#include "capture/RecordViewModel.h"
#include "decklink/sim/DeckLinkSimControl.h"
#include "platform/ManualMediaClock.h"
#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "settings/AppSettings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <ostream>
#include <vector>

// Readable failure messages for the engine's texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace capturetest {

// Records every call; accepts an offer as the real session does (producer matches the track's).
class FakeLiveVideoSession final : public capture::LiveVideoSession {
public:
    struct Offer {
        int slot;
        ActiveSource source;
        std::optional<double> time;
        bool accepted;
    };
    void setActiveSource(ActiveSource source, int inputIndex) override;
    void push(const media::Frame& frame, int inputIndex, ActiveSource source, std::optional<double> time) override;

    std::array<ActiveSource, 4> activeSources { ActiveSource::playback, ActiveSource::playback, ActiveSource::playback,
        ActiveSource::playback };
    std::vector<Offer> offers;
    media::Frame lastFrame;
    int acceptedFrom(int slot, ActiveSource source) const;
};

// Runs the Qt event loop until `done` or a generous safety timeout.
bool processEventsUntil(const std::function<bool()>& done);
// Runs the events queued so far (and those they queue).
void drainEvents();

// The engine with the writes the recording and output control make, so tests can stand in for them.
class Engine : public capture::RecordViewModel {
public:
    using RecordViewModel::RecordViewModel;
    using RecordViewModel::setActiveInputCount;
    using RecordViewModel::setIsOutputOn;
    using RecordViewModel::setIsRecording;
    using RecordViewModel::setPreviewImage;
};

class EngineTest : public ::testing::Test {
protected:
    // Two simulated card devices sending 1080p25, two synthetic cameras of 320x180 at 25 fps, and
    // the engine, once it has discovered them, with no project format to check against.
    void SetUp() override;
    void TearDown() override;
    // One card frame period on `device`: the clock moves by one frame and the picture reaches the engine.
    void deliverCardFrames(int device, int frames, double fps = 25.0);
    // Moves the clock by `frames` periods of 1/fps, letting every running camera deliver each one.
    void deliverCameraFrames(int frames, double fps = 25.0);
    void startCapturing(int slot);
    // A card input with format detection re-opens in the source's mode after its first tick.
    void waitForCardMode(int device, std::uint32_t displayMode);
    // A second engine on the same services that finds no camera; null if its search never ends.
    std::unique_ptr<Engine> engineWithoutCameras();

    QTemporaryDir folder;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<settings::AppSettings> settings;
    platform::ManualMediaClock clock;
    platform::ManualScheduler scheduler { &clock };
    platform::NotificationCenter notifications;
    std::unique_ptr<Engine> engine;
    std::shared_ptr<FakeLiveVideoSession> live = std::make_shared<FakeLiveVideoSession>();
    long liveDriverObjects = 0;
};

} // namespace capturetest
