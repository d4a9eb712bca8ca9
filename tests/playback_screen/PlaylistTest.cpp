// The playlist pane: take grouping, the rows and their hit tests, the pane's actions and
// selection, and the actions bar with its support popover.

#include "PlaybackScreenTestKit.h"
#include "kit/ScreenKit.h"
#include "playback_screen/PlaylistActionsBar.h"
#include "playback_screen/PlaylistDelegate.h"
#include "playback_screen/PlaylistListView.h"
#include "playback_screen/PlaylistModel.h"
#include "playback_screen/PlaylistPane.h"
#include "playback_screen/SupportPopover.h"
#include "ui/StyledButton.h"

#include <QApplication>
#include <QPainter>
#include <QSignalSpy>

using namespace playback_screen;
using playback::ClipItem;
using playback_screen_test::ScreenTest;
using RowButton = PlaylistRowPainter::Button;

namespace {

ClipItem takeClip(const QString& title, std::optional<qint64> take, std::optional<qint64> input = {})
{
    ClipItem c;
    c.id = QUuid::createUuid();
    c.title = title;
    c.take = take;
    c.inputNumber = input;
    return c;
}

QStringList groupTitles(const TakeGroup& group)
{
    QStringList out;
    for (const ClipItem& c : group.clips)
        out << c.title;
    return out;
}

TEST(TakeGroupingTest, OrdersTakesAndClips)
{
    const auto groups = groupClipsByTake({ takeClip("a", 10), takeClip("b", 2), takeClip("c", {}), takeClip("d", -3) });
    QStringList labels;
    for (const TakeGroup& g : groups)
        labels << g.label;
    EXPECT_EQ(labels, QStringList({ "Take -3", "Take 2", "Take 10", "No Take" }));

    struct Case {
        QList<ClipItem> clips;
        QStringList expected;
    };
    const QString composed = QString::fromUtf8("\u00e9"), decomposed = QString::fromUtf8("e\u0301");
    const QString astral = QString::fromUcs4(U"\U0001F600"), bmpHigh = QString::fromUcs4(U"\uFF5E");
    for (const Case& c : std::vector<Case> {
             { { takeClip("two", 1, 2), takeClip("none", 1), takeClip("one", 1, 1), takeClip("zero", 1, 0) },
                 { "none", "zero", "one", "two" } },
             { { takeClip("abc", 1, 1), takeClip("Abc", 1, 1) }, { "Abc", "abc" } },
             { { takeClip(decomposed, 1), takeClip(composed, 1) }, { decomposed, composed } },
             // By scalar value, not by UTF-16 unit (a surrogate pair sorts after U+FF5E).
             { { takeClip(astral, 1), takeClip(bmpHigh, 1) }, { bmpHigh, astral } },
         }) {
        const auto g = groupClipsByTake(c.clips);
        ASSERT_EQ(g.size(), 1u);
        EXPECT_EQ(groupTitles(g[0]), c.expected);
    }
    // Collapsing all covers the takes of now: a new take comes in expanded, a key outlives its clips.
    const TakeKeySet all = allTakeKeys(groupClipsByTake({ takeClip("a", 1), takeClip("b", 2) }));
    EXPECT_FALSE(isAllCollapsed(groupClipsByTake({ takeClip("a", 1), takeClip("b", 2), takeClip("c", 3) }), all));
    EXPECT_TRUE(isAllCollapsed(groupClipsByTake({ takeClip("b", 2) }), all));
    EXPECT_TRUE(groupClipsByTake({}).empty());
    EXPECT_FALSE(isAllCollapsed({}, { std::nullopt }));
}

TEST(PlaylistRowTest, CellsBadgesAndHits)
{
    const QRect line(0, 0, 900, PlaylistRowPainter::rowHeight);
    const auto cells = PlaylistRowPainter::rowCells(line);
    EXPECT_EQ(QList<int>({ cells.thumbnail.width(), cells.good.width(), cells.in.width(), cells.out.width(),
                  cells.duration.width(), cells.thumbnail.height() }),
        QList<int>({ 90, 60, 70, 70, 80, 50 }));
    EXPECT_EQ(cells.name.right() + 1 + PlaylistRowPainter::cellSpacing, cells.good.left());
    EXPECT_EQ(PlaylistRowPainter::rowButtonAt(line, cells.good.center()), RowButton::clipGood);
    EXPECT_EQ(PlaylistRowPainter::rowButtonAt(line, cells.name.center()), RowButton::none);
    EXPECT_EQ(PlaylistRowPainter::rowToolTipAt(line, {}, cells.good.center()), "Good Take");
    for (auto input : { std::optional<qint64>(), std::optional<qint64>(0), std::optional<qint64>(-1) })
        EXPECT_FALSE(PlaylistRowPainter::camBadgeText(input));
    EXPECT_EQ(PlaylistRowPainter::camBadgeText(1), "Cam 1");

    // Offline: the placeholder (dark) where the red thumbnail would be, the row at 62 %.
    QImage red(160, 90, QImage::Format_ARGB32_Premultiplied);
    red.fill(Qt::red);
    PlaylistRowContent content;
    content.thumbnail = PlaylistRowPainter::thumbnailPixmap(red, 1.0);
    const QPoint probe = cells.thumbnail.center() + QPoint(30, -15);
    for (bool offline : { false, true }) {
        content.offline = offline;
        QImage image(line.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        PlaylistRowPainter::paintRow(painter, line, content, false);
        painter.end();
        const QColor pixel = image.pixelColor(probe);
        EXPECT_EQ(pixel.red() > 200, !offline);
        EXPECT_NEAR(pixel.alphaF(), offline ? 0.62 * 0.85 : 1.0, 0.02);
    }
}

class PlaylistTest : public ScreenTest {
protected:
    PlaylistPane* pane() { return ui::screenkit::find<PlaylistPane>(view.get(), "playbackPlaylistPane"); }
    int headerRow(const QString& label)
    {
        for (int row = 0; row < pane()->model()->rowCount(); ++row)
            if (pane()->model()->isHeader(row) && pane()->model()->groupAt(row)->label == label)
                return row;
        return -1;
    }
    void userSelects(const QUuid& id)
    {
        PlaylistListView* list = pane()->list();
        ui::screenkit::click(list->viewport(),
            list->visualRect(pane()->model()->index(*pane()->model()->rowOf(id))).topLeft() + QPoint(300, 20));
        settle();
    }
};

TEST_F(PlaylistTest, HeadersSelectionAndRepaints)
{
    const QUuid a1 = addClip("R1-SC1-T2-Cam1.mov"), a2 = addClip("R1-SC1-T2-Cam2.mov");
    const QUuid b = addClip("R1-SC1-T10-Cam1.mov");
    addClip("loose.mov");
    showScreen(QSize(1520, 920));
    PlaylistModel* model = pane()->model();
    ASSERT_EQ(model->rowCount(), 7);

    // The user's selection reaches the engine; rebuilds and collapses never write.
    userSelects(a1);
    EXPECT_EQ(vm->selectedClipID(), a1);
    QSignalSpy engineWrites(vm.get(), &playback::PlaybackViewModel::selectedClipIDChanged);
    QSignalSpy screenWrites(view.get(), &PlaybackView::uiSelectedClipIDChanged);
    pane()->pressButton(headerRow("Take 2"), RowButton::collapse);
    settle();
    EXPECT_EQ(model->headerContent(headerRow("Take 2")).clipCount, 2);
    EXPECT_FALSE(model->rowOf(a1));
    EXPECT_FALSE(pane()->list()->selectionModel()->hasSelection());
    pane()->pressButton(headerRow("Take 2"), RowButton::collapse);
    settle();
    EXPECT_TRUE(pane()->list()->selectionModel()->isSelected(model->index(*model->rowOf(a1))));
    // Transport keys reach no list search or selection.
    pane()->list()->setFocus();
    for (int key : { Qt::Key_I, Qt::Key_O, Qt::Key_J, Qt::Key_K, Qt::Key_L, Qt::Key_Space })
        ui::screenkit::key(pane()->list(), key, Qt::NoModifier, QKeySequence(key).toString().toLower());
    settle();
    EXPECT_EQ(engineWrites.count() + screenWrites.count(), 0);
    EXPECT_TRUE(pane()->list()->selectionModel()->isSelected(model->index(*model->rowOf(a1))));

    mainPlayer().makeReady(10.0);
    // Good this Take, then one clip's toggle repaints that row only; playhead ticks nothing.
    pane()->pressButton(headerRow("Take 2"), RowButton::takeGood);
    settle();
    EXPECT_TRUE(vm->isTakeAllGood(2));
    EXPECT_TRUE(model->headerContent(headerRow("Take 2")).allGood);
    vm->toggleGoodClip(b); // b alone in its take: its header changes too
    settle();
    const int rebuilds = model->rebuildCount(), rows = pane()->delegate()->rowPaints();
    pane()->pressButton(*model->rowOf(a2), RowButton::clipGood);
    settle();
    EXPECT_FALSE(vm->clips()[1].isGood);
    EXPECT_EQ(pane()->delegate()->rowPaints() - rows, 1);
    EXPECT_FALSE(model->headerContent(headerRow("Take 2")).allGood);
    vm->seek(0.2, false);
    settle();
    const int rowsBefore = pane()->delegate()->rowPaints();
    for (double t : { 0.5, 1.0, 1.5 })
        vm->seek(t, false);
    settle();
    EXPECT_EQ(pane()->delegate()->rowPaints(), rowsBefore);
    EXPECT_EQ(model->rebuildCount(), rebuilds);

    // Multi-View: the list follows the engine's pick, lets go of the focus, the preview stays.
    QApplication::setActiveWindow(view.get());
    pane()->list()->setFocus();
    userSelects(b);
    pane()->pressButton(headerRow("Take 2"), RowButton::multiView);
    settle();
    EXPECT_TRUE(vm->isTakePreviewActive());
    EXPECT_EQ(view->uiSelectedClipID(), vm->selectedClipID());
    EXPECT_NE(vm->selectedClipID(), b);
    EXPECT_FALSE(pane()->list()->hasFocus());
    EXPECT_FALSE(model->headerContent(headerRow("No Take")).multiViewEnabled);
}

TEST_F(PlaylistTest, MenusAndDeletes)
{
    const QUuid id = QUuid::createUuid(), other = QUuid::createUuid();
    const auto titlesOf = [](const std::vector<ClipMenuEntry>& entries) {
        QStringList out;
        for (const ClipMenuEntry& e : entries)
            out << (e.separator ? "-" : e.title);
        return out;
    };
    EXPECT_EQ(titlesOf(buildClipContextMenu(id, { other, false })),
        QStringList({ "Set as Output View", "-", "Show in File Manager", "-", "Delete Clip" }));
    EXPECT_EQ(titlesOf(buildClipContextMenu(id, { id, false })),
        QStringList({ "Clear Output View", "-", "Show in File Manager", "-", "Delete Clip" }));
    EXPECT_EQ(
        titlesOf(buildClipContextMenu(id, { id, true })), QStringList({ "Show in File Manager", "-", "Delete Clip" }));
    EXPECT_TRUE(buildClipContextMenu(id, {}).back().destructive);

    const QUuid first = addClip("R1-SC1-T1-Cam1.mov");
    addClip("R1-SC1-T1-Cam2.mov");
    const QUuid lone = addClip("R1-SC1-T5-Cam1.mov");
    showScreen();
    pane()->runClipMenuAction(ClipMenuAction::deleteClip, first);
    EXPECT_EQ(vm->clips().size(), 2);
    // A collapsed take that lost its last clip shows collapsed when a clip of it comes back.
    view->setCollapsedTakes({ 5 });
    pane()->runClipMenuAction(ClipMenuAction::deleteClip, lone);
    addClip("R1-SC1-T5-Cam2.mov");
    settle();
    EXPECT_TRUE(pane()->model()->headerContent(headerRow("Take 5")).collapsed);
    EXPECT_EQ(dialogs.pendingAlertCount(), 0);
    EXPECT_TRUE(QFile::exists(folder.filePath("R1-SC1-T1-Cam1.mov")));
    for (const char* answer : { "Cancel", "Delete All" }) {
        ui::screenkit::click(ui::screenkit::find<ui::StyledButton>(view.get(), "deleteAllButton"));
        ASSERT_EQ(dialogs.pendingAlertCount(), 1);
        EXPECT_EQ(dialogs.alerts().back().request.title, "Delete all clips from the list?");
        dialogs.answerAlert(QString::fromLatin1(answer));
        EXPECT_FALSE(view->showConfirmDeleteAll());
    }
    EXPECT_TRUE(vm->clips().isEmpty());
}

TEST_F(PlaylistTest, ActionsBarAndSupport)
{
    EXPECT_EQ(actionsState({}, 0, 0, {}, {}), PlaylistActionsState());
    const auto groups = groupClipsByTake({ takeClip("a", 1), takeClip("b", 2) });
    const PlaylistActionsState partial = actionsState(QUuid::createUuid(), 2, 1, groups, { 1 });
    EXPECT_TRUE(partial.deleteClipEnabled && partial.deleteAllEnabled && partial.exportEnabled
        && partial.collapseEnabled && !partial.collapseExpands);
    EXPECT_EQ(actionsState({}, 2, 0, groups, { 1, 2, 3 }).collapseTitle(true), "Expand");

    addClip("R1-SC1-T1-Cam1.mov");
    addClip("R1-SC1-T2-Cam1.mov");
    showScreen(QSize(1520, 920));
    PlaylistActionsBar* bar = pane()->actions();
    view->setCollapsedTakes({ 1 });
    auto* collapse = ui::screenkit::find<ui::StyledButton>(view.get(), "collapseExpandButton");
    for (const char* expected : { "Expand All", "Collapse All" }) {
        ui::screenkit::click(collapse);
        settle();
        EXPECT_EQ(collapse->label().text, expected);
    }
    EXPECT_TRUE(view->collapsedTakes().empty());

    QSignalSpy settingsRequests(view.get(), &PlaybackView::settingsRequested);
    ui::screenkit::click(ui::screenkit::find<ui::StyledButton>(view.get(), "settingsButton"));
    EXPECT_EQ(settingsRequests.count(), 1);

    ui::screenkit::click(ui::screenkit::find<ui::StyledButton>(view.get(), "supportButton"));
    ASSERT_TRUE(bar->supportPopover() && bar->supportPopover()->isVisible());
    EXPECT_EQ(bar->supportPopover()->width(), SupportPopover::contentWidth);
    bar->supportPopover()->hide();
    EXPECT_FALSE(view->showSupportPopover());
}

} // namespace
