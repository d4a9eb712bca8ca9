#pragma once

// Compact JSON text written field by field, in the order the caller gives. The playlist file keeps
// its keys in declaration order and its UUIDs in upper case, which QJsonDocument (sorted keys) does
// not allow; numbers are written in their shortest exact form, and a non-finite number, which JSON
// cannot hold, is refused by the callers before it gets here.
//
// A plain value; one writer per thread.

#include <QByteArray>
#include <QStringView>

#include <vector>

namespace playback {

class JsonTextWriter {
public:
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    // The key of the next value inside an object.
    void key(const char* asciiName); // plain ASCII that needs no escaping

    void value(QStringView text);
    void value(double number); // finite only (asserted)
    void value(qint64 number);
    void value(bool flag);

    const QByteArray& text() const { return out_; }
    QByteArray take() { return std::move(out_); }

private:
    void open(char bracket);
    void close(char bracket);
    void separate();
    void appendString(QStringView text);

    QByteArray out_;
    // One entry per open object or array: whether a member has been written in it yet.
    std::vector<bool> hasMember_;
    bool afterKey_ = false;
};

} // namespace playback
