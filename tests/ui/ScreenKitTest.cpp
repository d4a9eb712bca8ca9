// The kit itself: finding controls, screenshots only when asked for, and the fake dialog service.

#include "kit/ScreenKit.h"
#include "kit/FakeDialogService.h"
#include "ui/AppTheme.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

namespace ui {

TEST(ScreenKit, ScreenshotsAreWrittenOnlyWhenAFolderIsNamed)
{
    QTemporaryDir folder;
    const QByteArray saved = qgetenv("CORVALE_TEST_ARTIFACTS");
    QLabel label(QStringLiteral("Hello"));
    label.resize(80, 20);

    qunsetenv("CORVALE_TEST_ARTIFACTS");
    const QImage image = screenkit::screenshot(&label, "kit-check");
    EXPECT_EQ(image.size(), QSize(80, 20));
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());

    qputenv("CORVALE_TEST_ARTIFACTS", (folder.path() + "/shots").toLocal8Bit());
    screenkit::screenshot(&label, "kit-check");
    EXPECT_TRUE(QFile::exists(folder.path() + "/shots/kit-check.png"));
    if (saved.isNull())
        qunsetenv("CORVALE_TEST_ARTIFACTS");
    else
        qputenv("CORVALE_TEST_ARTIFACTS", saved);
}

TEST(ScreenKit, FontsAreTheBundledDejaVuFaces)
{
    screenkit::prepare();
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(QFontInfo(AppTheme::fontMono()).family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_TRUE(QFontInfo(AppTheme::fontMono()).fixedPitch());
    EXPECT_EQ(AppTheme::fontSectionHeader().capitalization(), QFont::SmallCaps);
    EXPECT_FALSE(AppTheme::animationsEnabled());
}

TEST(FakeDialogService, ScriptedAnswersArriveAfterTheRequestReturns)
{
    FakeDialogService dialogs;
    dialogs.answerNextAlertWith(QStringLiteral("Delete"));
    int chosen = -1;
    dialogs.showAlert(nullptr,
        AlertRequest { QStringLiteral("Delete all clips from the list?"), QString(),
            { { QStringLiteral("Cancel"), AlertButton::Role::cancel },
                { QStringLiteral("Delete"), AlertButton::Role::destructive } } },
        [&](int button) { chosen = button; });
    EXPECT_EQ(chosen, -1) << "no answer inside the call";
    QCoreApplication::processEvents();
    EXPECT_EQ(chosen, 1);
    ASSERT_EQ(dialogs.alerts().size(), 1u);
    EXPECT_EQ(dialogs.alerts()[0].request.title, QStringLiteral("Delete all clips from the list?"));
    EXPECT_EQ(dialogs.pendingAlertCount(), 0);

    dialogs.answerNextOpenPanelWith({ QStringLiteral("/tmp/a.mov") });
    QStringList opened;
    dialogs.showOpenPanel(nullptr, OpenPanelRequest {}, [&](const QStringList& paths) { opened = paths; });
    QCoreApplication::processEvents();
    EXPECT_EQ(opened, QStringList { QStringLiteral("/tmp/a.mov") });

    dialogs.answerNextSavePanelWith(std::nullopt);
    std::optional<QString> saved = QStringLiteral("untouched");
    dialogs.showSavePanel(nullptr, SavePanelRequest {}, [&](const std::optional<QString>& path) { saved = path; });
    QCoreApplication::processEvents();
    EXPECT_FALSE(saved.has_value()) << "cancelled";

    // A scripted answer still queued when the service goes is dropped.
    bool called = false;
    auto gone = std::make_unique<FakeDialogService>();
    gone->answerNextAlertWith(QStringLiteral("OK"));
    gone->showAlert(nullptr, AlertRequest { QStringLiteral("Gone"), {}, {} }, [&](int) { called = true; });
    gone.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}

TEST(FakeDialogService, PendingRequestsWaitForTheTestAndMayChain)
{
    FakeDialogService dialogs;
    std::vector<int> answers;
    std::function<void(int)> onAnswer = [&](int button) {
        answers.push_back(button);
        // An answer that asks again (the records move while this runs).
        if (answers.size() == 1)
            dialogs.showAlert(nullptr, AlertRequest { QStringLiteral("Second"), {}, {} }, onAnswer);
    };
    dialogs.showAlert(nullptr,
        AlertRequest { QStringLiteral("Resume Same Take?"), QString(),
            { { QStringLiteral("New Take") }, { QStringLiteral("Resume") } } },
        onAnswer);
    EXPECT_EQ(dialogs.pendingAlertCount(), 1);
    EXPECT_TRUE(dialogs.answerAlert(QStringLiteral("Resume")));
    EXPECT_EQ(dialogs.pendingAlertCount(), 1);
    EXPECT_TRUE(dialogs.answerAlert(QStringLiteral("OK"))) << "an alert without buttons has OK";
    EXPECT_EQ(answers, (std::vector<int> { 1, 0 }));
    EXPECT_EQ(dialogs.pendingAlertCount(), 0);
}

} // namespace ui
