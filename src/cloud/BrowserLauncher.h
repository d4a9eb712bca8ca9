#pragma once

// Opens a web page in the user's browser; injectable so tests can follow the page themselves.
// Returns false when no browser could be started.

#include <QUrl>

#include <functional>

namespace cloud {

using BrowserLauncher = std::function<bool(const QUrl& url)>;

// The desktop's default browser, through xdg-open.
bool openInSystemBrowser(const QUrl& url);

} // namespace cloud
