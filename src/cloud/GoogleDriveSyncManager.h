#pragma once

// Cloud sync: Google sign-in and tokens, the Drive client, each cloud project's pending uploads,
// and the passes that keep the library and the current project in step with Drive.
//
// Files by concern:
//   GoogleDriveSyncManager.cpp            start-up, observers, the sync timer, entry operations
//   GoogleDriveSyncManager_SignIn.cpp     browser sign-in with PKCE, sign-out, token updates
//   GoogleDriveSyncManager_SyncState.cpp  the sync-state file and pending uploads
//   GoogleDriveSyncManager_Passes.cpp     full sync, list refresh and project download
//   GoogleDriveSyncManager_Project.cpp    project synchronisation: enqueue, uploads, conflicts
//
// Threads: the published state and every public member belong to the main thread. Network work
// runs as jobs on the CloudWorker "Corvale.CloudSync", one at a time; jobs report back with
// platform::runOnMain, in order. The worker is stopped before anything it uses is destroyed.

#include "cloud/BrowserLauncher.h"
#include "cloud/CloudProjectLibrary.h"
#include "cloud/CloudSync.h"
#include "cloud/CloudSyncState.h"
#include "cloud/CloudWorker.h"
#include "cloud/ConflictPrompter.h"
#include "cloud/DriveClient.h"
#include "cloud/GoogleAuthClient.h"
#include "cloud/GoogleEndpoints.h"
#include "platform/MainThread.h"
#include "platform/Scheduler.h"
#include "settings/CloudSyncInterval.h"

#include <QMap>
#include <QPointer>
#include <QSet>
#include <QUrl>

#include <atomic>
#include <memory>
#include <optional>

namespace platform {
class MediaClock;
class NotificationCenter;
class UserDefaults;
} // namespace platform

namespace settings {
class AppSettings;
}

namespace cloud {

class KeychainStore;
class LoopbackRedirectListener;

class GoogleDriveSyncManager : public CloudSync {
    Q_OBJECT
public:
    struct Dependencies {
        settings::AppSettings& settings;
        platform::UserDefaults& defaults;
        KeychainStore& keychain;
        CloudProjectLibrary& library;
        platform::Scheduler& scheduler;
        platform::MediaClock& clock;
        platform::NotificationCenter& notifications;
        GoogleEndpoints endpoints;
        BrowserLauncher browser = openInSystemBrowser;
        ConflictPrompter* prompter = nullptr; // none: every duplicate name cancels the run
    };

    using DuplicateConflictAction = cloud::DuplicateConflictAction;
    using RemoteFiles = QMap<QString, QList<DriveFile>>;
    template <class T> using Result = DriveClient::Result<T>;

    static constexpr const char* projectMetadataFilename = ".corvale_project.json";
    static constexpr const char* playlistFilename = "playlist.json";
    static constexpr const char* syncStateFilename = ".corvale_cloud.json";
    static constexpr const char* signedInEmailKey = "google_signed_in_email";
    static constexpr const char* recordingFinishedNotification = "corvaleRecordingFinished";

    explicit GoogleDriveSyncManager(Dependencies dependencies, QObject* parent = nullptr);
    ~GoogleDriveSyncManager() override;

    void signIn() override;
    void signOut() override;
    void syncNow() override;
    void retrySync() override;
    void refreshCloudProjects() override;
    void reAuthenticate(std::function<void(bool signedIn)> done = {}) override;
    void trashDriveFolder(const QString& folderID, std::function<void(TrashResult)> done) override;

    // Adds a finished recording of the current cloud project to its pending uploads (by name).
    void enqueueFileForCurrentProject(const QString& filePath);
    // Publishes the current project's pending count and last sync date.
    void refreshPendingCount();
    void saveSyncState(const CloudSyncState& state, const CloudProjectLibrary::Project& project);

    // PKCE: 64 characters from the unreserved set, and its S256 challenge (base64url, no padding).
    static QString makeCodeVerifier();
    static QString makeCodeChallenge(const QString& verifier);

