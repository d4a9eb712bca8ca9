#pragma once

// The settings window: a "Settings" header, a two-way switch between the General and the Keyboard
// pane, a divider and the selected pane, on a pane floating 12 points inside the window backdrop.
// It keeps no settings of its own: the panes read and write the shared objects directly, so there
// is no apply step.
//
// The General pane scrolls inside the window; the Keyboard pane scrolls its own list. A pane is
// rebuilt each time its tab is chosen. One window per application: present() shows it on General
// (when it was not open), raises it and re-applies the appearance; closing it cancels a pending
// key capture, switching tabs does not.
//
// Main thread only.

#include <QWidget>

class QScrollArea;

namespace capture {
class RecordViewModel;
}
namespace playback {
class KeyboardShortcutManager;
}
namespace settings {
class AppSettings;
}
namespace ui {
class DialogService;
class SegmentedPillControl;
} // namespace ui

namespace app {

class SettingsRootView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 640;
    static constexpr int defaultHeight = 820;
    // The pane's own minimum and the margin around it.
    static constexpr int paneMinimumWidth = 560;
    static constexpr int paneMinimumHeight = 320;
    static constexpr int margin = 12;

    enum class Tab { general, keyboard };

    struct Environment {
        settings::AppSettings& settings;
        capture::RecordViewModel& recordVM;
        playback::KeyboardShortcutManager& keyboard;
        ui::DialogService& dialogs;
    };

    explicit SettingsRootView(Environment environment, QWidget* parent = nullptr);
    ~SettingsRootView() override;

    Tab selection() const { return selection_; }
    void setSelection(Tab tab);
    ui::SegmentedPillControl* tabSwitch() const { return tabSwitch_; }
    // The pane below the divider (a GeneralSettingsView or a KeyboardSettingsView).
    QWidget* currentPane() const { return pane_; }
    // The scroll area around the General pane; none while Keyboard is shown.
    QScrollArea* generalScrollArea() const { return scrollArea_; }

    // Opens the window (on General when it was closed) or raises it, and applies the appearance.
    void present();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showPane();

    Environment env_;
    Tab selection_ = Tab::general;
    ui::SegmentedPillControl* tabSwitch_ = nullptr;
    QWidget* paneHost_ = nullptr;
    QWidget* pane_ = nullptr;
    QScrollArea* scrollArea_ = nullptr;
    bool sized_ = false;
};

} // namespace app
