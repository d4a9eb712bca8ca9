#pragma once

// What the project screens see of cloud sync: the published state of the Drive status card and
// the actions its buttons call. GoogleDriveSyncManager is the real one; tests and the shell's
// stand-in derive their own.
//
// Threads: main thread only. Setters store and emit on every assignment, repeated values
// included, like the published properties they stand for.

#include "cloud/CloudSyncPhase.h"
#include "cloud/SyncError.h"
#include "platform/Result.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <optional>

namespace cloud {

class CloudSync : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isSignedIn READ isSignedIn NOTIFY isSignedInChanged)
    Q_PROPERTY(std::optional<QString> signedInEmail READ signedInEmail NOTIFY signedInEmailChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(int pendingCount READ pendingCount NOTIFY pendingCountChanged)
    Q_PROPERTY(std::optional<QDateTime> lastSyncAt READ lastSyncAt NOTIFY lastSyncAtChanged)
    Q_PROPERTY(bool isSyncing READ isSyncing NOTIFY isSyncingChanged)
    Q_PROPERTY(std::optional<QString> currentUploadName READ currentUploadName NOTIFY currentUploadNameChanged)
    Q_PROPERTY(double currentUploadProgress READ currentUploadProgress NOTIFY currentUploadProgressChanged)
    Q_PROPERTY(std::optional<QString> currentDownloadName READ currentDownloadName NOTIFY currentDownloadNameChanged)
    Q_PROPERTY(double currentDownloadProgress READ currentDownloadProgress NOTIFY currentDownloadProgressChanged)
    Q_PROPERTY(CloudSyncPhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(bool canRetry READ canRetry NOTIFY canRetryChanged)
    Q_PROPERTY(QStringList failedItems READ failedItems NOTIFY failedItemsChanged)
    Q_PROPERTY(QSet<QUuid> cloudProjectIDs READ cloudProjectIDs NOTIFY cloudProjectIDsChanged)
    Q_PROPERTY(bool cloudListLoaded READ cloudListLoaded NOTIFY cloudListLoadedChanged)

public:
    using TrashResult = platform::Result<void, SyncError>;

    explicit CloudSync(QObject* parent = nullptr);
    ~CloudSync() override;

    bool isSignedIn() const { return isSignedIn_; }
    const std::optional<QString>& signedInEmail() const { return signedInEmail_; }
    const QString& statusText() const { return statusText_; }
    int pendingCount() const { return pendingCount_; }
    const std::optional<QDateTime>& lastSyncAt() const { return lastSyncAt_; }
    bool isSyncing() const { return isSyncing_; }
    const std::optional<QString>& currentUploadName() const { return currentUploadName_; }
    double currentUploadProgress() const { return currentUploadProgress_; }
    const std::optional<QString>& currentDownloadName() const { return currentDownloadName_; }
    double currentDownloadProgress() const { return currentDownloadProgress_; }
    CloudSyncPhase phase() const { return phase_; }
    bool canRetry() const { return canRetry_; }
    const QStringList& failedItems() const { return failedItems_; }
    const QSet<QUuid>& cloudProjectIDs() const { return cloudProjectIDs_; }
    bool cloudListLoaded() const { return cloudListLoaded_; }

    // Each returns at once; outcomes arrive through the published state.
    virtual void signIn() = 0;
    virtual void signOut() = 0;
    virtual void syncNow() = 0;
    virtual void retrySync() = 0;
    virtual void refreshCloudProjects() = 0;
    // A sign-in that asks for the account and consent again. `done` runs on the main thread when
    // this sign-in ends: true when it signed in, false when it was cancelled or failed.
    virtual void reAuthenticate(std::function<void(bool signedIn)> done = {}) = 0;
    // Moves a Drive folder to the trash; `done` runs on the main thread with the outcome.
    virtual void trashDriveFolder(const QString& folderID, std::function<void(TrashResult)> done) = 0;

signals:
    void isSignedInChanged(bool value);
    void signedInEmailChanged(const std::optional<QString>& value);
    void statusTextChanged(const QString& value);
    void pendingCountChanged(int value);
    void lastSyncAtChanged(const std::optional<QDateTime>& value);
    void isSyncingChanged(bool value);
    void currentUploadNameChanged(const std::optional<QString>& value);
    void currentUploadProgressChanged(double value);
    void currentDownloadNameChanged(const std::optional<QString>& value);
    void currentDownloadProgressChanged(double value);
    void phaseChanged(CloudSyncPhase value);
    void canRetryChanged(bool value);
    void failedItemsChanged(const QStringList& value);
    void cloudProjectIDsChanged(const QSet<QUuid>& value);
    void cloudListLoadedChanged(bool value);

protected:
    void setIsSignedIn(bool value);
    void setSignedInEmail(const std::optional<QString>& value);
    void setStatusText(const QString& value);
    void setPendingCount(int value);
    void setLastSyncAt(const std::optional<QDateTime>& value);
    void setIsSyncing(bool value);
    void setCurrentUploadName(const std::optional<QString>& value);
    void setCurrentUploadProgress(double value);
    void setCurrentDownloadName(const std::optional<QString>& value);
    void setCurrentDownloadProgress(double value);
    void setPhase(CloudSyncPhase value);
    void setCanRetry(bool value);
    void setFailedItems(const QStringList& value);
    void setCloudProjectIDs(const QSet<QUuid>& value);
    void setCloudListLoaded(bool value);

private:
    bool isSignedIn_ = false;
    std::optional<QString> signedInEmail_;
    QString statusText_;
    int pendingCount_ = 0;
    std::optional<QDateTime> lastSyncAt_;
    bool isSyncing_ = false;
    std::optional<QString> currentUploadName_;
    double currentUploadProgress_ = 0.0;
    std::optional<QString> currentDownloadName_;
    double currentDownloadProgress_ = 0.0;
    CloudSyncPhase phase_ = CloudSyncPhase::idle;
    bool canRetry_ = false;
    QStringList failedItems_;
    QSet<QUuid> cloudProjectIDs_;
    bool cloudListLoaded_ = false;
};

} // namespace cloud
