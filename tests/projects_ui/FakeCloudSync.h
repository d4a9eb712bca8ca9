#pragma once

// Cloud sync for screen tests: the test sets the published state, every action is counted, and
// re-authentications and trash requests wait until the test completes them.

#include "projects/ui/CloudSync.h"

#include <vector>

namespace projects_ui {

class FakeCloudSync final : public CloudSync {
    Q_OBJECT
public:
    struct Trash {
        QString folderID;
        TrashDone done;
    };

    void set(CloudSyncState state) { publish(std::move(state)); }
    // A copy of the state with one change applied, then published.
    template <class Fn> void change(Fn fn)
    {
        CloudSyncState next = state();
        fn(next);
        publish(std::move(next));
    }

    void signIn() override { ++signIns; }
    void signOut() override { ++signOuts; }
    void syncNow() override { ++syncs; }
    void retrySync() override { ++retries; }
    void refreshCloudProjects() override { ++refreshes; }
    void reAuthenticate(SignInDone done) override { reAuthentications.push_back(std::move(done)); }
    void trashDriveFolder(const QString& folderID, TrashDone done) override
    {
        trashRequests << folderID;
        trashes.push_back(Trash { folderID, std::move(done) });
    }

    // Ends the oldest pending re-authentication (and publishes the signed-in state first when it
    // succeeded, as the real manager does).
    void finishReAuthentication(bool succeeded);
    void finishTrash(const std::optional<QString>& error);

    int signIns = 0;
    int signOuts = 0;
    int syncs = 0;
    int retries = 0;
    int refreshes = 0;
    std::vector<SignInDone> reAuthentications;
    std::vector<Trash> trashes; // still waiting
    QStringList trashRequests; // every folder asked for, in order
};

} // namespace projects_ui
