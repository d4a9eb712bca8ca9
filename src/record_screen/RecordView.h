#pragma once

// The recording screen, the left pane of the main window: the sidebar that adds and removes
// inputs, edits the slate, picks the timecode mode, records all inputs at once and lists one card
// per input. It asks the engine's two questions ("Resume Same Take?", "Project Format Mismatch")
// through the dialog service. It keeps no state of the engine's: every control reads the engine
// or the settings and calls them back.
//
// Main thread only.

#include "platform/Scheduler.h"
#include "record_screen/RecordBlink.h"
#include "ui/ThemedLabel.h"

#include <QPointer>
#include <QStackedWidget>

#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QMenu;
class QVBoxLayout;

namespace capture {
class RecordViewModel;
}
namespace settings {
class AppSettings;
class RecordSidebarState;
} // namespace settings
namespace ui {
class DialogService;
class StyledButton;
} // namespace ui

namespace record_screen {

class RecordInputCard;
class RecordInputSettingsView;
class SystemPerformanceWidget;

class RecordView final : public QStackedWidget {
    Q_OBJECT
public:
    static constexpr int maxInputCount = 4;

    struct Environment {
        capture::RecordViewModel& vm;
        settings::AppSettings& settings;
        settings::RecordSidebarState& sidebar;
        ui::DialogService& dialogs;
        platform::Scheduler& scheduler = platform::Scheduler::main();
        RecordBlink::WallClock wallClock = {};
    };

    explicit RecordView(Environment environment, QWidget* parent = nullptr);
    ~RecordView() override;

    // "Record: <codec> | <bitrate> | FPS: <fps>", without the bitrate for ProRes codecs.
    static QString recordingSummaryText(const settings::AppSettings& settings);
    // Whether any active input records (or Record All runs).
    bool isAnyRecording() const;
    // The input whose settings sheet is open, and the sheet.
    std::optional<int> settingsInputIndex() const { return settingsInputIndex_; }
    RecordInputSettingsView* settingsSheet() const;
    // Opens the input's settings sheet (what a card's settings button does).
    void openSettings(int index);
    // What the Record All label shows now (its blink while recording all), wide or in the column.
    double recordAllOpacity() const;
    double compactRecordAllOpacity() const;
    // The collapsed column's slate chips ("-" for an empty value) and the checked timecode entry.
    QStringList chipTexts() const;
    QString checkedTimecodeEntry() const;
    int cardCount() const { return static_cast<int>(cards_.size()); }
    // Absent while collapsed: collapsing ends the monitor's sampling.
    const SystemPerformanceWidget* performanceWidget() const { return performance_; }

private:
    QWidget* buildExpanded();
    QWidget* buildCollapsed();
    void refreshCollapsed();
    void applyCollapsed();
    void refreshInputs();
    void refreshPerformance();
    void refreshSlate();
    void refreshRecordAll();
    void refreshTimecodeMode();
    void commitTake();
    void toggleRecordAll();
    void askResumeSameTake();
    void tellProjectFormatMismatch();
    void closeSettingsOfRemovedInput();

    Environment env_;
    RecordBlink blink_;
    std::optional<int> settingsInputIndex_;
    QPointer<RecordInputSettingsView> sheet_;
    bool resumeAlertShown_ = false;
    bool formatAlertShown_ = false;

    ui::StyledButton* collapseButton_ = nullptr;
    ui::StyledButton* addButton_ = nullptr;
    ui::StyledButton* removeButton_ = nullptr;
    QLineEdit* reel_ = nullptr;
    QLineEdit* scene_ = nullptr;
    QLineEdit* take_ = nullptr;
    ui::ThemedLabel* counter_ = nullptr;
    QComboBox* timecodeMode_ = nullptr;
    ui::StyledButton* recordAll_ = nullptr;
    ui::ThemedLabel* summary_ = nullptr;
    QVBoxLayout* cardList_ = nullptr;
    std::vector<RecordInputCard*> cards_;
    QWidget* expanded_ = nullptr;
    QWidget* collapsed_ = nullptr;
    ui::ThemedLabel* reelChip_ = nullptr;
    ui::ThemedLabel* sceneChip_ = nullptr;
    ui::ThemedLabel* takeChip_ = nullptr;
    ui::StyledButton* compactAdd_ = nullptr;
    ui::StyledButton* compactRemove_ = nullptr;
    ui::StyledButton* compactRecordAll_ = nullptr;
    QMenu* timecodeMenu_ = nullptr;
    ui::ThemedLabel* compactCounter_ = nullptr;
    QVBoxLayout* performanceSlot_ = nullptr;
    SystemPerformanceWidget* performance_ = nullptr;
};

} // namespace record_screen
