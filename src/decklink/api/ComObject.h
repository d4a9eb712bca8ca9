#pragma once

// The IUnknown part of an object we implement ourselves (the station's callbacks and buffers, the
// simulated card's objects): a thread-safe reference count that starts at 1 and deletes the object
// at 0, and a QueryInterface that answers IUnknown and each of `Interfaces` by its kIID. An object
// that answers more (a parent interface, a delegated one) overrides QueryInterface and uses
// answer().

#include "decklink/api/DeckLinkAPI.h"

#include <atomic>

template <class First, class... Rest> class ComObject : public First, public Rest... {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == First::kIID)
            return answer(static_cast<First*>(this), object);
        HRESULT result = E_NOINTERFACE;
        (void)((iid == Rest::kIID && (result = answer(static_cast<Rest*>(this), object)) == S_OK) || ...);
        return result;
    }
    ULONG AddRef() override { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override
    {
        const ULONG remaining = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (remaining == 0)
            delete this;
        return remaining;
    }

protected:
    virtual ~ComObject() = default;

    // Fills `object` with `pointer` (adding a reference) and answers S_OK.
    template <class I> static HRESULT answer(I* pointer, void** object)
    {
        pointer->AddRef();
        *object = pointer;
        return S_OK;
    }

    std::atomic<ULONG> refCount_ { 1 };
};
