#pragma once

// Google OAuth tokens: the authorization-code and refresh-token grants, the access token with its
// expiry, and the account's e-mail lookup. The network work runs on the cloud worker; what it
// changes in the published state (signed in, status line, e-mail) goes to an update sink, which
// the manager applies on the main thread.
//
// A sign-out moves the epoch: token answers and updates begun before it are dropped, so a late
// answer can never sign the station in again.
//
// Threads: the grants, ensureAccessToken() and fetchUserEmail() run on the cloud worker only.
// accessToken(), epoch(), setKnownEmail() and signOut() may be called from any thread.
// Tokens are never logged.

#include "cloud/GoogleEndpoints.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>
#include <utility>

namespace platform {
class MediaClock;
}

namespace cloud {

class CloudWorker;
class KeychainStore;

class GoogleAuthClient {
public:
    struct Update {
        quint64 epoch = 0;
        std::optional<QString> statusText;
        std::optional<bool> isSignedIn;
        std::optional<QString> email;
    };
    using UpdateSink = std::function<void(const Update&)>;

    // The token endpoint's answer.
    struct TokenResponse {
        QString accessToken;
        double expiresIn = 0;
        std::optional<QString> refreshToken;

        // None when "access_token" is not text or "expires_in" is not a whole number.
        static std::optional<TokenResponse> decode(const QByteArray& body);
    };

    // Seconds of life an access token must have left to be used without a refresh.
    static constexpr double expiryMargin = 60.0;

    GoogleAuthClient(CloudWorker& worker, KeychainStore& keychain, GoogleEndpoints endpoints,
        platform::MediaClock& clock, UpdateSink sink);

    const GoogleEndpoints& endpoints() const { return endpoints_; }

    // Worker thread. Each returns true on success and reports its outcome through the sink.
    bool exchangeCodeForToken(
        const QString& code, const QString& codeVerifier, const QString& redirectURI, quint64 epoch);
    bool refreshAccessTokenIfNeeded();
    bool ensureAccessToken();
    void fetchUserEmail();

    // Any thread.
    std::optional<QString> accessToken() const;
    quint64 epoch() const;
    void setKnownEmail(std::optional<QString> email);
    void signOut();

    // key=value pairs joined by "&", keys and values percent-encoded except unreserved characters.
    static QByteArray formURLEncoded(const QList<std::pair<QString, QString>>& fields);
    // "error (error_description)", or either alone, or the body's text; cut to 300 characters
    // with control characters blanked; none for an empty or blank body.
    static std::optional<QString> describeOAuthError(const QByteArray& body);

private:
    struct TokenAnswer {
        std::optional<TokenResponse> token;
        QString failure; // set when `token` is none
        bool exception = false; // no answer, or an answer that did not decode
    };

    TokenAnswer requestToken(QList<std::pair<QString, QString>> fields);
    void storeToken(const TokenResponse& token, quint64 epoch);
    void report(Update update) const;

    CloudWorker& worker_;
    KeychainStore& keychain_;
    const GoogleEndpoints endpoints_;
    platform::MediaClock& clock_;
    const UpdateSink sink_;

    mutable std::mutex mutex_;
    std::optional<QString> accessToken_;
    std::optional<double> accessTokenExpiry_; // on clock_
    std::optional<QString> knownEmail_;
    quint64 epoch_ = 1;
};

} // namespace cloud
