#include "DeckLinkTestSupport.h"

#include "decklink/DeckLinkAPILoader.h"
#include "platform/SystemLog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

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
{
    (void)gLibraryConfigured;
    platform::setSystemLogSink([this](const std::string& line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    });
}

LogCapture::~LogCapture()
{
    platform::setSystemLogSink({});
}

bool LogCapture::contains(const std::string& text) const
{
    return count(text) > 0;
}

int LogCapture::count(const std::string& text) const
{
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& line : lines_)
        if (line.find(text) != std::string::npos)
            ++n;
    return n;
}

bool processEventsUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(20000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
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

ComPtr<IDeckLink> firstDevice()
{
    auto iterator = ComPtr<IDeckLinkIterator>::adopt(CreateDeckLinkIteratorInstance());
    ComPtr<IDeckLink> device;
    if (!iterator || iterator->Next(device.put()) != S_OK)
        return {};
    return device;
}

} // namespace decklinktest

} // namespace decklink
