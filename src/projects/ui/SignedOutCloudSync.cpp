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
    CloudSyncState next;
    next.statusText = QStringLiteral("Signed out");
    publish(next);
}

void SignedOutCloudSync::syncNow()
{
    CloudSyncState next = state();
    next.phase = CloudSyncPhase::failed;
    next.statusText = QStringLiteral("Not connected");
    publish(next);
}

void SignedOutCloudSync::reAuthenticate(SignInDone done)
{
    later(this, [done = std::move(done)] {
        if (done)
            done(false);
    });
}

void SignedOutCloudSync::trashDriveFolder(const QString&, TrashDone done)
{
    later(this, [done = std::move(done)] {
        if (done)
            done(QStringLiteral("Not signed in to Google Drive."));
    });
}

} // namespace projects_ui
