#pragma once

// Reference counting shared by every object of the simulated card driver, with a process-wide
// count of live objects so tests see reference leaks.

#include "decklink/api/DeckLinkAPI.h"

#include <atomic>

namespace sim {

// Objects of the driver alive right now.
std::atomic<long>& liveObjectCount();

// Implements AddRef and Release for a driver object that implements `Interfaces`; the count
// starts at 1. Subclasses implement QueryInterface.
template <class... Interfaces> class SimObject : public Interfaces... {
public:
    SimObject() { liveObjectCount().fetch_add(1, std::memory_order_relaxed); }
    SimObject(const SimObject&) = delete;
    SimObject& operator=(const SimObject&) = delete;

    ULONG AddRef() override { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override
    {
        const ULONG remaining = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (remaining == 0)
            delete this;
        return remaining;
    }

protected:
    virtual ~SimObject() { liveObjectCount().fetch_sub(1, std::memory_order_relaxed); }

    // Fills `object` with `pointer` (adding a reference) and answers S_OK.
    template <class I> HRESULT answer(I* pointer, void** object)
    {
        pointer->AddRef();
        *object = pointer;
        return S_OK;
    }

    std::atomic<ULONG> refCount_ { 1 };
};

} // namespace sim
