#pragma once

// Cloud sync for a station without it: always signed out, with no projects in Drive. Signing in
// fails at once, so a cloud delete ends with the authentication error instead of waiting; a trash
// request fails as a request without an access token does.

#include "cloud/CloudSync.h"

namespace projects_ui {

class SignedOutCloudSync final : public cloud::CloudSync {
    Q_OBJECT
public:
    using CloudSync::CloudSync;

    void signIn() override { }
    void signOut() override;
    void syncNow() override;
    void retrySync() override { syncNow(); }
    void refreshCloudProjects() override { }
    void reAuthenticate(std::function<void(bool signedIn)> done) override;
    void trashDriveFolder(const QString& folderID, std::function<void(TrashResult)> done) override;
};

} // namespace projects_ui
