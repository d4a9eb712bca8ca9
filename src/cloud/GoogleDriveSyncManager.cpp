#include "cloud/GoogleDriveSyncManager.h"

#include "cloud/KeychainStore.h"
#include "cloud/LoopbackRedirectListener.h"
#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "settings/AppSettings.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

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
    // Sync Now, Retry and the timer share one waiting pass; a request during a pass gives one more.
    if (fullSyncQueued_.exchange(true))
        return;
    worker_->post([this] {
        fullSyncQueued_.store(false);
        runFullSyncNow();
    });
}

void GoogleDriveSyncManager::retrySync()
{
    syncNow();
}

void GoogleDriveSyncManager::refreshCloudProjects()
{
    worker_->post([this] { refreshCloudProjectsNow(true); });
}

void GoogleDriveSyncManager::trashDriveFolder(const QString& folderID, std::function<void(TrashResult)> done)
{
    worker_->post([this, folderID, done = std::move(done)] {
        TrashResult result = drive_->trashDriveFolder(folderID);
        postToMain([this, folderID, done, result] {
            // The trashed project is no cloud project any more.
            if (result) {
                if (const std::optional<QUuid> id = deps_.library.projectWithCloudFolder(folderID)) {
                    QSet<QUuid> ids = cloudProjectIDs();
                    if (ids.remove(*id))
                        setCloudProjectIDs(ids);
                }
            }
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

bool GoogleDriveSyncManager::waitForMain(std::function<void(std::function<void()> finish)> block)
{
    Q_ASSERT(worker_->isCurrent());
    struct Wait {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
    };
    auto wait = std::make_shared<Wait>();
    postToMain([wait, block = std::move(block)] {
        block([wait] {
            const std::lock_guard lock(wait->mutex);
            wait->done = true;
            wait->finished.notify_all();
        });
    });
    std::unique_lock lock(wait->mutex);
    // stop() does not know this wait: look at it now and then so the manager can go away.
    while (!wait->done) {
        if (worker_->isStopping())
            return false;
        wait->finished.wait_for(lock, std::chrono::milliseconds(50));
    }
    return true;
}

void GoogleDriveSyncManager::postToMain(std::function<void()> block) const
{
    platform::runOnMain(aliveToken_, std::move(block));
}

} // namespace cloud
