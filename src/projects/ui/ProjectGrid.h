#pragma once

// The library's card grid: a vertical scroll area of equal columns, as many as fit at 240 points
// each with 12 points between them (max(1, floor((W - 4) / 252)) for a viewport W wide, inside
// 8 points of padding), rows 12 points apart, cards at the top of their cells.
//
// The grid owns no data. setProjects() and setSelection() come from the library screen; a click on
// a card writes the selection back through selectionEdited(); a double click renames (it never
// opens); the context menu offers Open, Rename, Duplicate and Delete. Main thread only.

#include "projects/ProjectInfo.h"

#include <QList>
#include <QScrollArea>
#include <QUuid>

#include <functional>
#include <optional>
#include <vector>

class QMenu;

namespace projects_ui {

class ProjectCard;
class ProjectDateFormatter;

class ProjectGrid final : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int minimumColumnWidth = 240;
    static constexpr int spacing = 12;
    static constexpr int padding = 8;

    struct Actions {
        std::function<void(const projects::ProjectInfo&)> onOpen;
        std::function<void(const projects::ProjectInfo&)> onRename;
        std::function<void(const projects::ProjectInfo&)> onDuplicate;
        std::function<void(const projects::ProjectInfo&)> onDelete;
    };

    ProjectGrid(const ProjectDateFormatter& dateFormatter, Actions actions, QWidget* parent = nullptr);

    const QList<projects::ProjectInfo>& projects() const { return projects_; }
    void setProjects(const QList<projects::ProjectInfo>& projects);
    const std::optional<QUuid>& selection() const { return selection_; }
    // From the model: marks the card, emits nothing.
    void setSelection(const std::optional<QUuid>& selection);

    // Columns for a viewport `width` points wide.
    static int columnsFor(int width);
    int columnCount() const;
    int cardCount() const { return static_cast<int>(cards_.size()); }
    ProjectCard* card(int index) const { return cards_.at(static_cast<std::size_t>(index)); }
    // The context menu of one card (the grid pops it up on a secondary click; the caller owns it).
    QMenu* contextMenu(const projects::ProjectInfo& project);

signals:
    // A click chose a card.
    void selectionEdited(const std::optional<QUuid>& selection);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Canvas;

    void relayout();
    void onCardClicked(ProjectCard* card);

    const ProjectDateFormatter& dateFormatter_;
    Actions actions_;
    QList<projects::ProjectInfo> projects_;
    std::optional<QUuid> selection_;
    Canvas* canvas_;
    std::vector<ProjectCard*> cards_;
};

} // namespace projects_ui
