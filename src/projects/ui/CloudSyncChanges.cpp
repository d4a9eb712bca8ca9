#include "projects/ui/CloudSyncChanges.h"

namespace projects_ui {

void onAnyChange(cloud::CloudSync& sync, QObject* context, const std::function<void()>& react)
{
    using C = cloud::CloudSync;
    auto watch = [&](auto signal) { QObject::connect(&sync, signal, context, [react] { react(); }); };
    watch(&C::isSignedInChanged);
    watch(&C::signedInEmailChanged);
    watch(&C::statusTextChanged);
    watch(&C::pendingCountChanged);
    watch(&C::isSyncingChanged);
    watch(&C::currentUploadNameChanged);
    watch(&C::currentUploadProgressChanged);
    watch(&C::currentDownloadNameChanged);
    watch(&C::currentDownloadProgressChanged);
    watch(&C::phaseChanged);
    watch(&C::canRetryChanged);
    watch(&C::failedItemsChanged);
    watch(&C::cloudProjectIDsChanged);
    watch(&C::cloudListLoadedChanged);
}

} // namespace projects_ui
