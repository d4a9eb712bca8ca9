#include "FakeGoogleServer.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

namespace cloud_test {

struct FakeGoogleServer::Answer {
    int status = 200;
    QByteArray contentType = "application/json; charset=utf-8";
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
};

struct FakeGoogleServer::Connection {
    QByteArray buffer;
    bool haveHeaders = false;
    qint64 remaining = 0;
    Request request;
    QCryptographicHash md5 { QCryptographicHash::Md5 };
};

namespace {

using Answer = FakeGoogleServer::Answer;
constexpr qsizetype kKeptBytes = 1024 * 1024;

Answer json(int status, const QJsonObject& object)
{
    return { status, "application/json; charset=utf-8", QJsonDocument(object).toJson(QJsonDocument::Compact), {} };
}

Answer driveError(int status, const QString& message)
{
    return json(status,
        { { QStringLiteral("error"),
            QJsonObject { { QStringLiteral("code"), status }, { QStringLiteral("message"), message } } } });
}

Answer oauthError(const QString& error, const QString& description)
{
    return json(400, { { QStringLiteral("error"), error }, { QStringLiteral("error_description"), description } });
}

// Every field the station reads, whatever it asked for.
QJsonObject describe(const FakeGoogleServer::File& file)
{
    QJsonObject object { { QStringLiteral("id"), file.id }, { QStringLiteral("name"), file.name },
        { QStringLiteral("mimeType"), file.mimeType },
        { QStringLiteral("modifiedTime"), QStringLiteral("2026-01-05T14:03:00.000Z") } };
    if (!file.md5.isEmpty())
        object.insert(QStringLiteral("md5Checksum"), file.md5);
    if (file.mimeType != QLatin1String("application/vnd.google-apps.folder"))
        object.insert(QStringLiteral("size"), QString::number(file.size));
    return object;
}

// Drive's search language, as far as the station uses it: terms joined by and/or, parentheses,
// 'id' in parents, name/mimeType = or != 'text', trashed = true/false. Anything else is refused.
class QueryParser {
public:
    QueryParser(const QString& text, const FakeGoogleServer::File& file)
        : file_(file)
    {
        // A stray character is a token of its own, which no rule accepts.
        static const QRegularExpression token(QStringLiteral(R"('(?:\\.|[^'\\])*'|!=|[=()]|\w+|\S)"));
        for (auto it = token.globalMatch(text); it.hasNext();)
            tokens_.append(it.next().captured());
    }

    std::optional<bool> evaluate()
    {
        const std::optional<bool> result = expression(0);
        return result && at_ == tokens_.size() ? result : std::nullopt;
    }

private:
    bool take(const char* word)
    {
        const bool found = at_ < tokens_.size() && tokens_[at_] == QLatin1String(word);
        at_ += found ? 1 : 0;
        return found;
    }
    std::optional<QString> literal()
    {
        if (at_ >= tokens_.size() || tokens_[at_].size() < 2 || !tokens_[at_].startsWith(QLatin1Char('\'')))
            return std::nullopt;
        const QString quoted = tokens_[at_++];
        QString value;
        for (qsizetype i = 1; i + 1 < quoted.size(); ++i)
            value += quoted[quoted[i] == QLatin1Char('\\') ? ++i : i];
        return value;
    }
    // Level 0 joins with "or", level 1 with "and", level 2 is a term.
    std::optional<bool> expression(int level)
    {
        std::optional<bool> result = level == 2 ? term() : expression(level + 1);
        while (level < 2 && result && take(level == 0 ? "or" : "and")) {
            const std::optional<bool> right = expression(level + 1);
            result = right ? std::optional(level == 0 ? *result || *right : *result && *right) : std::nullopt;
        }
        return result;
    }
    std::optional<bool> term()
    {
        if (take("(")) {
            const std::optional<bool> inner = expression(0);
            return inner && take(")") ? inner : std::nullopt;
        }
        if (const std::optional<QString> parent = literal()) {
            if (!take("in") || !take("parents"))
                return std::nullopt;
            return *parent == QLatin1String("root") ? file_.parents.isEmpty() : file_.parents.contains(*parent);
        }
        for (const char* field : { "name", "mimeType" }) {
            if (!take(field))
                continue;
            const bool negated = take("!=");
            const std::optional<QString> value = negated || take("=") ? literal() : std::nullopt;
            if (!value)
                return std::nullopt;
            const QString& actual = QLatin1String(field) == QLatin1String("name") ? file_.name : file_.mimeType;
            return (actual == *value) != negated;
        }
        if (take("trashed") && take("=")) {
            if (take("true"))
                return file_.trashed;
            if (take("false"))
                return !file_.trashed;
        }
        return std::nullopt;
    }

