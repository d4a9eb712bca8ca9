#pragma once

// The output side of a simulated device, as the device reaches it: QueryInterface(IID_IDeckLinkOutput)
// asks simCreateOutput, the device's status answers the output's items through the hooks below,
// and a reset of the device resets its output configuration.

#include "decklink/api/DeckLinkAPI.h"

#include <memory>

namespace sim {

class SimDeviceState;

// A new IDeckLinkOutput of `device` (one reference for the caller), or null.
IDeckLinkOutput* simCreateOutput(const std::shared_ptr<SimDeviceState>& device);

// Called with the device's mutex held.
void simResetOutputLocked(SimDeviceState& device);
// The HDMI status items, the last output pixel format, the output flags and the sink's EDID.
bool simIsOutputStatusItem(DeckLinkStatusID id);
// False when the item is absent now (no output enabled, no display connected ...).
bool simOutputStatusIntLocked(SimDeviceState& device, DeckLinkStatusID id, std::int64_t* value);
HRESULT simOutputStatusBytesLocked(SimDeviceState& device, DeckLinkStatusID id, void* buffer, std::uint32_t* size);

} // namespace sim
