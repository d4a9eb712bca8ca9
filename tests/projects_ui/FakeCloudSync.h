#pragma once

// Cloud sync for screen tests: the test publishes the state through the setters, every action is
// counted, and re-authentications and trash requests wait until the test completes them.

#include "cloud/CloudSync.h"

#include <vector>

namespace projects_ui {

class FakeCloudSync final : public cloud::CloudSync {
    Q_OBJECT
public:
    using CloudSync::setCanRetry;
    using CloudSync::setCloudListLoaded;
    using CloudSync::setCloudProjectIDs;
    using CloudSync::setCurrentDownloadName;
    using CloudSync::setCurrentDownloadProgress;
    using CloudSync::setCurrentUploadName;
    using CloudSync::setCurrentUploadProgress;
    using CloudSync::setFailedItems;
    using CloudSync::setIsSignedIn;
    using CloudSync::setIsSyncing;
    using CloudSync::setPendingCount;
    using CloudSync::setPhase;
    using CloudSync::setSignedInEmail;
    using CloudSync::setStatusText;

    struct Trash {
        QString folderID;
        std::function<void(TrashResult)> done;
    };

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
};

} // namespace projects_ui
