#pragma once

// The keychain items of cloud sync, service "Corvale.GoogleDrive": the Google refresh token and
// the Drive root folder identifier, by account.
//
// Threads: any thread (platform::Keychain serialises the calls).

#include "platform/Keychain.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace cloud {

class KeychainStore {
public:
    static constexpr const char* service = "Corvale.GoogleDrive";
    static constexpr const char* refreshTokenKey = "refresh_token";
    static constexpr const char* driveRootKey = "drive_root_folder_id";

    explicit KeychainStore(
        QString fallbackFilePath = platform::Keychain::defaultFallbackPath(), bool useSystemKeychain = true);

    std::optional<QByteArray> getData(const QString& account);
    void setData(const QByteArray& data, const QString& account);
    void deleteItem(const QString& account);

    // The item as UTF-8 text; none when absent or not valid UTF-8.
    std::optional<QString> getText(const QString& account);

private:
    platform::Keychain keychain_;
};

} // namespace cloud
