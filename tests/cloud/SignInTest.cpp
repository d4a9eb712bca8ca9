// Google sign-in against the fake server: the browser round trip, every status line, tokens and
// their lifetime, start-up, re-authentication and sign-out.

#include "CloudTestKit.h"

#include "cloud/CloudSyncStateStore.h"
#include "cloud/GoogleAuthClient.h"
#include "cloud/LoopbackRedirectListener.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrlQuery>

using namespace cloud_test;
using cloud::GoogleAuthClient;
using cloud::GoogleDriveSyncManager;

namespace {

FakeGoogleServer::Fault tokenFault(int status, QByteArray body)
{
    return { .method = "POST", .pathPrefix = "/token", .status = status, .body = std::move(body) };
}

int tokenRequests(const CloudTestKit& kit)
{
    return int(kit.server.requests("POST", "/token").size());
}

} // namespace

TEST(SignIn, BrowserRoundTripSignsInStoresTheRefreshTokenAndLooksUpTheEmail)
{
    CloudTestKit kit;
    kit.server.settings.clientSecret = QStringLiteral("s3cret+&=");
    cloud::GoogleEndpoints endpoints = kit.endpoints();
    endpoints.clientSecret = QStringLiteral("s3cret+&=");
    auto& manager = kit.start(endpoints);
    EXPECT_EQ(tokenRequests(kit), 0); // no refresh token: the start-up refresh sends nothing

    kit.signIn();
    ASSERT_EQ(kit.opened.size(), 1);
    const QUrlQuery query(kit.opened[0]);
    EXPECT_EQ(query.queryItemValue("scope", QUrl::FullyDecoded),
        QStringLiteral("https://www.googleapis.com/auth/drive.file email profile"));
    EXPECT_EQ(manager.statusText(), QStringLiteral("Signed in"));
    EXPECT_EQ(
        kit.defaults.stringForKey(QStringLiteral("google_signed_in_email")), QStringLiteral("operator@example.com"));
    // The refresh token holds "+&=": the refresh grant only works when the form kept them intact.
    EXPECT_TRUE(kit.storedRefreshToken().contains(QStringLiteral("+&=")));
    bool refreshed = false;
    kit.onWorker([&] { refreshed = manager.auth().refreshAccessTokenIfNeeded(); });
    EXPECT_TRUE(refreshed);
    EXPECT_TRUE(kit.server.requests("POST", "/token").first().body.contains("client_secret=s3cret%2B%26%3D"));
}

TEST(SignIn, FailuresGiveTheirStatusLines)
{
    CloudTestKit kit;
    auto& manager = kit.start();
    const auto attempt = [&](const QString& status) {
        manager.signIn();
        EXPECT_TRUE(CloudTestKit::waitFor([&] { return manager.statusText() == status; }))
            << manager.statusText().toStdString();
    };
    kit.server.settings.stateOverride = QStringLiteral("OLD");
    attempt(QStringLiteral("Login failed: state mismatch"));
    kit.server.settings.stateOverride.clear();
    kit.server.settings.authorizationError = QStringLiteral("access_denied");
    attempt(QStringLiteral("Login failed: missing code"));
    EXPECT_EQ(tokenRequests(kit), 0);
    kit.server.addFault(tokenFault(400, R"({"error":"invalid_grant","error_description":"Bad Request"})"));
    attempt(QStringLiteral("Login failed: invalid_grant (Bad Request)"));
    kit.browserOpens = false;
    attempt(QStringLiteral("Login cancelled: the browser could not be opened"));
    EXPECT_EQ(tokenRequests(kit), 1);
    EXPECT_FALSE(manager.isSignedIn());
    EXPECT_TRUE(kit.storedRefreshToken().isEmpty());
}

TEST(SignIn, AnUnansweredSignInTimesOut)
{
    CloudTestKit kit;
    auto& manager = kit.start();
    kit.followBrowser = false;
    std::optional<bool> ended;
    manager.reAuthenticate([&](bool signedIn) { ended = signedIn; });
    kit.scheduler.advance(299);
    EXPECT_FALSE(ended.has_value());
    kit.scheduler.advance(1);
    EXPECT_EQ(manager.statusText(), QStringLiteral("Login cancelled: timed out"));
    EXPECT_TRUE(CloudTestKit::waitFor([&] { return ended.has_value(); }));
    EXPECT_EQ(ended, false);
}

