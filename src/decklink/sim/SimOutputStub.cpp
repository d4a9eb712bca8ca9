// The simulated card offers no program output yet: devices answer E_NOINTERFACE for it.

#include "decklink/sim/SimOutputFactory.h"

namespace sim {

IDeckLinkOutput* simCreateOutput(const std::shared_ptr<SimDeviceState>&)
{
    return nullptr;
}

} // namespace sim
