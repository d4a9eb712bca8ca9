// Loading the card driver library, once per process.

#include "DeckLinkTestSupport.h"

#include "decklink/DeckLinkAPILoader.h"
#include "decklink/api/ComPtr.h"

#include <cstdlib>

namespace decklink {

using namespace decklinktest;

namespace {

class DeckLinkLoaderTest : public SimulatedCardTest { };

TEST_F(DeckLinkLoaderTest, MissingForeignOrIncompleteLibrariesGiveNoFactoryTheyShouldNot)
{
    // The foreign ones export factories of the expected names; calling either would abort the
    // process.
    const struct {
        const char* path;
        bool iterator;
        const char* line;
    } cases[] = {
        { "/nonexistent/libcorvale_decklink_sim.so", false,
            "DeckLink: cannot load driver library /nonexistent/libcorvale_decklink_sim.so" },
        { CORVALE_TEST_FOREIGN_LIBRARY, false, "no CorvaleDeckLinkABIVersion symbol" },
        { CORVALE_TEST_WRONG_ABI_LIBRARY, false, "interface version 101, expected 1" },
        { CORVALE_TEST_NO_CONVERTER_LIBRARY, true, "lacks CreateVideoConversionInstance_0002" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto loaded = decklink::loadDeckLinkLibrary(c.path);
        EXPECT_EQ(loaded.createIterator != nullptr, c.iterator);
        EXPECT_EQ(loaded.createConversion, nullptr);
        EXPECT_EQ(log.count(c.line), 1);
        if (loaded.createIterator) {
            EXPECT_EQ(loaded.createIterator(), nullptr);
        }
    }
}

} // namespace

namespace {

// Loading happens once per process, so these run in a process of their own.
TEST(DeckLinkLoaderProcessTest, WithoutTheLibraryEveryCallGivesNoDevices)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("CORVALE_DECKLINK_LIBRARY", "/nonexistent/libcorvale_decklink_sim.so", 1);
            LogCapture log;
            const bool ok = !CreateDeckLinkIteratorInstance() && !CreateDeckLinkIteratorInstance()
                && !CreateVideoConversionInstance() && DeckLinkOutputDeviceNames().isEmpty()
                && DeckLinkOutputDeviceNames().isEmpty() && log.count("DeckLink: cannot load driver library") == 1;
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(DeckLinkLoaderProcessTest, ALibraryLoadedOnceStaysForTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto first = ComPtr<IDeckLinkIterator>::adopt(CreateDeckLinkIteratorInstance());
            setenv("CORVALE_DECKLINK_LIBRARY", "/nonexistent/libcorvale_decklink_sim.so", 1);
            auto second = ComPtr<IDeckLinkIterator>::adopt(CreateDeckLinkIteratorInstance());
            const bool ok = first && second;
            first.reset();
            second.reset();
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace

} // namespace decklink