    const FakeGoogleServer::File& file_;
    QStringList tokens_;
    qsizetype at_ = 0;
};

} // namespace

FakeGoogleServer::FakeGoogleServer()
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            // Bounded, so a fast client is held back by TCP instead of filling memory.
            socket->setReadBufferSize(256 * 1024);
            connections_[socket] = std::make_unique<Connection>();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                connections_.erase(socket);
                socket->deleteLater();
            });
        }
    });
}

FakeGoogleServer::~FakeGoogleServer() = default;

namespace {

void writeAnswer(QTcpSocket* socket, const Answer& answer)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " Fake\r\nContent-Type: " + answer.contentType
        + "\r\nContent-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    for (const auto& [name, value] : answer.headers)
        head += name + ": " + value + "\r\n";
    socket->write(head + "\r\n" + answer.body);
}

} // namespace

void FakeGoogleServer::read(QTcpSocket* socket)
{
    auto found = connections_.find(socket);
    if (found == connections_.end())
        return;
    Connection& c = *found->second;
    c.buffer += socket->readAll();
    for (;;) {
        if (!c.haveHeaders) {
            const qsizetype end = c.buffer.indexOf("\r\n\r\n");
            if (end < 0) {
                if (c.buffer.size() > 64 * 1024)
                    socket->abort();
                return;
            }
            const QList<QByteArray> lines = c.buffer.left(end).split('\n');
            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
            c.request = {};
            c.request.method = requestLine.value(0);
            const QByteArray target = requestLine.value(1);
            const qsizetype question = target.indexOf('?');
            c.request.path = question < 0 ? target : target.left(question);
            c.request.rawQuery = question < 0 ? QByteArray() : target.mid(question + 1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    c.request.headers.insert(
                        lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
            c.remaining = c.request.header("Content-Length").toLongLong();
            c.md5.reset();
            c.buffer.remove(0, end + 4);
            c.haveHeaders = true;
        }
        const qint64 take = std::min<qint64>(c.remaining, c.buffer.size());
        const QByteArrayView chunk(c.buffer.constData(), take);
        c.md5.addData(chunk);
        if (c.request.body.size() < kKeptBytes)
            c.request.body.append(chunk.first(std::min<qint64>(take, kKeptBytes - c.request.body.size())));
        c.request.bodySize += take;
        c.remaining -= take;
        c.buffer.remove(0, take);
        if (c.remaining > 0)
            return;
        c.haveHeaders = false;
        complete(socket, c.request, QString::fromLatin1(c.md5.result().toHex()));
        if (!connections_.count(socket) || c.buffer.isEmpty())
            return;
    }
}

void FakeGoogleServer::complete(QTcpSocket* socket, const Request& request, const QString& md5)
{
    log_.append(request);
    std::optional<Fault> fault;
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->method != request.method || !request.path.startsWith(it->pathPrefix))
            continue;
        if (it->skip > 0) {
            --it->skip;
            break;
        }
        fault = *it;
        if (it->times > 0 && --it->times == 0)
            faults_.erase(it);
        break;
    }
    if (fault && fault->kind == Fault::Kind::drop) {
        connections_.erase(socket);
        socket->abort();
        socket->deleteLater();
        return;
    }
    const Answer answer = fault && fault->kind == Fault::Kind::status
        ? Answer { fault->status, "application/json", fault->body, {} }
        : route(request, md5);
    if (fault && fault->kind == Fault::Kind::delay) {
        QTimer::singleShot(fault->delayMs, this, [guard = QPointer<QTcpSocket>(socket), answer] {
            if (guard)
                writeAnswer(guard, answer);
        });
        return;
    }
    writeAnswer(socket, answer);
}

