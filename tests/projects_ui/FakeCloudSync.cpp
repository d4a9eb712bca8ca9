#include "FakeCloudSync.h"

#include <gtest/gtest.h>

namespace projects_ui {

void FakeCloudSync::publish()
{
    setIsSignedIn(state_.isSignedIn);
    setSignedInEmail(state_.signedInEmail);
    setPhase(state_.phase);
    setStatusText(state_.statusText);
    setPendingCount(state_.pendingCount);
    setIsSyncing(state_.isSyncing);
    setCanRetry(state_.canRetry);
    setFailedItems(state_.failedItems);
    setCurrentUploadName(state_.currentUploadName);
    setCurrentUploadProgress(state_.currentUploadProgress);
    setCurrentDownloadName(state_.currentDownloadName);
    setCurrentDownloadProgress(state_.currentDownloadProgress);
    setCloudListLoaded(state_.cloudListLoaded);
    setCloudProjectIDs(state_.cloudProjectIDs);
}

void FakeCloudSync::finishReAuthentication(bool succeeded)
{
    ASSERT_FALSE(reAuthentications.empty()) << "no re-authentication is waiting";
    auto done = std::move(reAuthentications.front());
    reAuthentications.erase(reAuthentications.begin());
    if (succeeded)
        change([](State& s) { s.isSignedIn = true; });
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