    // A name of a media file: mov, mp4, mxf, mpg, m2v, wav, aiff, aif, aac in any letter case.
    static bool isMediaSyncFile(const QString& filename);
    // The Drive file other than the tracked one that carries the name, if any.
    static std::optional<DriveFile> duplicateConflictRemoteFile(
        const QString& filename, const std::optional<QString>& trackedFileID, const RemoteFiles& remoteByName);
    // "clip.mov" with "_Local": clip_Local.mov, clip_Local2.mov … clip_Local9999.mov, then a random tail.
    static QString uniqueSuffixedFilename(
        const QString& filename, const QString& suffix, const QSet<QString>& existing);
    // Writes the record's ".corvale_project.json" into its folder; none when it was not written.
    static std::optional<QString> writeProjectMetadata(
        const CloudProjectLibrary::Project& project, const std::optional<QString>& driveFolderID);
    // A name a Drive listing or a state file may hand us for a local file: one path component.
    static bool isPlainFilename(const QString& name);

    const GoogleEndpoints& endpoints() const { return auth_->endpoints(); }
    bool hasSyncTimer() const { return syncTimer_.has_value(); }

signals:
    // A project sync is about to read the project folder: unsaved playlist edits go to disk now.
    void projectSyncStarting();
    // A project file was replaced from Drive (the playback engine reloads its playlist).
    void projectFileReplaced(const QString& filePath);
    // Keep Both gave a local file a new name (clips pointing at the old path follow it).
    void localFileRenamed(const QString& oldPath, const QString& newPath);

protected:
    // Worker thread: the passes that the entry operations and the timer start.
    virtual void runFullSyncNow();
    virtual void refreshCloudProjectsNow(bool updateStatus);
    void syncCurrentProjectNow();
    Result<std::optional<projects::ProjectMetadata>> fetchProjectMetadata(const QString& folderID);
    Result<void> syncProjectDataFromCloud(
        const CloudProjectLibrary::Project& project, const QString& driveFolderID, CloudSyncState& state);
    void enqueueProjectFiles(const CloudProjectLibrary::Project& project, CloudSyncState& state,
        const std::optional<QString>& driveFolderID);
    DuplicateConflictAction promptDuplicateConflict(const QString& filename);
    Result<std::pair<QString, QString>> keepBothRename(const QString& originalFilename, const QString& localPath,
        const DriveFile& remoteFile, const QString& projectFolder, RemoteFiles& remoteByName, CloudSyncState& state);
    // Worker thread: runs `block` on the main thread and waits until it calls its `finish`; false
    // when the worker stops first (the block may then never run).
    bool waitForMain(std::function<void(std::function<void()> finish)> block);
    bool callOnMain(std::function<void()> block)
    {
        return waitForMain([block = std::move(block)](const std::function<void()>& finish) {
            block();
            finish();
        });
    }

    CloudWorker& worker() { return *worker_; }
    GoogleAuthClient& auth() { return *auth_; }
    DriveClient& drive() { return *drive_; }
    CloudProjectLibrary& library() { return deps_.library; }

private:
    struct Authorization {
        QString prompt;
        QString codeVerifier;
        QString state;
        QString redirectURI;
        bool isReauthentication = false;
        bool retriedAccountChoice = false;
        std::function<void(bool)> done;
    };

    void scheduleTimer(settings::CloudSyncInterval interval);
    void observeSyncInterval();
    void observeRecordingFinished();
    void observeProjectChanges();

    void startAuthorization(Authorization authorization);
    void handleAuthCallback(const std::optional<QUrl>& callbackURL, const std::optional<QString>& error);
    void exchangeCodeForToken(const QString& code);
    void finishAuthorization(bool signedIn);
    void applyAuthUpdate(const GoogleAuthClient::Update& update);
    void closeListener();
    void reportUploadProgress(double fraction);
    // Any thread: runs `block` on the main thread unless the manager is gone by then.
    void postToMain(std::function<void()> block) const;

    Dependencies deps_;
    platform::LivenessFlag alive_;
    const platform::LivenessFlag::Token aliveToken_ = alive_.token(); // read by the worker
    std::unique_ptr<CloudWorker> worker_;
    std::unique_ptr<GoogleAuthClient> auth_;
    std::unique_ptr<DriveClient> drive_;
    std::optional<platform::Scheduler::TimerId> syncTimer_;
    std::optional<Authorization> authorization_;
    QPointer<LoopbackRedirectListener> listener_;
    // Upload progress arrives on the worker many times a second; the main thread takes the latest.
    std::atomic<double> uploadProgress_ { 0.0 };
    std::atomic<bool> uploadProgressPosted_ { false };
    // A full sync is queued on the worker and has not started: another request joins it.
    std::atomic<bool> fullSyncQueued_ { false };
};

} // namespace cloud