FakeGoogleServer::Answer FakeGoogleServer::route(const Request& request, const QString& md5)
{
    const QByteArray& path = request.path;
    const QByteArray& method = request.method;
    if (path == "/o/oauth2/v2/auth" && method == "GET")
        return authorize(request);
    if (path == "/token" && method == "POST")
        return token(request);
    const bool upload = path.startsWith("/upload/drive/v3/files");
    if (method == "PUT" && upload)
        return transfer(request, md5);
    const QByteArray bearer = request.header("Authorization");
    const auto issued
        = bearer.startsWith("Bearer ") ? accessTokens_.find(QString::fromUtf8(bearer.mid(7))) : accessTokens_.end();
    if (issued == accessTokens_.end() || issued->second.hasExpired())
        return driveError(401, QStringLiteral("Invalid Credentials"));
    if (path == "/oauth2/v3/userinfo" && method == "GET")
        return json(200, { { QStringLiteral("email"), settings.email } });
    if (path == "/drive/v3/files" && method == "GET")
        return list(request);
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    if (path == "/drive/v3/files" && method == "POST") {
        const QString id = addFile(body.value(QStringLiteral("name")).toString(),
            body.value(QStringLiteral("parents")).toArray().at(0).toString(), {},
            body.value(QStringLiteral("mimeType")).toString());
        return json(200, describe(files_[id]));
    }
    if (upload && (method == "POST" || method == "PATCH")) {
        const QString existing = QString::fromLatin1(path.mid(int(strlen("/upload/drive/v3/files/"))));
        if (method == "PATCH" && !files_.count(existing))
            return driveError(404, QStringLiteral("File not found: ") + existing);
        const QString id = QString::number(++nextID_);
        sessions_[id] = { method == "PATCH" ? existing : QString(), body.value(QStringLiteral("name")).toString(),
            body.value(QStringLiteral("parents")).toArray().at(0).toString(),
            QString::fromUtf8(request.header("X-Upload-Content-Type")),
            request.hasHeader("X-Upload-Content-Length") ? request.header("X-Upload-Content-Length").toLongLong()
                                                         : -1 };
        Answer answer = json(200, {});
        answer.headers.append({ "Location",
            baseURL().toString().toUtf8() + "/upload/drive/v3/files?uploadType=resumable&upload_id=" + id.toUtf8() });
        return answer;
    }
    const QString id = QString::fromLatin1(path.mid(int(strlen("/drive/v3/files/"))));
    if (!path.startsWith("/drive/v3/files/") || !files_.count(id))
        return driveError(404, QStringLiteral("File not found: ") + id);
    File& file = files_[id];
    if (method == "GET" && request.queryItem(QStringLiteral("alt")) == QLatin1String("media"))
        return { 200, "application/octet-stream", file.content, {} };
    if (method == "PATCH") {
        if (body.contains(QStringLiteral("trashed")))
            file.trashed = body.value(QStringLiteral("trashed")).toBool();
        if (body.contains(QStringLiteral("name")))
            file.name = body.value(QStringLiteral("name")).toString();
        return json(200, describe(file));
    }
    return driveError(400, QStringLiteral("Bad Request"));
}

FakeGoogleServer::Answer FakeGoogleServer::authorize(const Request& request)
{
    const auto item = [&](const char* name) { return request.queryItem(QLatin1String(name)); };
    const QUrl redirect(item("redirect_uri"));
    if (item("client_id") != clientID() || item("response_type") != QLatin1String("code")
        || item("code_challenge_method") != QLatin1String("S256") || item("code_challenge").size() != 43
        || redirect.host() != QLatin1String("127.0.0.1") || redirect.path() != QLatin1String("/oauth2redirect"))
        return oauthError(QStringLiteral("invalid_request"), QStringLiteral("Bad authorization request"));
    QUrlQuery back;
    if (!settings.authorizationError.isEmpty()) {
        back.addQueryItem(QStringLiteral("error"), settings.authorizationError);
        settings.authorizationError.clear(); // one redirect only
    } else {
        const QString code = QStringLiteral("code-") + QString::number(++nextID_);
        codes_[code] = { item("code_challenge"), redirect.toString() };
        back.addQueryItem(QStringLiteral("code"), code);
    }
    back.addQueryItem(
        QStringLiteral("state"), settings.stateOverride.isEmpty() ? item("state") : settings.stateOverride);
    QUrl location = redirect;
    location.setQuery(back);
    return { 302, "text/html", {}, { { "Location", location.toEncoded() } } };
}

