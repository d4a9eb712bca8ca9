#include "projects/ui/SignedOutCloudSync.h"

#include <QMetaObject>

namespace projects_ui {

namespace {

// Completions are reported after the call that asked for them has returned.
template <class Fn> void later(QObject* owner, Fn fn)
{
    QMetaObject::invokeMethod(owner, std::move(fn), Qt::QueuedConnection);
}

} // namespace

void SignedOutCloudSync::signOut()
{
    setPhase(cloud::CloudSyncPhase::idle);
    setStatusText(QStringLiteral("Signed out"));
}

void SignedOutCloudSync::syncNow()
{
    setPhase(cloud::CloudSyncPhase::failed);
    setStatusText(QStringLiteral("Not connected"));
}

void SignedOutCloudSync::reAuthenticate(std::function<void(bool signedIn)> done)
{
    later(this, [done = std::move(done)] {
        if (done)
            done(false);
    });
}

void SignedOutCloudSync::trashDriveFolder(const QString&, std::function<void(TrashResult)> done)
{
    later(this, [done = std::move(done)] {
        if (done)
            done(platform::fail(cloud::SyncError::noToken()));
    });
}

} // namespace projects_ui
