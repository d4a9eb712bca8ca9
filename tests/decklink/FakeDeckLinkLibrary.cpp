// A driver library that is not ours. Its factories must never be called: calling them fails the
// test process loudly.

#include "decklink/api/DeckLinkAPI.h"

#include <cstdio>
#include <cstdlib>

extern "C" {

#if defined(FAKE_LIBRARY_WRONG_ABI)
std::uint32_t CorvaleDeckLinkABIVersion()
{
    return kCorvaleDeckLinkABIVersion + 100;
}
#elif defined(FAKE_LIBRARY_NO_CONVERTER)
std::uint32_t CorvaleDeckLinkABIVersion()
{
    return kCorvaleDeckLinkABIVersion;
}
#endif

IDeckLinkIterator* CreateDeckLinkIteratorInstance_0004()
{
#if defined(FAKE_LIBRARY_NO_CONVERTER)
    return nullptr; // a driver with no devices
#else
    std::fprintf(stderr, "foreign factory called\n");
    std::abort();
#endif
}

#if !defined(FAKE_LIBRARY_NO_CONVERTER)
IDeckLinkVideoConversion* CreateVideoConversionInstance_0002()
{
    std::fprintf(stderr, "foreign factory called\n");
    std::abort();
}
#endif
}
