#pragma once

// The common shape of the station's string-valued enumerations: the raw value is the case name
// (what is stored), each case has a label for the screens, and the cases keep their declaration
// order (the order of every picker).
//
// An enumeration joins by specialising EnumTable<E> with a constexpr array `cases` listing every
// case in declaration order, each with its raw value and display name. The enumerators must be
// 0, 1, 2, ... in that same order; enumTableIsDense() checks it at compile time.

#include <QLatin1String>
#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <optional>
#include <type_traits>

namespace settings {

template <class E> struct EnumCase {
    E value;
    const char* rawValue; // ASCII
    const char* displayName; // UTF-8; null where no screen names the case (a null QString)
};

template <class E> struct EnumTable; // specialised per enumeration

template <class E>
concept StringEnum = std::is_enum_v<E> && requires
{
    EnumTable<E>::cases;
};

template <class E, std::size_t N> constexpr bool enumTableIsDense(const std::array<EnumCase<E>, N>& cases)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<std::size_t>(cases[i].value) != i)
            return false;
    }
    return true;
}

template <StringEnum E> constexpr std::size_t caseCount()
{
    return EnumTable<E>::cases.size();
}

// All cases in declaration order.
template <StringEnum E> constexpr auto allCases()
{
    std::array<E, caseCount<E>()> result {};
    for (std::size_t i = 0; i < result.size(); ++i)
        result[i] = EnumTable<E>::cases[i].value;
    return result;
}

template <StringEnum E> constexpr const EnumCase<E>& enumCase(E value)
{
    return EnumTable<E>::cases[static_cast<std::size_t>(value)];
}

template <StringEnum E> QString toRaw(E value)
{
    return QString::fromLatin1(enumCase(value).rawValue);
}

template <StringEnum E> QString displayName(E value)
{
    return QString::fromUtf8(enumCase(value).displayName);
}

// Exact, case-sensitive match of the whole string; anything else gives no value.
template <StringEnum E> std::optional<E> fromRaw(QStringView raw)
{
    for (const auto& entry : EnumTable<E>::cases) {
        if (raw == QLatin1String(entry.rawValue))
            return entry.value;
    }
    return std::nullopt;
}

} // namespace settings
