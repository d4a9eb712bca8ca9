#include "FakeCloudSync.h"

#include <gtest/gtest.h>

namespace projects_ui {

void FakeCloudSync::finishReAuthentication(bool succeeded)
{
    ASSERT_FALSE(reAuthentications.empty()) << "no re-authentication is waiting";
    SignInDone done = std::move(reAuthentications.front());
    reAuthentications.erase(reAuthentications.begin());
    if (succeeded)
        change([](CloudSyncState& s) { s.isSignedIn = true; });
    if (done)
        done(succeeded);
}

void FakeCloudSync::finishTrash(const std::optional<QString>& error)
{
    ASSERT_FALSE(trashes.empty()) << "no trash request is waiting";
    TrashDone done = std::move(trashes.front().done);
    trashes.erase(trashes.begin());
    if (done)
        done(error);
}

} // namespace projects_ui
