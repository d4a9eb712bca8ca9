#include "cloud/GoogleDriveSyncManager.h"

#include "cloud/KeychainStore.h"
#include "cloud/LoopbackRedirectListener.h"
#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "settings/AppSettings.h"

namespace cloud {

GoogleDriveSyncManager::GoogleDriveSyncManager(Dependencies dependencies, QObject* parent)
    : CloudSync(parent)
    , deps_(std::move(dependencies))
    , worker_(std::make_unique<CloudWorker>())
{
    Q_ASSERT(platform::isMainThread());
    auth_ = std::make_unique<GoogleAuthClient>(*worker_, deps_.keychain, deps_.endpoints, deps_.clock,
        [this](const GoogleAuthClient::Update& update) { postToMain([this, update] { applyAuthUpdate(update); }); });
    drive_ = std::make_unique<DriveClient>(
        *worker_, *auth_, deps_.keychain, [this](double fraction) { reportUploadProgress(fraction); });

    // Signed in, unconfirmed, while a refresh token is stored; the start-up refresh settles it.
    if (deps_.keychain.getText(QString::fromLatin1(KeychainStore::refreshTokenKey))) {
        setIsSignedIn(true);
        const std::optional<QString> email = deps_.defaults.stringForKey(QString::fromLatin1(signedInEmailKey));
        setSignedInEmail(email);
        auth_->setKnownEmail(email);
    }
    worker_->start();
    worker_->post([this] { auth_->refreshAccessTokenIfNeeded(); });

    observeSyncInterval();
    observeRecordingFinished();
    observeProjectChanges();
}

GoogleDriveSyncManager::~GoogleDriveSyncManager()
{
    closeListener();
    if (syncTimer_)
        deps_.scheduler.cancel(*syncTimer_);
    worker_->stop();
}

void GoogleDriveSyncManager::observeSyncInterval()
{
    scheduleTimer(deps_.settings.cloudSyncInterval());
    connect(&deps_.settings, &settings::AppSettings::cloudSyncIntervalChanged, this,
        [this](settings::CloudSyncInterval interval) { scheduleTimer(interval); });
}

void GoogleDriveSyncManager::scheduleTimer(settings::CloudSyncInterval interval)
{
    if (syncTimer_) {
        deps_.scheduler.cancel(*syncTimer_);
        syncTimer_.reset();
    }
    const std::optional<double> period = settings::seconds(interval);
    if (!period)
        return;
    QPointer<GoogleDriveSyncManager> self(this);
    syncTimer_ = deps_.scheduler.repeating(*period, [self] {
        if (self)
            self->syncNow();
    });
}

void GoogleDriveSyncManager::observeRecordingFinished()
{
    deps_.notifications.addObserver(
        QString::fromLatin1(recordingFinishedNotification), this, [this](const QVariantMap& userInfo) {
            // The file arrives as a URL or as text (a file URL or a plain path).
            const QVariant value = userInfo.value(QStringLiteral("url"));
            QString path;
            if (value.typeId() == QMetaType::QUrl)
                path = value.toUrl().toLocalFile();
            else if (value.typeId() == QMetaType::QString)
                path = value.toString().startsWith(QLatin1String("file:")) ? QUrl(value.toString()).toLocalFile()
                                                                           : value.toString();
            if (!path.isEmpty())
                enqueueFileForCurrentProject(path);
        });
}

void GoogleDriveSyncManager::observeProjectChanges()
{
    connect(&deps_.library, &CloudProjectLibrary::currentProjectIDChanged, this, [this] { refreshPendingCount(); });
    refreshPendingCount();
}

void GoogleDriveSyncManager::syncNow()
{
    worker_->post([this] { runFullSyncNow(); });
}

void GoogleDriveSyncManager::retrySync()
{
    worker_->post([this] { runFullSyncNow(); });
}

void GoogleDriveSyncManager::refreshCloudProjects()
{
    worker_->post([this] { refreshCloudProjectsNow(true); });
}

void GoogleDriveSyncManager::trashDriveFolder(const QString& folderID, std::function<void(TrashResult)> done)
{
    worker_->post([this, folderID, done = std::move(done)] {
        TrashResult result = drive_->trashDriveFolder(folderID);
        postToMain([done, result] {
            if (done)
                done(result);
        });
    });
}

void GoogleDriveSyncManager::reportUploadProgress(double fraction)
{
    uploadProgress_.store(fraction);
    if (uploadProgressPosted_.exchange(true))
        return;
    postToMain([this] {
        uploadProgressPosted_.store(false);
        setCurrentUploadProgress(uploadProgress_.load());
    });
}

void GoogleDriveSyncManager::postToMain(std::function<void()> block) const
{
    platform::runOnMain(aliveToken_, std::move(block));
}

} // namespace cloud
