// The screen's root: pane sizes and the playlist removed in capture mode, and saving before the
// library opens.

#include "PlaybackScreenTestKit.h"
#include "kit/ScreenKit.h"
#include "ui/LayoutLogger.h"
#include "ui/PaneChrome.h"

#include <QApplication>
#include <QSplitter>

using namespace playback_screen;
using playback_screen_test::ScreenTest;

namespace {

class PlaybackViewTest : public ScreenTest { };

TEST_F(PlaybackViewTest, PanesKeepTheirBoundsAndCaptureDropsThePlaylist)
{
    showScreen();
    const QRect centre = view->centrePane()->geometry();
    const QRect inspector = view->inspectorPane()->geometry();
    EXPECT_GE(centre.width(), PlaybackView::centreMinimumWidth);
    EXPECT_GE(centre.height(), PlaybackView::centreMinimumHeight);
    EXPECT_GE(inspector.width(), PlaybackView::inspectorMinimumWidth);
    EXPECT_LE(inspector.width(), PlaybackView::inspectorMaximumWidth);
    EXPECT_GE(view->playlistPane()->height(), PlaybackView::playlistMinimumHeight);
    scheduler.advance(ui::LayoutLogger::debounceSeconds);
    QStringList labels;
    for (const auto& entry : logger->entries())
        labels.append(entry.label);
    labels.sort();
    EXPECT_EQ(labels,
        QStringList({ "③ Center Pane (Player/Capture)", "④ Right Inspector (Output Preview)",
            "⑤ Top Area (Player + Inspector)", "⑥ Bottom Playlist" }));

    view->setCenterMode(CenterMode::capture);
    QApplication::processEvents();
    EXPECT_FALSE(view->playlistPane()->isVisible());
    EXPECT_FALSE(view->verticalSplitter()->handle(1)->isVisible());
    EXPECT_EQ(view->topSplitter()->height(), view->verticalSplitter()->height());
    view->setCenterMode(CenterMode::playback);
    QApplication::processEvents();
    EXPECT_TRUE(view->playlistPane()->isVisible());
    EXPECT_GE(view->playlistPane()->height(), PlaybackView::playlistMinimumHeight);
}

TEST_F(PlaybackViewTest, LibraryAlertAnswers)
{
    showScreen();
    view->openProjectLibrary(); // nothing unsaved: at once
    EXPECT_TRUE(library->isLibraryPresented());
    EXPECT_TRUE(dialogs.alerts().empty());
    library->setLibraryPresented(false);

    // Unsaved changes outside a project: "Save" saves nothing and opens.
    addClip(QStringLiteral("A001_S1_T1.mov"));
    ASSERT_TRUE(vm->hasUnsavedChanges());
    struct Case {
        const char* answer;
        bool presented;
    };
    for (const Case& c : { Case { "Cancel", false }, Case { "Don't Save", true }, Case { "Save", true } }) {
        view->openProjectLibrary();
        view->openProjectLibrary(); // one alert at a time
        ASSERT_EQ(dialogs.pendingAlertCount(), 1);
        EXPECT_EQ(dialogs.alerts().back().request.title, "Open Project Library?");
        dialogs.answerAlert(QString::fromLatin1(c.answer));
        EXPECT_EQ(library->isLibraryPresented(), c.presented) << c.answer;
        EXPECT_TRUE(vm->hasUnsavedChanges()) << c.answer;
        library->setLibraryPresented(false);
    }

    // A playlist that cannot be written (a folder stands where the file goes) fails the save:
    // the library stays closed until the user says otherwise.
    const QString project = folder.filePath(QStringLiteral("project"));
    QDir().mkpath(project);
    settings->setRecordingFolderPath(project);
    vm->exitProjectSelectionMode();
    QDir().mkpath(project + QStringLiteral("/playlist.json"));
    addClip(QStringLiteral("A001_S1_T2.mov"));
    view->openProjectLibrary();
    dialogs.answerAlert(QStringLiteral("Save"));
    ASSERT_EQ(dialogs.pendingAlertCount(), 1);
    EXPECT_EQ(dialogs.alerts().back().request.title, "Could not save the playlist.");
    EXPECT_FALSE(library->isLibraryPresented());
    dialogs.answerAlert(QStringLiteral("Open Library Anyway"));
    EXPECT_TRUE(library->isLibraryPresented());
}

} // namespace