TEST(SignIn, WithoutAClientNothingOpensAndNothingIsSent)
{
    CloudTestKit kit;
    kit.keychain.setData(kit.server.issueRefreshToken().toUtf8(), QStringLiteral("refresh_token"));
    cloud::GoogleEndpoints endpoints = kit.endpoints();
    endpoints.clientID.clear();
    auto& manager = kit.start(endpoints);
    EXPECT_EQ(manager.statusText(), QStringLiteral("Token refresh failed: Google sign-in is not configured"));
    manager.signIn();
    EXPECT_EQ(manager.statusText(), QStringLiteral("Login failed: Google sign-in is not configured"));
    EXPECT_TRUE(kit.opened.isEmpty());
    EXPECT_TRUE(kit.server.requests().isEmpty());
    EXPECT_FALSE(kit.storedRefreshToken().isEmpty()); // kept for when a client is configured
}

TEST(SignIn, StartUpWithAStoredTokenConfirmsItAndFetchesAMissingEmail)
{
    CloudTestKit kit;
    kit.keychain.setData(kit.server.issueRefreshToken().toUtf8(), QStringLiteral("refresh_token"));
    auto& manager = kit.start();
    EXPECT_TRUE(manager.isSignedIn());
    EXPECT_EQ(manager.signedInEmail(), QStringLiteral("operator@example.com"));
    EXPECT_EQ(tokenRequests(kit), 1);
}

TEST(SignIn, ARefusedRefreshSignsOutButKeepsTheRefreshToken)
{
    CloudTestKit kit;
    kit.keychain.setData("revoked", QStringLiteral("refresh_token"));
    EXPECT_EQ(kit.start().statusText(), QStringLiteral("Token refresh failed: invalid_grant (Bad Request)"));
    EXPECT_EQ(kit.storedRefreshToken(), QStringLiteral("revoked"));
}

TEST(SignIn, AccessTokenIsReusedUntilAMinuteIsLeftAndARotatedRefreshTokenIsNotStored)
{
    CloudTestKit kit;
    kit.server.settings.tokenLifetime = 121;
    kit.server.settings.rotateRefreshTokens = true;
    auto& manager = kit.start();
    kit.signIn();
    const QString signedInWith = kit.storedRefreshToken();
    bool usable = false;
    kit.clock.advance(60); // 61 s left
    kit.onWorker([&] { usable = manager.auth().ensureAccessToken(); });
    EXPECT_TRUE(usable);
    EXPECT_EQ(tokenRequests(kit), 1);
    kit.clock.advance(1); // 60 s left
    kit.onWorker([&] { usable = manager.auth().ensureAccessToken(); });
    EXPECT_TRUE(usable);
    EXPECT_EQ(tokenRequests(kit), 2);
    EXPECT_EQ(kit.storedRefreshToken(), signedInWith);

    // An empty access token is no token, however long it would live.
    kit.server.addFault(tokenFault(200, R"({"access_token":"","expires_in":3599})"));
    kit.onWorker([&] { usable = manager.auth().refreshAccessTokenIfNeeded(); });
    kit.onWorker([&] { usable = manager.auth().ensureAccessToken(); });
    EXPECT_FALSE(usable);
    EXPECT_EQ(tokenRequests(kit), 3);
}

TEST(SignIn, ReAuthenticationAsksForLoginAndRetriesOnceWithTheAccountChoice)
{
    CloudTestKit kit;
    auto& manager = kit.start();
    kit.server.settings.authorizationError = QStringLiteral("invalid_request");
    std::optional<bool> ended;
    manager.reAuthenticate([&](bool signedIn) { ended = signedIn; });
    EXPECT_TRUE(CloudTestKit::waitFor([&] { return ended.has_value(); }));
    EXPECT_EQ(ended, true);
    ASSERT_EQ(kit.opened.size(), 2);
    EXPECT_EQ(QUrlQuery(kit.opened[0]).queryItemValue("prompt", QUrl::FullyDecoded), QStringLiteral("login consent"));
    EXPECT_EQ(QUrlQuery(kit.opened[1]).queryItemValue("prompt", QUrl::FullyDecoded),
        QStringLiteral("select_account consent"));
    EXPECT_TRUE(manager.isSignedIn());
}

