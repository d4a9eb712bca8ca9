#pragma once

// Secrets of one service, by account: the desktop's Secret Service through QtKeychain when it
// answers, else a file that only the user can read.
//
// When the keychain reports an error (no Secret Service on the session bus, a locked collection,
// a hung daemon) the secret goes to a JSON file instead of being lost: folder 0700, file 0600,
// written atomically. The first fallback is logged once. Reads look in the file first, because it
// holds an entry only while the keychain could not take a newer value; a keychain write that works
// drops the file's entry. Removal clears both.
//
// Threads: every member may be called from any thread; calls are serialised and block until the
// keychain answers (at most `timeoutSeconds`). QtKeychain's jobs all run on one thread,
// "Corvale.Keychain", started at the first use and kept for the life of the process, so no
// caller's event loop is re-entered.

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>

namespace platform {

class Keychain {
public:
    // `fallbackFilePath`: the file used when the keychain fails. Without `useSystemKeychain` only
    // the file is used (tests, which must never touch the user's own keyring).
    Keychain(QString service, QString fallbackFilePath, bool useSystemKeychain = true, double timeoutSeconds = 10.0);
    ~Keychain();

    Keychain(const Keychain&) = delete;
    Keychain& operator=(const Keychain&) = delete;

    // "secrets.json" beside the user-defaults file.
    static QString defaultFallbackPath();

    const QString& service() const { return service_; }
    const QString& fallbackFilePath() const { return fallbackPath_; }

    std::optional<QByteArray> read(const QString& account);
    void write(const QString& account, const QByteArray& data);
    void remove(const QString& account);

    // True once a write has gone to the file because the keychain failed.
    bool usedFallback() const;

private:
    enum class JobKind { read, write, remove }; // 0, 1, 2 on the keychain thread
    struct JobResult {
        bool ok = false;
        bool notFound = false;
        QByteArray data;
        QString error;
    };

    JobResult runJob(JobKind kind, const QString& account, const QByteArray& data);
    std::optional<QByteArray> readFile(const QString& account) const;
    bool updateFile(const QString& account, const std::optional<QByteArray>& data);
    void noteFallback(const QString& reason);

    const QString service_;
    const QString fallbackPath_;
    const bool useSystemKeychain_;
    const double timeoutSeconds_;
    mutable std::mutex mutex_;
    bool loggedFallback_ = false;
    bool usedFallback_ = false;
};

} // namespace platform
