#pragma once

// The permission level of each remote client key for this run. Levels are granted only by the
// operator's answer to a permission request; a later answer replaces a level, nothing withdraws
// one, and nothing is stored.
//
// Threads: main thread only (asserted).

#include <QHash>
#include <QObject>
#include <QString>

#include <optional>

namespace remote {

class AuthGate : public QObject {
    Q_OBJECT

public:
    enum class PermissionLevel { none = 0, view = 1, control = 2 };

    // A raw value outside 0...2 gives no level.
    static std::optional<PermissionLevel> levelFromRaw(int raw);
    static QString levelName(PermissionLevel level);

    explicit AuthGate(QObject* parent = nullptr);

    void set(PermissionLevel level, const QString& clientKey);
    PermissionLevel level(const QString& clientKey) const;
    bool hasView(const QString& clientKey) const;
    bool hasControl(const QString& clientKey) const;

private:
    QHash<QString, PermissionLevel> permissions_;
};

} // namespace remote
