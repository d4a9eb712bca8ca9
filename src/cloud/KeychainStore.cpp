#include "cloud/KeychainStore.h"

#include <QStringDecoder>

namespace cloud {

KeychainStore::KeychainStore(QString fallbackFilePath, bool useSystemKeychain)
    : keychain_(QString::fromLatin1(service), std::move(fallbackFilePath), useSystemKeychain)
{
}

std::optional<QByteArray> KeychainStore::getData(const QString& account)
{
    return keychain_.read(account);
}

void KeychainStore::setData(const QByteArray& data, const QString& account)
{
    keychain_.write(account, data);
}

void KeychainStore::deleteItem(const QString& account)
{
    keychain_.remove(account);
}

std::optional<QString> KeychainStore::getText(const QString& account)
{
    const std::optional<QByteArray> data = getData(account);
    if (!data)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(*data);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace cloud
