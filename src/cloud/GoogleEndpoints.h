#pragma once

// Where the Google services are and which OAuth client the station is. Google's hosts by
// default; CORVALE_GOOGLE_BASE_URL (a loopback address only) replaces scheme, host and port of
// every endpoint, keeping the paths, so tests talk to a fake server on this machine.
// The client comes from CORVALE_GOOGLE_CLIENT_ID / CORVALE_GOOGLE_CLIENT_SECRET, else from the
// user defaults "googleClientID" / "googleClientSecret".

#include <QString>
#include <QUrl>

namespace platform {
class UserDefaults;
}

namespace cloud {

struct GoogleEndpoints {
    QString clientID;
    QString clientSecret; // optional: installed-application clients may be given one
    QUrl authURL { QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth") };
    QUrl tokenURL { QStringLiteral("https://oauth2.googleapis.com/token") };
    QUrl userInfoURL { QStringLiteral("https://www.googleapis.com/oauth2/v3/userinfo") };
    QUrl driveFilesURL { QStringLiteral("https://www.googleapis.com/drive/v3/files") };
    QUrl uploadFilesURL { QStringLiteral("https://www.googleapis.com/upload/drive/v3/files") };

    // A scope is a name, not an endpoint: it stays the same under a base override.
    static constexpr const char* driveFileScope = "https://www.googleapis.com/auth/drive.file";

    bool isConfigured() const { return !clientID.isEmpty(); }

    // Google's endpoints with scheme, host and port taken from `base`.
    GoogleEndpoints rebased(const QUrl& base) const;

    static GoogleEndpoints fromEnvironment(const platform::UserDefaults& defaults);
};

} // namespace cloud
