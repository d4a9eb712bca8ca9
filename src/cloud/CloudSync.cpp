#include "cloud/CloudSync.h"

#include "platform/MainThread.h"

namespace cloud {

namespace {

template <class T, class Signal> void assign(CloudSync* self, T& member, const T& value, Signal signal)
{
    Q_ASSERT(platform::isMainThread());
    member = value;
    emit(self->*signal)(member);
}

} // namespace

CloudSync::CloudSync(QObject* parent)
    : QObject(parent)
{
}

CloudSync::~CloudSync() = default;

void CloudSync::setIsSignedIn(bool value)
{
    assign(this, isSignedIn_, value, &CloudSync::isSignedInChanged);
}
void CloudSync::setSignedInEmail(const std::optional<QString>& value)
{
    assign(this, signedInEmail_, value, &CloudSync::signedInEmailChanged);
}
void CloudSync::setStatusText(const QString& value)
{
    assign(this, statusText_, value, &CloudSync::statusTextChanged);
}
void CloudSync::setPendingCount(int value)
{
    assign(this, pendingCount_, value, &CloudSync::pendingCountChanged);
}
void CloudSync::setLastSyncAt(const std::optional<QDateTime>& value)
{
    assign(this, lastSyncAt_, value, &CloudSync::lastSyncAtChanged);
}
void CloudSync::setIsSyncing(bool value)
{
    assign(this, isSyncing_, value, &CloudSync::isSyncingChanged);
}
void CloudSync::setCurrentUploadName(const std::optional<QString>& value)
{
    assign(this, currentUploadName_, value, &CloudSync::currentUploadNameChanged);
}
void CloudSync::setCurrentUploadProgress(double value)
{
    assign(this, currentUploadProgress_, value, &CloudSync::currentUploadProgressChanged);
}
void CloudSync::setCurrentDownloadName(const std::optional<QString>& value)
{
    assign(this, currentDownloadName_, value, &CloudSync::currentDownloadNameChanged);
}
void CloudSync::setCurrentDownloadProgress(double value)
{
    assign(this, currentDownloadProgress_, value, &CloudSync::currentDownloadProgressChanged);
}
void CloudSync::setPhase(CloudSyncPhase value)
{
    assign(this, phase_, value, &CloudSync::phaseChanged);
}
void CloudSync::setCanRetry(bool value)
{
    assign(this, canRetry_, value, &CloudSync::canRetryChanged);
}
void CloudSync::setFailedItems(const QStringList& value)
{
    assign(this, failedItems_, value, &CloudSync::failedItemsChanged);
}
void CloudSync::setCloudProjectIDs(const QSet<QUuid>& value)
{
    assign(this, cloudProjectIDs_, value, &CloudSync::cloudProjectIDsChanged);
}
void CloudSync::setCloudListLoaded(bool value)
{
    assign(this, cloudListLoaded_, value, &CloudSync::cloudListLoadedChanged);
}

} // namespace cloud
