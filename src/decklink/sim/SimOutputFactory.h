#pragma once

// The output side of a simulated device. A device's QueryInterface(IID_IDeckLinkOutput) asks
// simCreateOutput; while the output side is not built, it gives null and the device answers
// E_NOINTERFACE.

#include "decklink/api/DeckLinkAPI.h"

#include <memory>

namespace sim {

class SimDeviceState;

// A new IDeckLinkOutput of `device` (one reference for the caller), or null.
IDeckLinkOutput* simCreateOutput(const std::shared_ptr<SimDeviceState>& device);

} // namespace sim
