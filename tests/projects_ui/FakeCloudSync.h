#pragma once

// Cloud sync for screen tests: the test sets the published state, every action is counted, and
// re-authentications and trash requests wait until the test completes them.

#include "cloud/CloudSync.h"

#include <vector>

namespace projects_ui {

class FakeCloudSync final : public cloud::CloudSync {
    Q_OBJECT
public:
    // Everything the screens read, published together by change().
    struct State {
        bool isSignedIn = false;
        std::optional<QString> signedInEmail;
        cloud::CloudSyncPhase phase = cloud::CloudSyncPhase::idle;
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
    };
    struct Trash {
        QString folderID;
        std::function<void(TrashResult)> done;
    };

    // Applies `fn` to the current state and publishes every property.
    template <class Fn> void change(Fn fn)
    {
        fn(state_);
        publish();
    }

    void signIn() override { ++signIns; }
    void signOut() override { ++signOuts; }
    void syncNow() override { ++syncs; }
    void retrySync() override { ++retries; }
    void refreshCloudProjects() override { ++refreshes; }
    void reAuthenticate(std::function<void(bool)> done) override { reAuthentications.push_back(std::move(done)); }
    void trashDriveFolder(const QString& folderID, std::function<void(TrashResult)> done) override
    {
        trashRequests << folderID;
        trashes.push_back(Trash { folderID, std::move(done) });
    }

    // Ends the oldest pending re-authentication (publishing the signed-in state first when it
    // succeeded, as the real manager does).
    void finishReAuthentication(bool succeeded);
    // Ends the oldest pending trash request; an error is a failed Drive answer with that text.
    void finishTrash(const std::optional<QString>& error);

    int signIns = 0;
    int signOuts = 0;
    int syncs = 0;
    int retries = 0;
    int refreshes = 0;
    std::vector<std::function<void(bool)>> reAuthentications;
    std::vector<Trash> trashes; // still waiting
    QStringList trashRequests; // every folder asked for, in order

private:
    void publish();

    State state_;
};

} // namespace projects_ui
