#include "cloud/BrowserLauncher.h"

#include <QProcess>

namespace cloud {

bool openInSystemBrowser(const QUrl& url)
{
    return QProcess::startDetached(QStringLiteral("xdg-open"), { url.toString(QUrl::FullyEncoded) });
}

} // namespace cloud