TEST(SignIn, SignOutForgetsTheAccountButKeepsThePendingUploads)
{
    CloudTestKit kit;
    const auto project = kit.cloudProject();
    cloud::CloudSyncState state;
    state.pending = QStringList { "a.mov" };
    cloud::CloudSyncStateStore::save(state, project.folderPath);
    kit.library.setCurrent(project);
    auto& manager = kit.start();
    kit.signIn();

    manager.signOut();
    EXPECT_EQ(manager.statusText(), QStringLiteral("Signed out"));
    EXPECT_FALSE(kit.defaults.contains(QStringLiteral("google_signed_in_email")));
    EXPECT_FALSE(kit.keychain.getData(QStringLiteral("refresh_token")));
    EXPECT_EQ(manager.pendingCount(), 1);
    kit.manager.reset();
    EXPECT_FALSE(kit.start().isSignedIn());
}

TEST(SignIn, PkceFormEncodingAndOAuthAnswers)
{
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9._~-]{64}$"))
                    .match(GoogleDriveSyncManager::makeCodeVerifier())
                    .hasMatch());
    EXPECT_EQ(GoogleDriveSyncManager::makeCodeChallenge(QStringLiteral("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk")),
        QStringLiteral("E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"));
    EXPECT_EQ(GoogleAuthClient::formURLEncoded({ { "grant type", "a+b&c=d/é~" }, { "x", "" } }),
        QByteArray("grant%20type=a%2Bb%26c%3Dd%2F%C3%A9~&x="));

    const QString long400(400, QLatin1Char('x'));
    EXPECT_EQ(GoogleAuthClient::describeOAuthError(R"({"error":"invalid_client"})"), QStringLiteral("invalid_client"));
    EXPECT_EQ(GoogleAuthClient::describeOAuthError(""), std::nullopt);
    EXPECT_EQ(GoogleAuthClient::describeOAuthError(long400.toUtf8()), long400.left(300));
    EXPECT_FALSE(GoogleAuthClient::TokenResponse::decode(R"({"access_token":"a","expires_in":3599.5})"));
    const auto token
        = GoogleAuthClient::TokenResponse::decode(R"({"access_token":"a","expires_in":3599.0,"refresh_token":null})");
    ASSERT_TRUE(token);
    EXPECT_FALSE(token->refreshToken);
}

TEST(SignIn, RedirectListenerAnswersOnceAndEchoesNothing)
{
    platform::ManualScheduler scheduler;
    cloud::LoopbackRedirectListener listener(scheduler);
    ASSERT_TRUE(listener.start());
    QList<QUrl> redirects;
    QObject::connect(
        &listener, &cloud::LoopbackRedirectListener::redirected, [&](const QUrl& url) { redirects << url; });
    const auto get = [&](const QByteArray& request) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, QUrl(listener.redirectURI()).port());
        if (!socket.waitForConnected(5000))
            return QByteArray("refused");
        socket.write(request);
        QByteArray answer;
        CloudTestKit::waitFor([&] {
            answer += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        });
        return answer;
    };
    EXPECT_TRUE(get("GET /favicon.ico HTTP/1.1\r\nHost: x\r\n\r\n").startsWith("HTTP/1.1 404"));
    EXPECT_TRUE(get("GET /oauth2redirect" + QByteArray(20000, 'a') + " HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 431"));
    const QByteArray page = get("GET /oauth2redirect?code=<script>&state=S HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_FALSE(page.contains("<script>"));
    ASSERT_EQ(redirects.size(), 1);
    EXPECT_EQ(QUrlQuery(redirects[0]).queryItemValue("code"), QStringLiteral("<script>"));
    EXPECT_EQ(get("GET /oauth2redirect?code=again HTTP/1.1\r\n\r\n"), QByteArray("refused"));
    EXPECT_EQ(redirects.size(), 1);
}
