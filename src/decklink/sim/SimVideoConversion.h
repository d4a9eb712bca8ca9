#pragma once

#include "decklink/api/DeckLinkAPI.h"

namespace sim {

// A new converter of the simulated card; one reference for the caller.
IDeckLinkVideoConversion* makeSimVideoConversion();

} // namespace sim
