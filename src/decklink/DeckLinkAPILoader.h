#pragma once

// Run-time loading of the capture card driver library, its two factories, device enumeration and
// the names of result codes for log lines.
//
// The library is opened once per process from CORVALE_DECKLINK_LIBRARY, by default the simulated
// card driver installed beside the corvale binary. A library without our ABI-version symbol (or
// with another version) is refused with a log line, so a foreign library that happens to export
// factories of the same names is never called.

#include "decklink/api/ComPtr.h"
#include "decklink/api/DeckLinkAPI.h"

#include <QStringList>

#include <optional>
#include <string>

// Null when the library or the factory is missing; the caller owns one reference.
IDeckLinkIterator* CreateDeckLinkIteratorInstance();
IDeckLinkVideoConversion* CreateVideoConversionInstance();

// "S_OK", "E_FAIL", "E_INVALIDARG", "E_ACCESSDENIED", "E_OUTOFMEMORY", else "UNKNOWN".
const char* HResultName(std::int32_t result);

// The display name of every device in iterator order, "DeckLink Device" for a device whose name
// cannot be read, so positions stay valid as device indexes (the output's device list).
QStringList DeckLinkOutputDeviceNames();

namespace decklink {

// The display name of every device in iterator order; `unnamed` stands in for a name that cannot
// be read, or such a device is left out when `unnamed` is null. Nothing when the driver gives no
// iterator.
std::optional<QStringList> deviceNames(const QString& unnamed);

// The device at `index` in iterator order. Null when the driver gives no iterator (`*noIterator`
// set) or there is no such device.
ComPtr<IDeckLink> deviceAt(std::int32_t index, bool* noIterator);

} // namespace decklink

namespace decklink {

// What one attempt to open a driver library found. Exposed so tests can open other libraries
// than the process-wide one.
struct LoadedDeckLinkLibrary {
    void* handle = nullptr; // kept open for the life of the process once loaded
    CreateDeckLinkIteratorInstanceFunc createIterator = nullptr;
    CreateVideoConversionInstanceFunc createConversion = nullptr;
};

// Opens `path` and resolves the factories after checking the ABI-version symbol. Every failure is
// logged and leaves the factories null.
LoadedDeckLinkLibrary loadDeckLinkLibrary(const std::string& path);

// CORVALE_DECKLINK_LIBRARY when set and not empty, else the simulated driver beside the binary.
std::string defaultDeckLinkLibraryPath();

// File name of the simulated card driver.
inline constexpr const char* kSimulatedDriverFileName = "libcorvale_decklink_sim.so";

} // namespace decklink
