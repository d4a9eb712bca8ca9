#include "projects/ui/ProjectGrid.h"

#include "projects/ui/ProjectCard.h"
#include "ui/ShapeShadow.h"

#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace projects_ui {

// The scrolled content: places the cards and paints the shadows of selected ones, which reach past
// the cards' own bounds.
class ProjectGrid::Canvas final : public QWidget {
public:
    explicit Canvas(ProjectGrid* grid)
        : grid_(grid)
    {
        setObjectName(QStringLiteral("projectGridCanvas"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        for (ProjectCard* card : grid_->cards_) {
            const QColor colour = card->shadowColor();
            if (colour.alpha() == 0)
                continue;
            QPainterPath shape;
            shape.addRoundedRect(QRectF(card->geometry()), ProjectCard::cornerRadius, ProjectCard::cornerRadius);
            // The card's fill is nearly transparent: its shadow shows only around it, not through it.
            QPainterPath outside;
            outside.addRect(QRectF(rect()));
            painter.save();
            painter.setClipPath(outside.subtracted(shape));
            shadow_.paint(painter, shape, colour, ProjectCard::shadowRadius, QPointF(0, ProjectCard::shadowOffsetY));
            painter.restore();
        }
    }

private:
    ProjectGrid* grid_;
    ui::ShapeShadow shadow_;
};

ProjectGrid::ProjectGrid(const ProjectDateFormatter& dateFormatter, Actions actions, QWidget* parent)
    : QScrollArea(parent)
    , dateFormatter_(dateFormatter)
    , actions_(std::move(actions))
    , canvas_(new Canvas(this))
{
    setObjectName(QStringLiteral("projectGrid"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(false);
    setWidget(canvas_);
    viewport()->setAutoFillBackground(false);
    canvas_->setAutoFillBackground(false);
    viewport()->installEventFilter(this);
}

int ProjectGrid::columnsFor(int width)
{
    return std::max(1, (width - 4) / (minimumColumnWidth + spacing));
}

int ProjectGrid::columnCount() const
{
    return columnsFor(viewport()->width());
}

void ProjectGrid::setProjects(const QList<projects::ProjectInfo>& projects)
{
    projects_ = projects;
    // Cards are kept and given their new record in place, so a refresh of the list does not
    // restart a running selection fade.
    while (cards_.size() > static_cast<std::size_t>(projects_.size())) {
        delete cards_.back();
        cards_.pop_back();
    }
    for (qsizetype i = 0; i < projects_.size(); ++i) {
        const auto& project = projects_.at(i);
        const bool selected = selection_ && *selection_ == project.id;
        if (static_cast<std::size_t>(i) < cards_.size()) {
            cards_[static_cast<std::size_t>(i)]->setProject(project);
            cards_[static_cast<std::size_t>(i)]->setSelected(selected);
            continue;
        }
        auto* card = new ProjectCard(project, dateFormatter_, selected, canvas_);
        connect(card, &ProjectCard::clicked, this, [this, card] { onCardClicked(card); });
        connect(card, &ProjectCard::doubleClicked, this, [this, card] {
            if (actions_.onRename)
                actions_.onRename(card->project());
        });
        connect(card, &ProjectCard::contextMenuRequested, this, [this, card](const QPoint& globalPos) {
            QMenu* menu = contextMenu(card->project());
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(globalPos);
        });
        card->show();
        cards_.push_back(card);
    }
    relayout();
}

void ProjectGrid::setSelection(const std::optional<QUuid>& selection)
{
    selection_ = selection;
    for (ProjectCard* card : cards_)
        card->setSelected(selection_ && *selection_ == card->project().id);
    canvas_->update();
}

void ProjectGrid::onCardClicked(ProjectCard* card)
{
    setSelection(card->project().id);
    emit selectionEdited(selection_);
}

QMenu* ProjectGrid::contextMenu(const projects::ProjectInfo& project)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("projectCardMenu"));
    auto add = [&](const QString& title, const std::function<void(const projects::ProjectInfo&)>& action) {
        QAction* item = menu->addAction(title);
        connect(item, &QAction::triggered, this, [action, project] {
            if (action)
                action(project);
        });
        return item;
    };
    add(QStringLiteral("Open"), actions_.onOpen);
    add(QStringLiteral("Rename"), actions_.onRename);
    add(QStringLiteral("Duplicate"), actions_.onDuplicate);
    menu->addSeparator();
    QAction* remove = add(QStringLiteral("Delete"), actions_.onDelete);
    remove->setProperty("destructive", true);
    return menu;
}

void ProjectGrid::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    relayout();
}

bool ProjectGrid::eventFilter(QObject* watched, QEvent* event)
{
    // A scroll bar appearing or leaving changes the room the columns share.
    if (watched == viewport() && event->type() == QEvent::Resize)
        relayout();
    return QScrollArea::eventFilter(watched, event);
}

void ProjectGrid::relayout()
{
    const int width = viewport()->width();
    const int columns = columnsFor(width);
    const double columnWidth
        = std::max(1.0, (width - 2.0 * padding - (columns - 1) * static_cast<double>(spacing)) / columns);
    double y = padding;
    for (std::size_t row = 0; row * columns < cards_.size(); ++row) {
        int rowHeight = 0;
        for (int column = 0; column < columns; ++column) {
            const std::size_t index = row * columns + static_cast<std::size_t>(column);
            if (index >= cards_.size())
                break;
            ProjectCard* card = cards_[index];
            const int x0 = static_cast<int>(std::round(padding + column * (columnWidth + spacing)));
            const int x1 = static_cast<int>(std::round(padding + column * (columnWidth + spacing) + columnWidth));
            const int height = card->heightForWidth(x1 - x0);
            card->setGeometry(x0, static_cast<int>(std::round(y)), x1 - x0, height);
            rowHeight = std::max(rowHeight, height);
        }
        y += rowHeight + spacing;
    }
    const int contentHeight = cards_.empty() ? 2 * padding : static_cast<int>(std::ceil(y - spacing + padding));
    canvas_->resize(width, contentHeight);
    canvas_->update();
}

} // namespace projects_ui
