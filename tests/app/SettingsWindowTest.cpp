// The settings window over the real settings, capture engine and shortcut manager: controls are
// driven as the user drives them (clicks, activations, key events sent to a window) and the shared
// objects and the stored defaults are read back.

#include "SettingsFixture.h"

#include "settings/KeyBinding.h"
#include "ui/SegmentedPillControl.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QWindow>

namespace app {
namespace {

using settings::PlayerAction;
using ui::screenkit::find;

using SettingsWindowTest = SettingsFixture;

TEST_F(SettingsWindowTest, OpensOnGeneralAndClosingNotSwitchingCancelsACapture)
{
    SettingsRootView& window = openSettings();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.generalScrollArea()->widget(), &pane<GeneralSettingsView>());

    ui::screenkit::click(window.tabSwitch()->segment(1));
    EXPECT_EQ(window.selection(), SettingsRootView::Tab::keyboard);
    EXPECT_EQ(window.generalScrollArea(), nullptr);
    for (QWidget* up = &pane<KeyboardSettingsView>(); up; up = up->parentWidget())
        EXPECT_EQ(qobject_cast<QScrollArea*>(up), nullptr);

    keyboard->beginEditing(PlayerAction::stop);
    ui::screenkit::click(window.tabSwitch()->segment(0));
    EXPECT_EQ(keyboard->editingAction(), PlayerAction::stop) << "a tab switch keeps the capture";
    ui::screenkit::click(window.tabSwitch()->segment(1));
    window.close();
    EXPECT_EQ(keyboard->editingAction(), std::nullopt);

    // Reopening shows General again, in the same window.
    EXPECT_EQ(&openSettings(), &window);
    EXPECT_EQ(window.tabSwitch()->selection().toInt(), int(SettingsRootView::Tab::general));
    EXPECT_EQ(services.log.count(QStringLiteral("makeSettingsWindow")), 1);
}

TEST_F(SettingsWindowTest, ChooseStoresTheFolderAsChosenAndResetForgetsIt)
{
    openSettings();
    auto& general = pane<GeneralSettingsView>();
    settings.setRecordingFolderBookmarkData(QByteArray("old"));
    const QString chosen = folder.filePath(QStringLiteral("Take 1 "));
    QDir().mkpath(chosen);

    settingsDialogs.answerNextOpenPanelWith({});
    ui::screenkit::click(find<QAbstractButton>(&general, QStringLiteral("chooseFolderButton")));
    QApplication::processEvents();
    EXPECT_EQ(settings.recordingFolderBookmarkData(), QByteArray("old")) << "a cancel changes nothing";
    EXPECT_TRUE(settingsDialogs.openPanels().at(0).request.chooseDirectories);

    settingsDialogs.answerNextOpenPanelWith({ chosen });
    general.chooseRecordingFolder();
    QApplication::processEvents();
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("recordingFolderPath")), chosen);
    EXPECT_FALSE(defaults.contains(QStringLiteral("recordingFolderBookmark")));
    EXPECT_EQ(find<QLabel>(&general, QStringLiteral("recordingFolderPath"))->text(), chosen);

    settings.setRecordingFolderBookmarkData(QByteArray("again"));
    ui::screenkit::click(find<QAbstractButton>(&general, QStringLiteral("resetFolderButton")));
    EXPECT_FALSE(defaults.contains(QStringLiteral("recordingFolderPath")));
    EXPECT_FALSE(defaults.contains(QStringLiteral("recordingFolderBookmark")));
    EXPECT_EQ(recordVM->outputFolderURL(), recordVM->defaultRecordingFolder());
}

class KeyboardPaneTest : public SettingsFixture {
protected:
    void SetUp() override
    {
        ui::screenkit::click(openSettings().tabSwitch()->segment(1));
        view = &pane<KeyboardSettingsView>();
    }
    QStringList labels() const
    {
        QStringList texts;
        for (auto action : settings::allCases<PlayerAction>())
            texts << view->shortcutButton(action)->text();
        return texts;
    }
    void clickShortcut(PlayerAction action) { ui::screenkit::click(view->shortcutButton(action)); }
    // A key as the windowing system delivers it.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(&keyWindow, &event);
    }

    QWindow keyWindow;
    KeyboardSettingsView* view = nullptr;
    const QStringList factory { "Space", "I", "O", "J", "K", "L" };
};

// What a key does once captured (Ctrl, Escape, storage, keys bound twice) is the shortcut
// manager's and tested there; here the pane's clicks, labels and banner.
TEST_F(KeyboardPaneTest, ClicksStartMoveAndEndTheCaptureAndTheLabelsFollow)
{
    EXPECT_EQ(labels(), factory);
    EXPECT_FALSE(view->banner()->isVisibleTo(view));

    clickShortcut(PlayerAction::markIn);
    EXPECT_TRUE(view->banner()->isVisibleTo(view));
    EXPECT_EQ(find<QLabel>(view, QStringLiteral("captureAction"))->text(), QStringLiteral("Mark In"));
    clickShortcut(PlayerAction::markIn);
    EXPECT_EQ(keyboard->editingAction(), std::nullopt) << "a second click ends the capture";

    clickShortcut(PlayerAction::markIn);
    clickShortcut(PlayerAction::stop);
    EXPECT_EQ(labels().at(1), QStringLiteral("I"));
    EXPECT_EQ(labels().at(4), QStringLiteral("Press key..."));
    press(Qt::Key_M, Qt::ShiftModifier);
    EXPECT_EQ(labels().at(4), QStringLiteral("Shift+M"));

    clickShortcut(PlayerAction::playPause);
    ui::screenkit::click(find<QAbstractButton>(view, QStringLiteral("resetShortcuts")));
    EXPECT_EQ(labels(), factory);
    EXPECT_EQ(keyboard->editingAction(), std::nullopt);
}

} // namespace
} // namespace app
