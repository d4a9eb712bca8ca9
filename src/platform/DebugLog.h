#pragma once

// dlog(...): the one entry point for diagnostic lines. Debug builds write the items, separated by
// spaces, to standard error (or to a sink a test installs); release builds compile every call
// away. Lines start with an emoji that classifies them ("✅ ", "❌ ", "⚠️ ", ...).
//
// Header-only on purpose, so that every library can log without depending on another one.

#include <QByteArray>
#include <QDebug>
#include <QString>

#include <cstdio>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>

namespace debuglog {

using Sink = std::function<void(const std::string& line)>;

struct SinkHolder {
    std::mutex mutex;
    Sink sink;
};

inline SinkHolder& sinkHolder()
{
    static SinkHolder holder;
    return holder;
}

// Replaces where debug lines go; an empty function restores standard error.
inline void setSink(Sink sink)
{
    std::lock_guard lock(sinkHolder().mutex);
    sinkHolder().sink = std::move(sink);
}

inline void writeLine(const std::string& line)
{
    std::lock_guard lock(sinkHolder().mutex);
    if (sinkHolder().sink) {
        sinkHolder().sink(line);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

template <class T> void appendItem(std::string& out, const T& item)
{
    using D = std::decay_t<T>;
    if constexpr (std::is_same_v<D, bool>) {
        out += item ? "true" : "false";
    } else if constexpr (std::is_same_v<D, char>) {
        out += item;
    } else if constexpr (std::is_arithmetic_v<D>) {
        std::ostringstream stream;
        stream << item;
        out += stream.str();
    } else if constexpr (std::is_same_v<D, QString>) {
        out += item.toStdString();
    } else if constexpr (std::is_same_v<D, QByteArray>) {
        out += item.toStdString();
    } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
        out += std::string_view(item);
    } else if constexpr (std::is_convertible_v<const T&, QString>) {
        out += QString(item).toStdString();
    } else {
        QString text;
        QDebug(&text).noquote().nospace() << item;
        out += text.toStdString();
    }
}

} // namespace debuglog

#ifdef CORVALE_DEBUG_LOG
inline namespace dlog_enabled {
template <class... Items> inline void dlog(const Items&... items)
{
    std::string line;
    bool first = true;
    ((first ? void(first = false) : void(line += ' '), debuglog::appendItem(line, items)), ...);
    debuglog::writeLine(line);
}
} // namespace dlog_enabled
#else
inline namespace dlog_disabled {
template <class... Items> inline void dlog(const Items&...) { }
} // namespace dlog_disabled
#endif
