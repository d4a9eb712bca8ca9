#include "platform/UserDefaults.h"

#include "platform/SystemLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>

namespace platform {

namespace {

// Data has no JSON form of its own: it is stored as {"$data": base64}.
const QString kDataMarker = QStringLiteral("$data");

QJsonValue toJson(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QByteArray:
        return QJsonObject { { kDataMarker, QString::fromLatin1(value.toByteArray().toBase64()) } };
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const auto& item : value.toList())
            array.append(toJson(item));
        return array;
    }
    case QMetaType::QStringList: {
        QJsonArray array;
        for (const auto& item : value.toStringList())
            array.append(item);
        return array;
    }
    case QMetaType::QVariantMap: {
        QJsonObject object;
        const auto map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            object.insert(it.key(), toJson(it.value()));
        return object;
    }
    default:
        return QJsonValue::fromVariant(value);
    }
}

QVariant fromJson(const QJsonValue& value)
{
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        if (object.size() == 1 && object.contains(kDataMarker) && object.value(kDataMarker).isString())
            return QByteArray::fromBase64(object.value(kDataMarker).toString().toLatin1());
        QVariantMap map;
        for (auto it = object.begin(); it != object.end(); ++it)
            map.insert(it.key(), fromJson(it.value()));
        return map;
    }
    if (value.isArray()) {
        QVariantList list;
        for (const auto& item : value.toArray())
            list.append(fromJson(item));
        return list;
    }
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (d == static_cast<double>(static_cast<qint64>(d)) && std::abs(d) < 9.0e15)
            return static_cast<qint64>(d);
        return d;
    }
    return value.toVariant();
}

bool readJson(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray bytes = device.readAll();
    if (bytes.trimmed().isEmpty())
        return true;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        // Never lose what the user had: keep the unreadable file beside the new one.
        if (auto* file = qobject_cast<QFile*>(&device)) {
            const QString backup = file->fileName() + QStringLiteral(".unreadable-")
                + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
            QFile::copy(file->fileName(), backup);
            systemLog("Corvale: settings file %s is not valid JSON (%s); kept as %s", qPrintable(file->fileName()),
                qPrintable(error.errorString()), qPrintable(backup));
        }
        return false;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it)
        map.insert(it.key(), fromJson(it.value()));
    return true;
}

bool writeJson(QIODevice& device, const QSettings::SettingsMap& map)
{
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it)
        object.insert(it.key(), toJson(it.value()));
    return device.write(QJsonDocument(object).toJson(QJsonDocument::Indented)) >= 0;
}

QSettings::Format jsonFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("json"), readJson, writeJson);
    return format;
}

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

} // namespace

UserDefaults::UserDefaults(const QString& filePath)
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    settings_ = std::make_unique<QSettings>(filePath, jsonFormat());
}

UserDefaults::~UserDefaults()
{
    std::lock_guard lock(mutex_);
    settings_->sync();
}

QString UserDefaults::standardFilePath()
{
    const QByteArray overridePath = qgetenv("CORVALE_USER_DEFAULTS");
    if (!overridePath.isEmpty())
        return QString::fromLocal8Bit(overridePath);
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Corvale/Corvale.json");
}

UserDefaults& UserDefaults::standard()
{
    static UserDefaults defaults(standardFilePath());
    return defaults;
}

QString UserDefaults::filePath() const
{
    std::lock_guard lock(mutex_);
    return settings_->fileName();
}

bool UserDefaults::contains(const QString& key) const
{
    std::lock_guard lock(mutex_);
    return settings_->contains(key);
}

QVariant UserDefaults::object(const QString& key) const
{
    std::lock_guard lock(mutex_);
    return settings_->value(key);
}

void UserDefaults::set(const QString& key, const QVariant& value)
{
    std::lock_guard lock(mutex_);
    if (!value.isValid())
        settings_->remove(key);
    else
        settings_->setValue(key, value);
    writeFile();
}

void UserDefaults::remove(const QString& key)
{
    std::lock_guard lock(mutex_);
    settings_->remove(key);
    writeFile();
}

QStringList UserDefaults::allKeys() const
{
    std::lock_guard lock(mutex_);
    return settings_->allKeys();
}

void UserDefaults::writeFile()
{
    settings_->sync();
    if (settings_->status() == QSettings::AccessError)
        systemLog("Corvale: cannot write settings file %s", qPrintable(settings_->fileName()));
}

void UserDefaults::reload()
{
    std::lock_guard lock(mutex_);
    const QString path = settings_->fileName();
    settings_.reset();
    settings_ = std::make_unique<QSettings>(path, jsonFormat());
}

bool UserDefaults::boolFromObject(const QVariant& value)
{
    if (!value.isValid())
        return false;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (isNumber(value))
        return value.toDouble() != 0.0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().toLower();
        return text == QLatin1String("true") || text == QLatin1String("yes") || text == QLatin1String("1");
    }
    return false;
}

std::optional<QString> UserDefaults::stringFromObject(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (isNumber(value))
        return value.toString();
    return std::nullopt;
}

bool UserDefaults::boolForKey(const QString& key) const
{
    return boolFromObject(object(key));
}

std::optional<QString> UserDefaults::stringForKey(const QString& key) const
{
    return stringFromObject(object(key));
}

std::optional<QByteArray> UserDefaults::dataForKey(const QString& key) const
{
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    return std::nullopt;
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    if (isNumber(value))
        return static_cast<qint64>(value.toDouble());
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        int end = 0;
        if (end < text.size() && (text[end] == QLatin1Char('-') || text[end] == QLatin1Char('+')))
            ++end;
        while (end < text.size() && text[end].isDigit())
            ++end;
        return text.left(end).toLongLong();
    }
    return 0;
}

double UserDefaults::doubleForKey(const QString& key) const
{
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1.0 : 0.0;
    if (isNumber(value))
        return value.toDouble();
    if (value.typeId() == QMetaType::QString)
        return value.toString().trimmed().toDouble();
    return 0.0;
}

} // namespace platform
