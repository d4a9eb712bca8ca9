#pragma once

// Shared by the bridge's tests: every test process loads the simulated card driver; a fixture
// resets it to the manual clock and captures the system log.

#include "decklink/sim/DeckLinkSimControl.h"
#include "kit/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace decklink {

namespace decklinktest {

// Collects system log lines while alive (thread-safe).
struct LogCapture : testkit::LogCapture {
    LogCapture();
};

// Runs the Qt event loop until `done` is true or a generous safety timeout passes.
bool processEventsUntil(const std::function<bool()>& done);

// Resets the card to its manual clock; at the end checks that no driver object outlives the
// test (a subclass releases its own before calling TearDown here).
class SimulatedCardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    LogCapture log;
    long liveObjectsBefore = 0;
};

CorvaleSimInputState inputState(int device);

} // namespace decklinktest

} // namespace decklink
