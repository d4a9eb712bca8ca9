#pragma once

// The floating "Layout Log" panel over the main window's bottom-right corner (340 points wide, 12
// from the edges): the layout logger's entries newest first, with buttons that copy the logger's
// summary to the clipboard ("Copied!" for 1.5 s), clear the list (the file stays), reset the
// remembered divider positions ("Reset!" for 2 s, and "CorvaleResetSplitViews" is posted) and
// close the panel. It slides in from the right while fading in, and leaves the same way.
//
// Main thread only; the caption timers run on the scheduler it is given.

#include <QWidget>

#include <cstdint>
#include <vector>

class QAbstractButton;
class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace platform {
class NotificationCenter;
class Scheduler;
} // namespace platform
namespace ui {
class LayoutLogger;
class ValueAnimator;
} // namespace ui

namespace app {

class LayoutLogOverlay final : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 340;
    static constexpr int margin = 12;
    static constexpr int maximumListHeight = 220;
    static constexpr double copiedSeconds = 1.5;
    static constexpr double resetSeconds = 2.0;
    static constexpr const char* resetSplitViewsNotification = "CorvaleResetSplitViews";

    struct Environment {
        ui::LayoutLogger& logger;
        platform::Scheduler& scheduler;
        platform::NotificationCenter& notifications;
    };

    // Starts hidden; lays itself over `parent`'s bottom-right corner.
    LayoutLogOverlay(Environment environment, QWidget* parent);
    ~LayoutLogOverlay() override;

    bool isShown() const { return shown_; }
    void setShown(bool shown);
    void toggle() { setShown(!shown_); }

    bool copied() const { return copied_; }
    bool resetDone() const { return resetDone_; }
    void copy();
    void clear();
    void resetLayout();

    QAbstractButton* copyButton() const { return copyButton_; }
    QAbstractButton* resetButton() const { return resetButton_; }
    QAbstractButton* clearButton() const { return clearButton_; }
    QAbstractButton* closeButton() const { return closeButton_; }
    // The visible rows' texts, newest first, each as its parts joined by " | ".
    QStringList rowTexts() const;
    // The hint shown while the list is empty (hidden otherwise).
    QLabel* hint() const { return hint_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildRows();
    void refreshCaptions();
    void place();
    // Sets `flag` now and clears it `seconds` later; each call has its own timer.
    void raiseFlagFor(bool& flag, double seconds);

    Environment env_;
    bool shown_ = false;
    bool copied_ = false;
    bool resetDone_ = false;
    std::vector<std::uint64_t> timers_;
    QAbstractButton* copyButton_ = nullptr;
    QAbstractButton* resetButton_ = nullptr;
    QAbstractButton* clearButton_ = nullptr;
    QAbstractButton* closeButton_ = nullptr;
    QLabel* hint_ = nullptr;
    QScrollArea* list_ = nullptr;
    QWidget* rows_ = nullptr;
    ui::ValueAnimator* presence_ = nullptr;
};

} // namespace app
