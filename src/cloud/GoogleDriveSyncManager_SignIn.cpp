// Browser sign-in with PKCE through a loopback redirect, the code exchange, sign-out, and the
// token updates coming back from the worker.

#include "cloud/GoogleDriveSyncManager.h"

#include "cloud/KeychainStore.h"
#include "cloud/LoopbackRedirectListener.h"
#include "platform/MainThread.h"
#include "platform/UserDefaults.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QUrlQuery>
#include <QUuid>

namespace cloud {

namespace {

const QString kConsent = QStringLiteral("consent");
const QString kLoginConsent = QStringLiteral("login consent");
const QString kSelectAccountConsent = QStringLiteral("select_account consent");

} // namespace

QString GoogleDriveSyncManager::makeCodeVerifier()
{
    static const QLatin1String alphabet("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~");
    QString verifier;
    verifier.reserve(64);
    for (int i = 0; i < 64; ++i)
        verifier.append(alphabet.at(QRandomGenerator::system()->bounded(alphabet.size())));
    return verifier;
}

QString GoogleDriveSyncManager::makeCodeChallenge(const QString& verifier)
{
    const QByteArray digest = QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

void GoogleDriveSyncManager::signIn()
{
    Authorization authorization;
    authorization.prompt = kConsent;
    startAuthorization(std::move(authorization));
}

void GoogleDriveSyncManager::reAuthenticate(std::function<void(bool signedIn)> done)
{
    Authorization authorization;
    authorization.prompt = kLoginConsent;
    authorization.isReauthentication = true;
    authorization.done = std::move(done);
    startAuthorization(std::move(authorization));
}

void GoogleDriveSyncManager::startAuthorization(Authorization authorization)
{
    Q_ASSERT(platform::isMainThread());
    // A new sign-in replaces the one under way; that one ends as cancelled.
    if (authorization_ && !authorization.retriedAccountChoice)
        finishAuthorization(false);
    closeListener();
    authorization_ = std::move(authorization);
    if (!endpoints().isConfigured()) {
        setStatusText(QStringLiteral("Login failed: Google sign-in is not configured"));
        finishAuthorization(false);
        return;
    }

    authorization_->codeVerifier = makeCodeVerifier();
    authorization_->state = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    listener_ = new LoopbackRedirectListener(deps_.scheduler, LoopbackRedirectListener::defaultTimeoutSeconds, this);
    if (!listener_->start()) {
        setStatusText(QStringLiteral("Login failed: no loopback port for the sign-in redirect"));
        finishAuthorization(false);
        return;
    }
    authorization_->redirectURI = listener_->redirectURI();
    connect(listener_, &LoopbackRedirectListener::redirected, this,
        [this](const QUrl& url) { handleAuthCallback(url, std::nullopt); });
    connect(listener_, &LoopbackRedirectListener::timedOut, this,
        [this] { handleAuthCallback(std::nullopt, QStringLiteral("timed out")); });

    const QList<std::pair<QString, QString>> items {
        { QStringLiteral("client_id"), endpoints().clientID },
        { QStringLiteral("redirect_uri"), authorization_->redirectURI },
        { QStringLiteral("response_type"), QStringLiteral("code") },
        { QStringLiteral("scope"),
            QString::fromLatin1(GoogleEndpoints::driveFileScope) + QStringLiteral(" email profile") },
        { QStringLiteral("access_type"), QStringLiteral("offline") },
        { QStringLiteral("prompt"), authorization_->prompt },
        { QStringLiteral("code_challenge"), makeCodeChallenge(authorization_->codeVerifier) },
        { QStringLiteral("code_challenge_method"), QStringLiteral("S256") },
        { QStringLiteral("state"), authorization_->state },
    };
    QUrl url = endpoints().authURL;
    url.setQuery(QString::fromLatin1(GoogleAuthClient::formURLEncoded(items)), QUrl::StrictMode);
    if (!url.isValid() || !deps_.browser || !deps_.browser(url)) {
        closeListener();
        setStatusText(QStringLiteral("Login cancelled: the browser could not be opened"));
        finishAuthorization(false);
    }
}

void GoogleDriveSyncManager::handleAuthCallback(
    const std::optional<QUrl>& callbackURL, const std::optional<QString>& error)
{
    closeListener();
    if (!authorization_)
        return;
    if (error) {
        setStatusText(QStringLiteral("Login cancelled: ") + *error);
        finishAuthorization(false);
        return;
    }
    const QUrlQuery query(callbackURL ? callbackURL->query() : QString());
    if (!callbackURL || !callbackURL->isValid() || query.isEmpty()) {
        setStatusText(QStringLiteral("Login failed: invalid callback"));
        finishAuthorization(false);
        return;
    }
    const auto item = [&query](const QString& name) -> std::optional<QString> {
        if (!query.hasQueryItem(name))
            return std::nullopt;
        return query.queryItemValue(name, QUrl::FullyDecoded);
    };
    if (item(QStringLiteral("state")) != authorization_->state) {
        setStatusText(QStringLiteral("Login failed: state mismatch"));
        finishAuthorization(false);
        return;
    }
    // Google refuses "login consent" for some accounts; one retry lets the user pick the account.
    if (authorization_->isReauthentication && !authorization_->retriedAccountChoice
        && item(QStringLiteral("error")) == QLatin1String("invalid_request")) {
        Authorization retry = std::move(*authorization_);
        retry.prompt = kSelectAccountConsent;
        retry.retriedAccountChoice = true;
        startAuthorization(std::move(retry));
        return;
    }
    const std::optional<QString> code = item(QStringLiteral("code"));
    if (!code) {
        setStatusText(QStringLiteral("Login failed: missing code"));
        finishAuthorization(false);
        return;
    }
    exchangeCodeForToken(*code);
}

void GoogleDriveSyncManager::exchangeCodeForToken(const QString& code)
{
    if (authorization_->codeVerifier.isEmpty()) {
        setStatusText(QStringLiteral("Login failed: missing verifier"));
        finishAuthorization(false);
        return;
    }
    const quint64 epoch = auth_->epoch();
    worker_->post(
        [this, code, verifier = authorization_->codeVerifier, redirectURI = authorization_->redirectURI, epoch] {
            const bool signedIn = auth_->exchangeCodeForToken(code, verifier, redirectURI, epoch);
            postToMain([this, signedIn] { finishAuthorization(signedIn); });
        });
}

void GoogleDriveSyncManager::finishAuthorization(bool signedIn)
{
    if (!authorization_)
        return;
    std::function<void(bool)> done = std::move(authorization_->done);
    authorization_->done = nullptr;
    // Always later, never inside the caller's own reAuthenticate() call.
    if (done)
        postToMain([done, signedIn] { done(signedIn); });
}

void GoogleDriveSyncManager::closeListener()
{
    if (!listener_)
        return;
    listener_->close();
    listener_->deleteLater();
    listener_ = nullptr;
}

void GoogleDriveSyncManager::applyAuthUpdate(const GoogleAuthClient::Update& update)
{
    if (update.epoch != auth_->epoch())
        return; // begun before a sign-out
    if (update.statusText)
        setStatusText(*update.statusText);
    if (update.isSignedIn)
        setIsSignedIn(*update.isSignedIn);
    if (update.email) {
        setSignedInEmail(update.email);
        deps_.defaults.set(QString::fromLatin1(signedInEmailKey), *update.email);
    }
}

void GoogleDriveSyncManager::signOut()
{
    auth_->signOut();
    deps_.keychain.deleteItem(QString::fromLatin1(KeychainStore::refreshTokenKey));
    deps_.keychain.deleteItem(QString::fromLatin1(KeychainStore::driveRootKey));
    setIsSignedIn(false);
    setSignedInEmail(std::nullopt);
    deps_.defaults.remove(QString::fromLatin1(signedInEmailKey));
    setIsSyncing(false);
    setCanRetry(false);
    setFailedItems({});
    setCurrentUploadName(std::nullopt);
    setCurrentUploadProgress(0.0);
    setCurrentDownloadName(std::nullopt);
    setCurrentDownloadProgress(0.0);
    setPhase(CloudSyncPhase::idle);
    setCloudProjectIDs({});
    setCloudListLoaded(false);
    setStatusText(QStringLiteral("Signed out"));
}

} // namespace cloud
