#pragma once

// The errors of the Drive client and of cloud sync passes, with readable descriptions for status
// lines and alerts ("No access token", "HTTP 404: File not found").

#include <QString>

namespace cloud {

struct SyncError {
    enum class Kind {
        uploadFailed, // message: "Drive trash failed: HTTP 404"
        noToken,
        uploadInitFailed,
        renameFailed,
        http, // a non-2xx answer: status and Drive's own message
        invalidID, // an identifier that must not enter a URL or a query; nothing was sent
        transport, // no HTTP answer (refused, dropped, timed out): the network's text
        decoding, // an answer that is not the JSON expected
        localFile, // a local file that cannot be read
        cancelled, // the worker stopped
    };

    Kind kind = Kind::transport;
    int status = 0;
    QString message;

    static SyncError uploadFailed(QString message) { return { Kind::uploadFailed, 0, std::move(message) }; }
    static SyncError noToken() { return { Kind::noToken, 0, {} }; }
    static SyncError uploadInitFailed() { return { Kind::uploadInitFailed, 0, {} }; }
    static SyncError renameFailed() { return { Kind::renameFailed, 0, {} }; }
    static SyncError http(int status, QString message) { return { Kind::http, status, std::move(message) }; }
    static SyncError invalidID(QString id) { return { Kind::invalidID, 0, std::move(id) }; }
    static SyncError transport(QString text) { return { Kind::transport, 0, std::move(text) }; }
    static SyncError decoding(QString what) { return { Kind::decoding, 0, std::move(what) }; }
    static SyncError localFile(QString text) { return { Kind::localFile, 0, std::move(text) }; }
    static SyncError cancelled() { return { Kind::cancelled, 0, {} }; }

    QString description() const;

    bool operator==(const SyncError&) const = default;
};

} // namespace cloud
