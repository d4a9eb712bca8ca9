#include "app/WidgetDialogService.h"
#include "kit/ScreenKit.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace app {
namespace {

class DialogServiceTest : public ::testing::Test {
protected:
    DialogServiceTest()
    {
        ui::screenkit::prepare();
        window.resize(800, 600);
        window.show();
        QApplication::processEvents();
    }

    template <class W> W* opened()
    {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto found = window.findChildren<W*>();
        return found.size() == 1 ? found.front() : nullptr;
    }

    QWidget window;
    WidgetDialogService dialogs;
};

TEST_F(DialogServiceTest, AlertsAnswerLaterAndEscapePicksTheCancelRole)
{
    std::optional<int> answer;
    ui::AlertRequest request { QStringLiteral("Delete Project?"), QStringLiteral("Files stay."),
        { { QStringLiteral("Delete"), ui::AlertButton::Role::destructive },
            { QStringLiteral("Cancel"), ui::AlertButton::Role::cancel },
            { QStringLiteral("Later"), ui::AlertButton::Role::normal } } };
    dialogs.showAlert(&window, request, [&](int button) { answer = button; });
    EXPECT_FALSE(answer) << "the call returns before the answer";
    auto* box = opened<QMessageBox>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    QTest::keyClick(box, Qt::Key_Escape);
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, 1);
}

TEST_F(DialogServiceTest, PanelsAnswerLaterNothingWhenCancelledAndAFolderWhenAllowed)
{
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Project A")));

    std::optional<QStringList> cancelled;
    ui::OpenPanelRequest plain;
    plain.title = QStringLiteral("Add");
    plain.directory = folder.path();
    dialogs.showOpenPanel(&window, plain, [&](const QStringList& p) { cancelled = p; });
    EXPECT_FALSE(cancelled);
    auto* panel = opened<QFileDialog>();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    panel->reject();
    ASSERT_TRUE(cancelled);
    EXPECT_TRUE(cancelled->isEmpty());
    QApplication::processEvents();

    ui::OpenPanelRequest request;
    request.title = QStringLiteral("Import Project Folder");
    request.directory = folder.path();
    request.chooseDirectories = true;
    request.alsoChooseFiles = true;
    request.message = QStringLiteral("Select a project folder or .corvale_project.json");
    request.prompt = QStringLiteral("Import");
    std::optional<QStringList> chosen;
    dialogs.showOpenPanel(&window, request, [&](const QStringList& p) { chosen = p; });
    panel = opened<QFileDialog>();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->labelText(QFileDialog::Accept), "Import");
    EXPECT_NE(panel->findChild<QWidget*>(QStringLiteral("panelMessage")), nullptr);
    auto* name = panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("Project A"));
    static_cast<QDialog*>(panel)->accept(); // as the confirm button does
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, QStringList { QDir(folder.path()).filePath(QStringLiteral("Project A")) });
}

} // namespace
} // namespace app
