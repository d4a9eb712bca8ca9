#pragma once

// A fake of Google's OAuth, user-info and Drive v3 endpoints on 127.0.0.1, for tests and
// benchmarks: a small HTTP/1.1 server that checks what a client sends (PKCE, redirect URI,
// bearer tokens), keeps a Drive tree, streams uploads into MD5 and size, logs every request and
// injects faults.
//
// Threads: lives on the thread that makes it, whose event loop must run while a client (on its
// own thread) waits for an answer; the tests' waits process events.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>
#include <QUrlQuery>

#include <map>
#include <memory>
#include <optional>

namespace cloud_test {

class FakeGoogleServer : public QObject {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QByteArray rawQuery;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body; // at most the first MiB
        qint64 bodySize = 0;

        QString queryItem(const QString& name) const
        {
            return QUrlQuery(QString::fromLatin1(rawQuery)).queryItemValue(name, QUrl::FullyDecoded);
        }
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

    struct Settings {
        QString clientSecret;
        QString email = QStringLiteral("operator@example.com");
        double tokenLifetime = 3599;
        bool rotateRefreshTokens = false; // refresh answers carry a new refresh token
        int pageSize = 1000; // the most a list page holds
        QString authorizationError; // the next redirect carries this error instead of a code
        QString stateOverride; // every redirect carries this state instead of the client's
    };

    FakeGoogleServer();
    ~FakeGoogleServer() override;

    QUrl baseURL() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort())); }
    static QString clientID() { return QStringLiteral("corvale-test.apps.example"); }
    void addFault(const Fault& fault) { faults_.append(fault); }

    // A refresh token the server accepts, as if issued at an earlier sign-in.
    QString issueRefreshToken();
    // Every access token issued so far is refused from now on (401).
    void expireAccessTokens() { accessTokens_.clear(); }

    QString addFile(const QString& name, const QString& parentID, const QByteArray& content = {},
        const QString& mimeType = QStringLiteral("application/octet-stream"));
    QString addFolder(const QString& name, const QString& parentID = {})
    {
        return addFile(name, parentID, {}, QStringLiteral("application/vnd.google-apps.folder"));
    }
    std::optional<File> file(const QString& id) const;

    // Every request so far, or those of one method whose path starts with `pathPrefix`.
    QList<Request> requests(const QByteArray& method = {}, const QByteArray& pathPrefix = {}) const;
    void clearLog() { log_.clear(); }

    Settings settings; // what the server accepts and answers

    struct Answer; // what the server sends back

private:
    struct Connection;
    struct Session {
        QString fileID; // empty: a new file
        QString name;
        QString parent;
        QString mimeType;
        qint64 declaredSize = -1;
    };

    void read(QTcpSocket* socket);
    void complete(QTcpSocket* socket, const Request& request, const QString& md5);
    Answer route(const Request& request, const QString& md5);
    Answer authorize(const Request& request);
    Answer token(const Request& request);
    Answer list(const Request& request);
    Answer transfer(const Request& request, const QString& md5);
    QString newRefreshToken();

    QList<Request> log_;
    QList<Fault> faults_;
    std::map<QString, File> files_;
    std::map<QString, Session> sessions_;
    std::map<QString, std::pair<QString, QString>> codes_; // code -> challenge, redirect URI
    QSet<QString> refreshTokens_;
    std::map<QString, QDeadlineTimer> accessTokens_;
    int nextID_ = 0;
    // Declared before the server, whose sockets still report their end while it goes.
    std::map<QTcpSocket*, std::unique_ptr<Connection>> connections_;
    QTcpServer server_;
};

} // namespace cloud_test
