#pragma once

// Holds one reference to a card interface object and releases it when it goes, so station code
// never pairs AddRef and Release by hand.

#include "decklink/api/DeckLinkAPI.h"

#include <utility>

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) { }
    // Adopts a reference the caller owns (a factory's or an out-parameter's result).
    static ComPtr adopt(T* object)
    {
        ComPtr result;
        result.object_ = object;
        return result;
    }
    // Adds a reference of its own to a borrowed pointer.
    static ComPtr retain(T* object)
    {
        if (object)
            object->AddRef();
        return adopt(object);
    }

    ComPtr(const ComPtr& other)
        : object_(other.object_)
    {
        if (object_)
            object_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept
        : object_(std::exchange(other.object_, nullptr))
    {
    }
    template <class U>
    ComPtr(ComPtr<U>&& other) noexcept
        : object_(other.detach())
    {
    }
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

    void reset()
    {
        if (T* object = std::exchange(object_, nullptr))
            object->Release();
    }
    // Gives up the reference without releasing it.
    T* detach() { return std::exchange(object_, nullptr); }

    // For out-parameters: releases what is held and returns the slot to fill.
    T** put()
    {
        reset();
        return &object_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    // QueryInterface for U (its kIID); null when the object lacks it. `result` receives the code.
    template <class U> ComPtr<U> as(HRESULT* result = nullptr) const
    {
        ComPtr<U> out;
        const HRESULT hr = object_ ? object_->QueryInterface(U::kIID, out.putVoid()) : E_POINTER;
        if (result)
            *result = hr;
        if (hr != S_OK)
            out.reset();
        return out;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.object_ == b.object_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.object_ == nullptr; }

private:
    T* object_ = nullptr;
};
