#include "projects/ui/CloudSync.h"

namespace projects_ui {

QString title(CloudSyncPhase phase)
{
    switch (phase) {
    case CloudSyncPhase::idle:
        return QStringLiteral("Idle");
    case CloudSyncPhase::refreshing:
        return QStringLiteral("Refreshing");
    case CloudSyncPhase::downloading:
        return QStringLiteral("Downloading");
    case CloudSyncPhase::uploading:
        return QStringLiteral("Uploading");
    case CloudSyncPhase::complete:
        return QStringLiteral("Complete");
    case CloudSyncPhase::partial:
        return QStringLiteral("Partial");
    case CloudSyncPhase::failed:
        return QStringLiteral("Failed");
    }
    return {};
}

void CloudSync::publish(CloudSyncState next)
{
    state_ = std::move(next);
    emit stateChanged();
}

} // namespace projects_ui
