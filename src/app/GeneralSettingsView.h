#pragma once

// The General pane of the settings window: a column of cards for the appearance, the recording
// folder, the recording codec, bitrate and frame rate, the project format and output colour space
// (with the HDR mastering level for the HDR modes), whether the HDMI output follows the preview,
// and the remote pairing code.
//
// Every control writes straight into the shared settings (the mastering level into the capture
// engine) from user-only signals, and follows those objects when they change elsewhere; programmatic
// refreshes never write back. The Bitrate picker is disabled for ProRes codecs, which fix their own.
//
// Main thread only.

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace capture {
class RecordViewModel;
}
namespace settings {
class AppSettings;
}
namespace ui {
class DialogService;
class SegmentedPillControl;
} // namespace ui

namespace app {

class GeneralSettingsView final : public QWidget {
    Q_OBJECT
public:
    struct Environment {
        settings::AppSettings& settings;
        capture::RecordViewModel& recordVM;
        ui::DialogService& dialogs;
    };

    explicit GeneralSettingsView(Environment environment, QWidget* parent = nullptr);

    // Asks for a folder; a chosen one is stored exactly as chosen and handed to the engine.
    void chooseRecordingFolder();
    // Forgets the chosen folder: the engine goes back to its default folder.
    void resetRecordingFolder();

private:
    QWidget* appearanceCard();
    QWidget* locationCard();
    QWidget* formatCard();
    QWidget* projectCard();
    QWidget* explanationCard();
    QWidget* pairingCard();
    void refreshCodecDependents();
    void refreshHDRRow();

    Environment env_;
    QComboBox* bitrate_ = nullptr;
    QLabel* bitrateNote_ = nullptr;
    QWidget* hdrRow_ = nullptr;
};

} // namespace app