FakeGoogleServer::Answer FakeGoogleServer::token(const Request& request)
{
    if (request.header("Content-Type") != "application/x-www-form-urlencoded")
        return oauthError(QStringLiteral("invalid_request"), QStringLiteral("Malformed form"));
    const QUrlQuery form(QString::fromLatin1(request.body));
    const auto field = [&](const char* name) { return form.queryItemValue(QLatin1String(name), QUrl::FullyDecoded); };
    if (field("client_id") != clientID() || field("client_secret") != settings.clientSecret)
        return oauthError(QStringLiteral("invalid_client"), QStringLiteral("Unauthorized"));
    QJsonObject answer { { QStringLiteral("token_type"), QStringLiteral("Bearer") },
        { QStringLiteral("expires_in"), settings.tokenLifetime } };
    if (field("grant_type") == QLatin1String("authorization_code")) {
        const auto code = codes_.find(field("code"));
        if (code == codes_.end() || code->second.second != field("redirect_uri"))
            return oauthError(QStringLiteral("invalid_grant"), QStringLiteral("Bad Request"));
        const QByteArray digest = QCryptographicHash::hash(field("code_verifier").toUtf8(), QCryptographicHash::Sha256);
        if (QString::fromLatin1(digest.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals))
            != code->second.first)
            return oauthError(QStringLiteral("invalid_grant"), QStringLiteral("Code verifier mismatch"));
        codes_.erase(code);
        answer.insert(QStringLiteral("refresh_token"), newRefreshToken());
    } else if (field("grant_type") != QLatin1String("refresh_token")
        || !refreshTokens_.contains(field("refresh_token"))) {
        return oauthError(QStringLiteral("invalid_grant"), QStringLiteral("Bad Request"));
    } else if (settings.rotateRefreshTokens) {
        answer.insert(QStringLiteral("refresh_token"), newRefreshToken());
    }
    const QString access = QStringLiteral("access+&=") + QString::number(++nextID_);
    // Google keeps to the lifetime it announced, by its own clock.
    accessTokens_.emplace(access, QDeadlineTimer(qint64(settings.tokenLifetime * 1000)));
    answer.insert(QStringLiteral("access_token"), access);
    return json(200, answer);
}

FakeGoogleServer::Answer FakeGoogleServer::list(const Request& request)
{
    const QString q = request.queryItem(QStringLiteral("q"));
    const int requested = request.queryItem(QStringLiteral("pageSize")).toInt();
    const int size = std::max(1, std::min(requested > 0 ? requested : 100, settings.pageSize));
    const int offset = request.queryItem(QStringLiteral("pageToken")).toInt();
    QList<const File*> matches;
    for (const auto& [id, file] : files_) {
        const std::optional<bool> match = QueryParser(q, file).evaluate();
        if (!match)
            return driveError(400, QStringLiteral("Invalid Value"));
        if (*match)
            matches.append(&file);
    }
    QJsonArray page;
    for (qsizetype i = offset; i < matches.size() && i < offset + size; ++i)
        page.append(describe(*matches[i]));
    QJsonObject answer { { QStringLiteral("files"), page } };
    if (offset + size < matches.size())
        answer.insert(QStringLiteral("nextPageToken"), QString::number(offset + size));
    return json(200, answer);
}

FakeGoogleServer::Answer FakeGoogleServer::transfer(const Request& request, const QString& md5)
{
    if (request.hasHeader("Authorization"))
        return driveError(400, QStringLiteral("Authorization is not accepted on an upload session"));
    const auto found = sessions_.find(request.queryItem(QStringLiteral("upload_id")));
    if (found == sessions_.end())
        return driveError(404, QStringLiteral("No such upload session"));
    const Session session = found->second;
    sessions_.erase(found);
    if (session.declaredSize >= 0 && session.declaredSize != request.bodySize)
        return driveError(400, QStringLiteral("Size mismatch"));
    const QString id
        = session.fileID.isEmpty() ? addFile(session.name, session.parent, {}, session.mimeType) : session.fileID;
    File& file = files_[id];
    file.name = session.name;
    file.size = request.bodySize;
    file.md5 = md5;
    file.content = request.bodySize <= kKeptBytes ? request.body : QByteArray();
    return json(200, describe(file));
}

QString FakeGoogleServer::addFile(
    const QString& name, const QString& parent, const QByteArray& content, const QString& mimeType)
{
    const QString id = QStringLiteral("f") + QString::number(++nextID_);
    const QByteArray md5
        = content.isEmpty() ? QByteArray() : QCryptographicHash::hash(content, QCryptographicHash::Md5);
    files_[id] = { id, name, mimeType, parent.isEmpty() ? QStringList() : QStringList { parent }, false, content,
        content.size(), QString::fromLatin1(md5.toHex()) };
    return id;
}

QString FakeGoogleServer::newRefreshToken()
{
    const QString token = QStringLiteral("1//refresh+&=") + QString::number(++nextID_);
    refreshTokens_.insert(token);
    return token;
}

QString FakeGoogleServer::issueRefreshToken()
{
    return newRefreshToken();
}

std::optional<FakeGoogleServer::File> FakeGoogleServer::file(const QString& id) const
{
    const auto found = files_.find(id);
    return found == files_.end() ? std::nullopt : std::optional<File>(found->second);
}

QList<FakeGoogleServer::Request> FakeGoogleServer::requests(
    const QByteArray& method, const QByteArray& pathPrefix) const
{
    QList<Request> result;
    for (const Request& request : log_) {
        if ((method.isEmpty() || request.method == method) && request.path.startsWith(pathPrefix))
            result.append(request);
    }
    return result;
}

} // namespace cloud_test
