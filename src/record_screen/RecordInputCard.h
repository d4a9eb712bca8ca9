#pragma once

// The card of one input in the recording sidebar: its number, timecode, live picture with the
// reference badge, status and format lines, and the capture, stop and record buttons. It keeps no
// state: everything is read from the capture engine's per-slot arrays when the engine announces a
// change of this card's slot, and every button calls the engine.
//
// The labelled buttons give way to icon-only ones when the card is too narrow for them.
//
// Main thread only.

#include "ui/AppTheme.h"

#include <QWidget>

#include <functional>

class QLabel;
class QToolButton;

namespace capture {
class RecordViewModel;
}

namespace ui {
class BorderOverlay;
class StyledButton;
} // namespace ui

namespace record_screen {

class InputPreview;
class RecordBlink;

class RecordInputCard final : public QWidget {
    Q_OBJECT
public:
    static constexpr double cornerRadius = 10.0;

    RecordInputCard(int index, capture::RecordViewModel& vm, RecordBlink& blink, std::function<void()> openSettings,
        QWidget* parent = nullptr);

    int index() const { return index_; }

    // Red while recording, the accent while capturing, the border colour at rest, with the outline
    // width that goes with it (1.5, 1, 0).
    ui::ThemeColor highlightColor() const;
    double highlightWidth() const;
    bool showsCompactControls() const { return compact_; }
    // The opacity the record labels show now (the blink while recording).
    double recordLabelOpacity() const;

    // Stops the input's capture when it captures; nothing otherwise.
    static void stopCapture(capture::RecordViewModel& vm, int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void refreshRecordLabels();
    void chooseControls();
    bool isCapturing() const;
    bool isRecording() const;

    const int index_;
    capture::RecordViewModel& vm_;
    RecordBlink& blink_;
    std::function<void()> openSettings_;
    bool compact_ = false;

    QLabel* title_;
    QToolButton* settingsButton_;
    QWidget* divider_;
    QLabel* timecode_;
    QLabel* timecodeTitle_;
    InputPreview* preview_;
    QLabel* status_;
    QLabel* format_;
    QWidget* fullControls_;
    QWidget* compactControls_;
    ui::StyledButton* capture_;
    ui::StyledButton* stop_;
    ui::StyledButton* record_;
    ui::StyledButton* compactCapture_;
    ui::StyledButton* compactStop_;
    ui::StyledButton* compactRecord_;
    ui::BorderOverlay* border_;
};

} // namespace record_screen
