#include "cloud/GoogleAuthClient.h"

#include "cloud/CloudWorker.h"
#include "cloud/KeychainStore.h"
#include "platform/DebugLog.h"
#include "platform/MediaClock.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <cmath>

namespace cloud {

namespace {

const QString kNotConfigured = QStringLiteral("Google sign-in is not configured");
constexpr qsizetype kMaxErrorLength = 300;

} // namespace

std::optional<GoogleAuthClient::TokenResponse> GoogleAuthClient::TokenResponse::decode(const QByteArray& body)
{
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    const QJsonValue access = object.value(QStringLiteral("access_token"));
    const QJsonValue expires = object.value(QStringLiteral("expires_in"));
    const QJsonValue refresh = object.value(QStringLiteral("refresh_token"));
    // Any whole JSON number is a lifetime ("3599.0" too).
    if (!access.isString() || !expires.isDouble() || std::trunc(expires.toDouble()) != expires.toDouble())
        return std::nullopt;
    if (!refresh.isUndefined() && !refresh.isNull() && !refresh.isString())
        return std::nullopt;
    TokenResponse token;
    token.accessToken = access.toString();
    token.expiresIn = expires.toDouble();
    if (refresh.isString())
        token.refreshToken = refresh.toString();
    return token;
}

GoogleAuthClient::GoogleAuthClient(CloudWorker& worker, KeychainStore& keychain, GoogleEndpoints endpoints,
    platform::MediaClock& clock, UpdateSink sink)
    : worker_(worker)
    , keychain_(keychain)
    , endpoints_(std::move(endpoints))
    , clock_(clock)
    , sink_(std::move(sink))
{
}

QByteArray GoogleAuthClient::formURLEncoded(const QList<std::pair<QString, QString>>& fields)
{
    QByteArray body;
    for (const auto& [key, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

std::optional<QString> GoogleAuthClient::describeOAuthError(const QByteArray& body)
{
    std::optional<QString> message;
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (document.isObject()) {
        const QJsonValue error = document.object().value(QStringLiteral("error"));
        const QJsonValue description = document.object().value(QStringLiteral("error_description"));
        if (error.isString() && description.isString())
            message = error.toString() + QStringLiteral(" (") + description.toString() + QLatin1Char(')');
        else if (error.isString())
            message = error.toString();
        else if (description.isString())
            message = description.toString();
    }
    if (!message) {
        const QString text = QString::fromUtf8(body);
        if (text.trimmed().isEmpty())
            return std::nullopt;
        message = text; // untrimmed, as the server wrote it
    }
    // The text reaches a status line and the log: one line, bounded.
    QString cleaned = message->left(kMaxErrorLength);
    for (QChar& c : cleaned) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return cleaned;
}

void GoogleAuthClient::report(Update update) const
{
    if (sink_)
        sink_(update);
}

std::optional<QString> GoogleAuthClient::accessToken() const
{
    std::lock_guard lock(mutex_);
    return accessToken_;
}

quint64 GoogleAuthClient::epoch() const
{
    std::lock_guard lock(mutex_);
    return epoch_;
}

void GoogleAuthClient::setKnownEmail(std::optional<QString> email)
{
    std::lock_guard lock(mutex_);
    knownEmail_ = std::move(email);
}

void GoogleAuthClient::signOut()
{
    std::lock_guard lock(mutex_);
    accessToken_.reset();
    accessTokenExpiry_.reset();
    knownEmail_.reset();
    ++epoch_;
}

void GoogleAuthClient::storeToken(const TokenResponse& token, quint64 epoch)
{
    std::lock_guard lock(mutex_);
    if (epoch != epoch_)
        return;
    accessToken_ = token.accessToken;
    accessTokenExpiry_ = clock_.now() + token.expiresIn;
}

GoogleAuthClient::TokenAnswer GoogleAuthClient::requestToken(QList<std::pair<QString, QString>> fields)
{
    fields.prepend({ QStringLiteral("client_id"), endpoints_.clientID });
    if (!endpoints_.clientSecret.isEmpty())
        fields.insert(1, { QStringLiteral("client_secret"), endpoints_.clientSecret });

    CloudWorker::Request request;
    request.method = "POST";
    request.url = endpoints_.tokenURL;
    request.headers = { { "Content-Type", "application/x-www-form-urlencoded" } };
    request.body = formURLEncoded(fields);
    const CloudWorker::Response response = worker_.send(request);

    TokenAnswer answer;
    if (!response.hasAnswer()) {
        answer.failure = response.errorText;
        answer.exception = true;
    } else if (response.status != 200) {
        answer.failure = describeOAuthError(response.body).value_or(QStringLiteral("HTTP %1").arg(response.status));
    } else if (!(answer.token = TokenResponse::decode(response.body))) {
        answer.failure = QStringLiteral("The token answer could not be read");
        answer.exception = true;
    }
    return answer;
}

bool GoogleAuthClient::exchangeCodeForToken(
    const QString& code, const QString& codeVerifier, const QString& redirectURI, quint64 epoch)
{
    if (!endpoints_.isConfigured()) {
        report({ epoch, QStringLiteral("Login failed: ") + kNotConfigured, {}, {} });
        return false;
    }
    const TokenAnswer answer = requestToken({
        { QStringLiteral("grant_type"), QStringLiteral("authorization_code") },
        { QStringLiteral("code"), code },
        { QStringLiteral("code_verifier"), codeVerifier },
        { QStringLiteral("redirect_uri"), redirectURI },
    });
    if (!answer.token) {
        dlog(answer.exception ? "Google OAuth token exception:" : "Google OAuth token error:", answer.failure);
        report({ epoch, QStringLiteral("Login failed: ") + answer.failure, {}, {} });
        return false;
    }
    if (epoch != this->epoch())
        return false; // signed out while the answer was on its way
    if (answer.token->refreshToken)
        keychain_.setData(answer.token->refreshToken->toUtf8(), QString::fromLatin1(KeychainStore::refreshTokenKey));
    storeToken(*answer.token, epoch);
    report({ epoch, QStringLiteral("Signed in"), true, {} });
    fetchUserEmail();
    return true;
}

bool GoogleAuthClient::refreshAccessTokenIfNeeded()
{
    const quint64 epoch = this->epoch();
    const std::optional<QString> refreshToken = keychain_.getText(QString::fromLatin1(KeychainStore::refreshTokenKey));
    if (!refreshToken) {
        report({ epoch, {}, false, {} });
        return false;
    }
    TokenAnswer answer;
    if (endpoints_.isConfigured()) {
        answer = requestToken({
            { QStringLiteral("grant_type"), QStringLiteral("refresh_token") },
            { QStringLiteral("refresh_token"), *refreshToken },
        });
    } else {
        answer.failure = kNotConfigured;
    }
    if (!answer.token) {
        dlog(answer.exception ? "Google OAuth refresh exception:" : "Google OAuth refresh error:", answer.failure);
        report({ epoch, QStringLiteral("Token refresh failed: ") + answer.failure, false, {} });
        return false;
    }
    // A refresh token in this answer is not stored: the one that signed in stays.
    storeToken(*answer.token, epoch);
    report({ epoch, {}, true, {} });
    bool emailKnown = false;
    {
        std::lock_guard lock(mutex_);
        emailKnown = knownEmail_.has_value();
    }
    if (!emailKnown)
        fetchUserEmail();
    return epoch == this->epoch();
}

bool GoogleAuthClient::ensureAccessToken()
{
    {
        std::lock_guard lock(mutex_);
        if (accessToken_ && accessTokenExpiry_ && *accessTokenExpiry_ - clock_.now() > expiryMargin)
            return !accessToken_->isEmpty();
    }
    return refreshAccessTokenIfNeeded();
}

void GoogleAuthClient::fetchUserEmail()
{
    const quint64 epoch = this->epoch();
    const std::optional<QString> token = accessToken();
    if (!token)
        return;
    CloudWorker::Request request;
    request.url = endpoints_.userInfoURL;
    request.headers = { { "Authorization", "Bearer " + token->toUtf8() } };
    const CloudWorker::Response response = worker_.send(request);
    if (!response.hasAnswer()) {
        dlog("fetchUserEmail error:", response.errorText);
        return;
    }
    const QJsonValue email = QJsonDocument::fromJson(response.body).object().value(QStringLiteral("email"));
    if (!email.isString())
        return;
    {
        std::lock_guard lock(mutex_);
        if (epoch != epoch_)
            return;
        knownEmail_ = email.toString();
    }
    report({ epoch, {}, {}, email.toString() });
}

} // namespace cloud
