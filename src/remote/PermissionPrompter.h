#pragma once

// Asks the operator at the station whether a remote client may view or control. The question is
// asynchronous: the handler keeps serving messages while it is open, and only the request's own
// reply waits for the answer. The application shows it as an alert through its dialog service;
// tests script the answers.
//
// Threads: main thread only; `answer` is called once, on the main thread.

#include <QString>

#include <functional>

namespace remote {

struct PermissionRequest {
    QString deviceName;
    QString clientKey;
    // What allowing grants: "CONTROL" or "VIEW".
    QString requested;
    // The peer's IP address.
    QString address;
};

class PermissionPrompter {
public:
    virtual ~PermissionPrompter() = default;

    virtual void ask(const PermissionRequest& request, std::function<void(bool allowed)> answer) = 0;

    static QString alertTitle() { return QStringLiteral("Allow iPad Permission?"); }
    static QString allowButton() { return QStringLiteral("Allow"); }
    static QString denyButton() { return QStringLiteral("Deny"); }
    // The alert's body, one line per field; the fields are shown as sanitised by the handler.
    static QString alertMessage(const PermissionRequest& request);

    // A text a peer chose, made safe to show: control characters (line breaks included) removed,
    // cut to 64 characters.
    static QString sanitised(const QString& text);
};

} // namespace remote
