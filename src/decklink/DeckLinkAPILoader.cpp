#include "decklink/DeckLinkAPILoader.h"

#include "decklink/api/ComPtr.h"
#include "platform/SystemLog.h"

#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace decklink {

std::string defaultDeckLinkLibraryPath()
{
    if (const char* configured = std::getenv("CORVALE_DECKLINK_LIBRARY"); configured && *configured)
        return configured;
    char exe[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0)
        return kSimulatedDriverFileName;
    std::string path(exe, static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + kSimulatedDriverFileName;
}

LoadedDeckLinkLibrary loadDeckLinkLibrary(const std::string& path)
{
    LoadedDeckLinkLibrary loaded;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = ::dlerror();
        platform::systemLog(
            "DeckLink: cannot load driver library %s (%s)", path.c_str(), error ? error : "unknown error");
        return loaded;
    }
    auto version = reinterpret_cast<CorvaleDeckLinkABIVersionFunc>(::dlsym(handle, kDeckLinkABIVersionSymbol));
    if (!version) {
        platform::systemLog(
            "DeckLink: refusing driver library %s: no %s symbol", path.c_str(), kDeckLinkABIVersionSymbol);
        ::dlclose(handle);
        return loaded;
    }
    const std::uint32_t found = version();
    if (found != kCorvaleDeckLinkABIVersion) {
        platform::systemLog("DeckLink: refusing driver library %s: interface version %u, expected %u", path.c_str(),
            found, kCorvaleDeckLinkABIVersion);
        ::dlclose(handle);
        return loaded;
    }
    loaded.handle = handle;
    loaded.createIterator
        = reinterpret_cast<CreateDeckLinkIteratorInstanceFunc>(::dlsym(handle, kDeckLinkIteratorFactorySymbol));
    loaded.createConversion
        = reinterpret_cast<CreateVideoConversionInstanceFunc>(::dlsym(handle, kDeckLinkConversionFactorySymbol));
    if (!loaded.createIterator)
        platform::systemLog("DeckLink: driver library %s lacks %s", path.c_str(), kDeckLinkIteratorFactorySymbol);
    if (!loaded.createConversion)
        platform::systemLog("DeckLink: driver library %s lacks %s", path.c_str(), kDeckLinkConversionFactorySymbol);
    return loaded;
}

} // namespace decklink

namespace {

pthread_once_t gLoadOnce = PTHREAD_ONCE_INIT;
// Written once under gLoadOnce, only read afterwards; the library stays open for the process.
decklink::LoadedDeckLinkLibrary gLibrary;

void InitDeckLinkAPI()
{
    gLibrary = decklink::loadDeckLinkLibrary(decklink::defaultDeckLinkLibraryPath());
}

} // namespace

IDeckLinkIterator* CreateDeckLinkIteratorInstance()
{
    pthread_once(&gLoadOnce, InitDeckLinkAPI);
    return gLibrary.createIterator ? gLibrary.createIterator() : nullptr;
}

IDeckLinkVideoConversion* CreateVideoConversionInstance()
{
    pthread_once(&gLoadOnce, InitDeckLinkAPI);
    return gLibrary.createConversion ? gLibrary.createConversion() : nullptr;
}

const char* HResultName(std::int32_t result)
{
    switch (result) {
    case S_OK:
        return "S_OK";
    case E_FAIL:
        return "E_FAIL";
    case E_INVALIDARG:
        return "E_INVALIDARG";
    case E_ACCESSDENIED:
        return "E_ACCESSDENIED";
    case E_OUTOFMEMORY:
        return "E_OUTOFMEMORY";
    default:
        return "UNKNOWN";
    }
}

QStringList DeckLinkOutputDeviceNames()
{
    auto names = decklink::deviceNames(QStringLiteral("DeckLink Device"));
    if (!names)
        platform::systemLog("❌ CreateDeckLinkIteratorInstance failed (deviceNames)");
    return names.value_or(QStringList());
}

std::optional<QStringList> decklink::deviceNames(const QString& unnamed)
{
    auto iterator = ComPtr<IDeckLinkIterator>::adopt(CreateDeckLinkIteratorInstance());
    if (!iterator)
        return std::nullopt;
    QStringList names;
    ComPtr<IDeckLink> device;
    while (iterator->Next(device.put()) == S_OK && device) {
        char* name = nullptr;
        if (device->GetDisplayName(&name) == S_OK && name)
            names << QString::fromUtf8(name);
        else if (!unnamed.isNull())
            names << unnamed;
        std::free(name);
    }
    return names;
}

ComPtr<IDeckLink> decklink::deviceAt(std::int32_t index, bool* noIterator)
{
    *noIterator = false;
    auto iterator = ComPtr<IDeckLinkIterator>::adopt(CreateDeckLinkIteratorInstance());
    if (!iterator) {
        *noIterator = true;
        return {};
    }
    ComPtr<IDeckLink> device;
    for (std::int32_t at = 0; index >= 0 && at <= index; ++at) {
        if (iterator->Next(device.put()) != S_OK || !device)
            return {};
    }
    return device;
}
