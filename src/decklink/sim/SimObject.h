#pragma once

// Reference counting shared by every object of the simulated card driver, with a process-wide
// count of live objects so tests see reference leaks.

#include "decklink/api/ComObject.h"

namespace sim {

// Objects of the driver alive right now.
std::atomic<long>& liveObjectCount();

template <class... Interfaces> class SimObject : public ComObject<Interfaces...> {
public:
    SimObject() { liveObjectCount().fetch_add(1, std::memory_order_relaxed); }

protected:
    ~SimObject() override { liveObjectCount().fetch_sub(1, std::memory_order_relaxed); }
};

} // namespace sim
