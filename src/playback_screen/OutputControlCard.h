#pragma once

// The program output's control block in the inspector: Start/Stop with the ON/OFF indicator
// (both follow the request, not the running output), the device menu, the Clean Feed switch, the
// output's format and colour, and the engine's status lines (each only when not empty; the
// cadence warning in orange). It holds no logic: setState() shows the values handed in, and the
// user's actions go out through the state's closures.
//
// The device menu writes only from `activated` (a user's pick) and is refilled under a signal
// blocker, so a model update or a refreshed device list never writes the index back. Opening
// the menu first asks for a fresh device list.
//
// Main thread only.

#include <QComboBox>
#include <QStringList>
#include <QWidget>

#include <functional>

class QLabel;

namespace ui {
class StyledButton;
class SwitchButton;
class ThemedLabel;
} // namespace ui

namespace playback_screen {

// A value with the way to write it back, as a control binds to a model property.
template <class T> struct Binding {
    T value {};
    std::function<void(const T&)> write;
};

// The device menu: announces that it is about to open, so the list can be refreshed first.
class OutputDeviceMenu final : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
signals:
    void aboutToOpen();
};

class OutputControlCard final : public QWidget {
    Q_OBJECT
public:
    static constexpr int deviceMenuMinimumWidth = 220;

    struct State {
        bool isOn = false;
        QString statusText;
        QString hdmiStatusText;
        QString sourceColorText;
        QString cadenceWarningText;
        std::function<void()> onToggle;
        QStringList deviceNames;
        Binding<int> selectedDeviceIndex;
        Binding<bool> outputCleanFeed;
        QString outputFormatDisplay;
        QString outputColorDisplay;
        bool outputIsHDR = false; // carried for callers; the card shows no HDR mark
    };

    explicit OutputControlCard(QWidget* parent = nullptr);

    void setState(State state);
    const State& state() const { return state_; }
    // Runs before the device menu opens (the inspector refreshes the device list there).
    void setOnDeviceMenuOpening(std::function<void()> handler) { onMenuOpening_ = std::move(handler); }

private:
    State state_;
    std::function<void()> onMenuOpening_;
    ui::StyledButton* toggle_;
    ui::ThemedLabel* indicator_;
    OutputDeviceMenu* devices_;
    ui::ThemedLabel* noDevice_;
    ui::SwitchButton* cleanFeed_;
    ui::ThemedLabel* format_;
    ui::ThemedLabel* color_;
    ui::ThemedLabel* status_;
    ui::ThemedLabel* hdmi_;
    ui::ThemedLabel* sourceColor_;
    ui::ThemedLabel* cadence_;
};

} // namespace playback_screen
