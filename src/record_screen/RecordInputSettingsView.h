#pragma once

// The sheet that picks the camera feeding one input. It lists the cameras the capture engine knows
// and shows, by the colour and width of its frame, whether the input captures or records. It keeps
// no state: the picker reads the engine's choice for the input (or the first camera when none is
// stored) and a choice writes the camera's identifier and the camera source back. The engine's
// camera list is refreshed each time the sheet is shown.
//
// A window-modal dialog opened with open(); Return presses Done. Main thread only.

#include "ui/AppTheme.h"

#include <QDialog>

class QComboBox;
class QPushButton;

namespace capture {
class RecordViewModel;
}
namespace ui {
class AppCard;
class BorderOverlay;
} // namespace ui

namespace record_screen {

class RecordInputSettingsView final : public QDialog {
    Q_OBJECT
public:
    static constexpr double frameRadius = 10.0;

    RecordInputSettingsView(capture::RecordViewModel& vm, int inputIndex, QWidget* parent = nullptr);

    int inputIndex() const { return inputIndex_; }
    // The identifier the picker shows as chosen: the input's stored camera, else the first camera,
    // else "" (the "No device available" entry). Reading writes nothing.
    QString shownDeviceID() const;
    // Red 3 while recording, the accent 2 while capturing, the border colour 1 otherwise.
    ui::ThemeColor frameColor() const;
    double frameWidth() const;

    QComboBox* picker() const { return picker_; }
    QPushButton* doneButton() const { return done_; }
    const ui::AppCard* card() const { return card_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refreshDevices();
    void refreshState();
    void choose(int row);
    bool isCapturing() const;
    bool isRecording() const;

    capture::RecordViewModel& vm_;
    const int inputIndex_;
    QComboBox* picker_;
    QPushButton* done_;
    ui::AppCard* card_;
    ui::BorderOverlay* frame_;
};

} // namespace record_screen
