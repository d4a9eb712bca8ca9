#pragma once

// The dialog service of the running station: alerts as window-modal message boxes and file panels
// as window-modal file dialogs, all opened with open(), so no nested event loop runs; the answer
// arrives through the callback. Escape picks the alert's cancel-role button; a panel for a folder
// or a file also takes a folder. Main thread only.

#include "ui/DialogService.h"

namespace app {

class WidgetDialogService final : public ui::DialogService {
public:
    void showAlert(QWidget* parent, const ui::AlertRequest& request, std::function<void(int button)> done) override;
    void showOpenPanel(QWidget* parent, const ui::OpenPanelRequest& request,
        std::function<void(const QStringList& paths)> done) override;
    void showSavePanel(QWidget* parent, const ui::SavePanelRequest& request,
        std::function<void(const std::optional<QString>& path)> done) override;
};

} // namespace app
