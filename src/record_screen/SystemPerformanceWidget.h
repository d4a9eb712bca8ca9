#pragma once

// The load card at the end of the recording sidebar: App CPU, App RAM and Disk Free as tiles,
// System CPU, Memory Used and Disk Used as bars coloured by thresholds, and a pill with the active
// inputs out of the maximum whose dot turns red while anything records. It owns its monitor, so
// sampling ends when the card goes and a new card starts again from zero.
//
// Main thread only.

#include "record_screen/SystemPerformanceMonitor.h"
#include "ui/AppTheme.h"

#include <QWidget>

#include <memory>
#include <vector>

namespace record_screen {

class SystemPerformanceWidget final : public QWidget {
    Q_OBJECT
public:
    struct Figure {
        QString title;
        QString valueText;
        std::optional<double> progress; // bars only, 0...1
        ui::ThemeColor tint;
    };

    SystemPerformanceWidget(int activeInputCount, int maxInputCount, bool isRecording,
        std::unique_ptr<SystemPerformanceMonitor> monitor = nullptr, QWidget* parent = nullptr);

    void setInputs(int activeInputCount, int maxInputCount, bool isRecording);

    QString statusText() const;
    ui::ThemeColor dotColor() const;
    // The six figures of the monitor's last snapshot, tiles first, in the order shown.
    std::vector<Figure> figures() const;
    const SystemPerformanceMonitor& monitor() const { return *monitor_; }

    QSize sizeHint() const override { return { 280, 200 }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int activeInputCount_;
    int maxInputCount_;
    bool isRecording_;
    std::unique_ptr<SystemPerformanceMonitor> monitor_;
};

} // namespace record_screen
