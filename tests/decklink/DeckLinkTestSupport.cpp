#include "DeckLinkTestSupport.h"

#include <QCoreApplication>
#include <QTest>

#include <cstdlib>

namespace decklink {

namespace decklinktest {

namespace {
// Before any test asks for a factory: the process loads the simulated driver built with the tests.
const bool gLibraryConfigured = [] {
    setenv("CORVALE_DECKLINK_LIBRARY", CORVALE_TEST_SIM_LIBRARY, 1);
    return true;
}();
} // namespace

LogCapture::LogCapture()
    : testkit::LogCapture(system)
{
    (void)gLibraryConfigured;
}

bool processEventsUntil(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, 20000);
}

void SimulatedCardTest::SetUp()
{
    corvale_sim_reset();
    corvale_sim_set_manual_clock(1);
    liveObjectsBefore = corvale_sim_live_object_count();
}

void SimulatedCardTest::TearDown()
{
    QCoreApplication::processEvents();
    EXPECT_EQ(corvale_sim_live_object_count(), liveObjectsBefore) << "driver objects leaked";
    corvale_sim_reset();
}

CorvaleSimInputState inputState(int device)
{
    CorvaleSimInputState state {};
    corvale_sim_input_state(device, &state);
    return state;
}

} // namespace decklinktest

} // namespace decklink
