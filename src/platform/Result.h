#pragma once

// A value or an error, for failures that cross threads or module boundaries without exceptions.

#include <cassert>
#include <utility>
#include <variant>

namespace platform {

template <class E> struct Failure {
    E error;
};

template <class E> Failure<E> fail(E error)
{
    return Failure<E> { std::move(error) };
}

template <class T, class E> class [[nodiscard]] Result {
public:
    Result(T value)
        : state_(std::in_place_index<0>, std::move(value))
    {
    }
    Result(Failure<E> failure)
        : state_(std::in_place_index<1>, std::move(failure.error))
    {
    }

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const&
    {
        assert(ok());
        return std::get<0>(state_);
    }
    T& value() &
    {
        assert(ok());
        return std::get<0>(state_);
    }
    T&& value() &&
    {
        assert(ok());
        return std::get<0>(std::move(state_));
    }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }

    const E& error() const
    {
        assert(!ok());
        return std::get<1>(state_);
    }

    T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, E> state_;
};

template <class E> class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    Result(Failure<E> failure)
        : failed_(true)
        , error_(std::move(failure.error))
    {
    }

    static Result success() { return Result(); }

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const E& error() const
    {
        assert(failed_);
        return error_;
    }

private:
    bool failed_ = false;
    E error_ {};
};

} // namespace platform
