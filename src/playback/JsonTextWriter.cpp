#include "playback/JsonTextWriter.h"

#include <QLocale>

#include <cassert>
#include <cmath>

namespace playback {

void JsonTextWriter::separate()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasMember_.empty()) {
        if (hasMember_.back())
            out_ += ',';
        hasMember_.back() = true;
    }
}

void JsonTextWriter::open(char bracket)
{
    separate();
    out_ += bracket;
    hasMember_.push_back(false);
}

void JsonTextWriter::close(char bracket)
{
    assert(!hasMember_.empty());
    hasMember_.pop_back();
    out_ += bracket;
}

void JsonTextWriter::key(const char* asciiName)
{
    separate();
    out_ += '"';
    out_ += asciiName;
    out_ += "\":";
    afterKey_ = true;
}

void JsonTextWriter::value(QStringView text)
{
    separate();
    appendString(text);
}

void JsonTextWriter::value(double number)
{
    assert(std::isfinite(number));
    separate();
    // Whole numbers as integers ("83", not "83.0"); the rest in the shortest form that reads back
    // exactly.
    if (std::isfinite(number) && std::trunc(number) == number && std::fabs(number) < 1e15)
        out_ += QByteArray::number(static_cast<qint64>(number));
    else
        out_ += QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
}

void JsonTextWriter::value(qint64 number)
{
    separate();
    out_ += QByteArray::number(number);
}

void JsonTextWriter::value(bool flag)
{
    separate();
    out_ += flag ? "true" : "false";
}

void JsonTextWriter::appendString(QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    out_ += '"';
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out_ += "\\\"";
            break;
        case '\\':
            out_ += "\\\\";
            break;
        case '\b':
            out_ += "\\b";
            break;
        case '\f':
            out_ += "\\f";
            break;
        case '\n':
            out_ += "\\n";
            break;
        case '\r':
            out_ += "\\r";
            break;
        case '\t':
            out_ += "\\t";
            break;
        default:
            if (byte < 0x20) {
                out_ += "\\u00";
                out_ += hex[byte >> 4];
                out_ += hex[byte & 0xF];
            } else {
                out_ += c;
            }
        }
    }
    out_ += '"';
}

} // namespace playback
