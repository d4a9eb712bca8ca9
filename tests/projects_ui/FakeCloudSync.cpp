#include "FakeCloudSync.h"

#include <gtest/gtest.h>

namespace projects_ui {

void FakeCloudSync::finishReAuthentication(bool succeeded)
{
    ASSERT_FALSE(reAuthentications.empty()) << "no re-authentication is waiting";
    auto done = std::move(reAuthentications.front());
    reAuthentications.erase(reAuthentications.begin());
    if (succeeded)
        setIsSignedIn(true);
    if (done)
        done(succeeded);
}

void FakeCloudSync::finishTrash(const std::optional<QString>& error)
{
    ASSERT_FALSE(trashes.empty()) << "no trash request is waiting";
    auto done = std::move(trashes.front().done);
    trashes.erase(trashes.begin());
    if (!done)
        return;
    if (error)
        done(platform::fail(cloud::SyncError::uploadFailed(*error)));
    else
        done(TrashResult::success());
}

} // namespace projects_ui
