#pragma once

// A fake of Google's OAuth, user-info and Drive v3 endpoints on 127.0.0.1, for tests and
// benchmarks: a small HTTP/1.1 server on its own thread that checks what a client sends (PKCE,
// redirect URI, strict forms, bearer tokens), keeps a Drive tree, streams uploads into MD5 and
// size, logs every request and injects faults.
//
// Threads: every public member may be called from any thread.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <memory>
#include <optional>

namespace cloud_test {

class FakeGoogleServer {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QByteArray rawQuery;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body; // at most the first MiB
        qint64 bodySize = 0;

        QUrlQuery query() const { return QUrlQuery(QString::fromLatin1(rawQuery)); }
        QString queryItem(const QString& name) const { return query().queryItemValue(name, QUrl::FullyDecoded); }
        bool hasHeader(const QByteArray& name) const { return headers.contains(name.toLower()); }
        QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
    };

    struct File {
        QString id;
        QString name;
        QString mimeType;
        QStringList parents;
        bool trashed = false;
        QByteArray content; // kept up to a MiB
        qint64 size = 0;
        QString md5;
    };

    // A canned answer for requests of one method whose path starts with `pathPrefix`.
    struct Fault {
        enum class Kind { status, drop, delay };
        Kind kind = Kind::status;
        QByteArray method;
        QByteArray pathPrefix;
        int status = 500;
        QByteArray body {};
        int delayMs = 0; // delay: the answer is held this long (slow uploads, hung requests)
        int skip = 0; // matching requests to let through first
        int times = 1; // -1: every later match
    };

    FakeGoogleServer();
    ~FakeGoogleServer();

    // What the server accepts and answers; change it with configure().
    struct Settings {
        QString clientSecret;
        QString email = QStringLiteral("operator@example.com");
        double tokenLifetime = 3599;
        bool rotateRefreshTokens = false; // refresh answers carry a new refresh token
        int pageSize = 1000; // the most a list page holds
        QString authorizationError; // the next redirect carries this error instead of a code
        QString stateOverride; // every redirect carries this state instead of the client's
    };

    QUrl baseURL() const;
    static QString clientID() { return QStringLiteral("corvale-test.apps.example"); }
    void configure(const std::function<void(Settings&)>& change);
    void addFault(const Fault& fault);

    // A refresh token the server accepts, as if issued at an earlier sign-in.
    QString issueRefreshToken();
    // Every access token issued so far is refused from now on (401).
    void expireAccessTokens();

    QString addFile(const QString& name, const QString& parentID, const QByteArray& content = {},
        const QString& mimeType = QStringLiteral("application/octet-stream"));
    QString addFolder(const QString& name, const QString& parentID = {});
    std::optional<File> file(const QString& id) const;

    QList<Request> requests() const;
    QList<Request> requests(const QByteArray& method, const QByteArray& pathPrefix) const;
    void clearLog();

private:
    class Engine;
    std::unique_ptr<Engine> engine_;
};

} // namespace cloud_test
