#pragma once

// Persistent key-value settings (the user defaults), kept in a JSON file through QSettings so
// that Booleans, numbers, strings and data keep their types across a restart.
//
// The file is "~/.config/Corvale/Corvale.json" unless the environment variable
// CORVALE_USER_DEFAULTS names another file (tests point it at a temporary one).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <mutex>
#include <optional>

class QSettings;

namespace platform {

class UserDefaults {
public:
    explicit UserDefaults(const QString& filePath);
    ~UserDefaults();

    static UserDefaults& standard();
    static QString standardFilePath();

    QString filePath() const;

    bool contains(const QString& key) const;
    QVariant object(const QString& key) const;

    // Stores and writes the file at once.
    void set(const QString& key, const QVariant& value);
    void remove(const QString& key);
    // Every stored key; a key inside a group reads "group/key".
    QStringList allKeys() const;

    // A Boolean as written; a number: true when non-zero; a string: true when "true", "yes"
    // or "1" in any letter case; anything else (or nothing): false.
    bool boolForKey(const QString& key) const;
    // A string as written, a number as its text; otherwise none.
    std::optional<QString> stringForKey(const QString& key) const;
    // Data as written; otherwise none.
    std::optional<QByteArray> dataForKey(const QString& key) const;
    // A number (truncated), a Boolean as 0/1, a string's leading integer; otherwise 0.
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;

    // Reads the file again (another process, or a test, may have changed it).
    void reload();

    // Conversions shared with anything that reads loosely typed stored values.
    static bool boolFromObject(const QVariant& value);
    static std::optional<QString> stringFromObject(const QVariant& value);

private:
    // Writes the file now; a failure is logged (called with the lock held).
    void writeFile();

    mutable std::mutex mutex_;
    std::unique_ptr<QSettings> settings_;
};

} // namespace platform
