#pragma once

// One project in the library grid, painted: the name (two lines at most), a storage badge, the
// folder path (one line), the video format, and when the project was last opened. The selected
// card is drawn in the accent colour; a change of selection fades over 0.15 s.
//
// The card only reports the pointer: a click, a double click and a context-menu request; the grid
// decides what they do. Main thread only.

#include "projects/ProjectInfo.h"

#include <QWidget>

namespace ui {
class ValueAnimator;
}

namespace projects_ui {

class ProjectDateFormatter;

class ProjectCard final : public QWidget {
    Q_OBJECT
public:
    static constexpr double padding = 14.0;
    static constexpr double rowSpacing = 8.0;
    static constexpr double cornerRadius = 10.0;
    static constexpr double selectionAnimationDuration = 0.15;
    // The shadow under a selected card (drawn by the grid, since it reaches past the card).
    static constexpr double shadowRadius = 8.0;
    static constexpr double shadowOffsetY = 2.0;

    ProjectCard(const projects::ProjectInfo& project, const ProjectDateFormatter& dateFormatter, bool isSelected,
        QWidget* parent = nullptr);

    const projects::ProjectInfo& project() const { return project_; }
    void setProject(const projects::ProjectInfo& project);
    bool isSelected() const { return isSelected_; }
    void setSelected(bool selected);
    // 0 plain, 1 selected (between while the change animates).
    double selectionProgress() const;

    // What the card shows, as texts.
    QString badgeText() const;
    QString formatText() const;
    // None when the project was never opened (the card has no clock row then).
    std::optional<QString> lastOpenedText() const;
    // The name's lines as laid out at the current width (at most two, the second elided).
    QStringList nameLines() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Colours at the current selection progress.
    QColor fillColor() const;
    QColor borderColor() const;
    double borderWidth() const;
    QColor shadowColor() const;

signals:
    void clicked();
    void doubleClicked();
    void contextMenuRequested(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Layout;
    Layout layoutFor(double width) const;

    projects::ProjectInfo project_;
    const ProjectDateFormatter& dateFormatter_;
    bool isSelected_;
    ui::ValueAnimator* selection_;
};

} // namespace projects_ui
