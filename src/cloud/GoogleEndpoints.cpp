#include "cloud/GoogleEndpoints.h"

#include "platform/DebugLog.h"
#include "platform/UserDefaults.h"

#include <QHostAddress>

namespace cloud {

namespace {

QUrl withBase(QUrl url, const QUrl& base)
{
    url.setScheme(base.scheme());
    url.setHost(base.host());
    url.setPort(base.port());
    return url;
}

bool isLoopback(const QUrl& url)
{
    if (url.host() == QLatin1String("localhost"))
        return true;
    const QHostAddress address(url.host());
    return !address.isNull() && address.isLoopback();
}

QString configured(const char* variable, const platform::UserDefaults& defaults, const char* key)
{
    const QString fromEnvironment = qEnvironmentVariable(variable);
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return defaults.stringForKey(QString::fromLatin1(key)).value_or(QString());
}

} // namespace

GoogleEndpoints GoogleEndpoints::rebased(const QUrl& base) const
{
    GoogleEndpoints result = *this;
    for (QUrl* url :
        { &result.authURL, &result.tokenURL, &result.userInfoURL, &result.driveFilesURL, &result.uploadFilesURL })
        *url = withBase(*url, base);
    return result;
}

GoogleEndpoints GoogleEndpoints::fromEnvironment(const platform::UserDefaults& defaults)
{
    GoogleEndpoints endpoints;
    endpoints.clientID = configured("CORVALE_GOOGLE_CLIENT_ID", defaults, "googleClientID").trimmed();
    endpoints.clientSecret = configured("CORVALE_GOOGLE_CLIENT_SECRET", defaults, "googleClientSecret").trimmed();
    const QString base = qEnvironmentVariable("CORVALE_GOOGLE_BASE_URL");
    if (base.isEmpty())
        return endpoints;
    const QUrl url(base, QUrl::StrictMode);
    if (url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        && isLoopback(url))
        return endpoints.rebased(url);
    // An override meant for a fake server must never fall back to Google's hosts, nor send tokens
    // elsewhere: without a client nothing is sent at all.
    dlog("⚠️ [CloudSync] CORVALE_GOOGLE_BASE_URL refused: only a loopback address is accepted:", base);
    endpoints.clientID.clear();
    return endpoints;
}

} // namespace cloud
