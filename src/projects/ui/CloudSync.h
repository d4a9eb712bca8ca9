#pragma once

// What the project screens need of cloud sync: the published Google Drive state (sign-in, phase,
// status, transfers, failures, the projects found in Drive) and the actions the screens start.
//
// The state is held here and published as a whole: an implementation assigns a new CloudSyncState
// with publish(), which emits stateChanged() on every assignment (also one that changes nothing);
// screens compare with what they saw before when they react to changes only.
//
// Threads: main thread only. Every action returns at once; the two with a completion call it
// later, on the main thread, exactly once (an implementation that is destroyed first never calls).

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <optional>

namespace projects_ui {

enum class CloudSyncPhase { idle, refreshing, downloading, uploading, complete, partial, failed };

// "Idle", "Refreshing", ... as the phase pill shows it.
QString title(CloudSyncPhase phase);

struct CloudSyncState {
    bool isSignedIn = false;
    std::optional<QString> signedInEmail;
    CloudSyncPhase phase = CloudSyncPhase::idle;
    QString statusText;
    int pendingCount = 0;
    bool isSyncing = false;
    bool canRetry = false;
    QStringList failedItems;
    std::optional<QString> currentUploadName;
    double currentUploadProgress = 0.0;
    std::optional<QString> currentDownloadName;
    double currentDownloadProgress = 0.0;
    bool cloudListLoaded = false;
    QSet<QUuid> cloudProjectIDs;

    bool operator==(const CloudSyncState&) const = default;
};

class CloudSync : public QObject {
    Q_OBJECT
public:
    // The end of a re-authentication: true only when this sign-in succeeded.
    using SignInDone = std::function<void(bool succeeded)>;
    // The end of a Drive trash: none on success, else a short description of the failure.
    using TrashDone = std::function<void(const std::optional<QString>& error)>;

    using QObject::QObject;

    const CloudSyncState& state() const { return state_; }
    bool isSignedIn() const { return state_.isSignedIn; }
    bool cloudListLoaded() const { return state_.cloudListLoaded; }
    const QSet<QUuid>& cloudProjectIDs() const { return state_.cloudProjectIDs; }

    virtual void signIn() = 0;
    virtual void signOut() = 0;
    // A full synchronisation: the cloud project list, then the current project when it is a cloud one.
    virtual void syncNow() = 0;
    virtual void retrySync() = 0;
    // Lists the project folders in Drive and hands their records to the library.
    virtual void refreshCloudProjects() = 0;
    // A fresh sign-in that asks for login and consent again; does not sign out first.
    virtual void reAuthenticate(SignInDone done) = 0;
    // Moves a project's Drive folder to the Drive trash.
    virtual void trashDriveFolder(const QString& folderID, TrashDone done) = 0;

signals:
    void stateChanged();

protected:
    void publish(CloudSyncState next);

private:
    CloudSyncState state_;
};

} // namespace projects_ui
