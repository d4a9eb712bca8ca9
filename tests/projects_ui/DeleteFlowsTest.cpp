// Removing projects from the library screen: the local confirmation, and the cloud flow's four
// ends with the re-authentication and the Drive trash driven by hand.

#include "LibraryFixture.h"
#include "projects/ui/CloudDeleteConfirmSheet.h"
#include "projects/ui/ProjectGrid.h"
#include "ui/StyledButton.h"

namespace projects_ui {

using projects::ProjectStorageType;

namespace {

const QString authFailed = QStringLiteral("Google authentication failed. Please try again.");

class CloudDeleteTest : public LibraryFixture {
protected:
    // A library of a local project and two cloud projects in Drive (the current one with a Drive
    // folder, one without), the cloud tab showing, the current project selected and its sheet open.
    void SetUp() override
    {
        local = record("Local", ProjectStorageType::local, 30);
        withFolder = record("With Folder", ProjectStorageType::cloud, 0, "drive-1");
        withoutFolder = record("No Folder", ProjectStorageType::cloud, 10);
        seed({ local, withFolder, withoutFolder }, withFolder.id);
        signedInWith({ withFolder.id, withoutFolder.id });
        view().setStorageFilter(ProjectStorageType::cloud);
        ASSERT_EQ(view().selection(), withFolder.id) << "the first listed cloud project";
        ui::screenkit::click(view().button("Delete"));
        ASSERT_NE(view().cloudDeleteSheet(), nullptr);
    }
    CloudDeleteConfirmSheet& sheet() { return *view().cloudDeleteSheet(); }
    void confirm() { ui::screenkit::click(sheet().confirmButton()); }
    bool inLibrary(const QUuid& id)
    {
        const auto& all = library().projects();
        return std::any_of(all.begin(), all.end(), [&](const projects::ProjectInfo& p) { return p.id == id; });
    }

    projects::ProjectInfo local, withFolder, withoutFolder;
};

} // namespace

TEST_F(LibraryFixture, LocalDeleteAsksFirstAndMovesTheSelectionAndTheEngine)
{
    const auto a = record("A", ProjectStorageType::local, 0);
    const auto b = record("B", ProjectStorageType::local, 10);
    seed({ a, b }, a.id);
    auto& v = view();
    ASSERT_EQ(v.selection(), a.id);

    dialogs.answerNextAlertWith(QStringLiteral("Cancel"));
    ui::screenkit::click(v.button("Delete"));
    QApplication::processEvents();
    EXPECT_EQ(dialogs.alerts().back().request.title, "Delete Project?");
    EXPECT_EQ(dialogs.alerts().back().request.message,
        "This removes the project from the library only. Files on disk will not be deleted.");
    EXPECT_EQ(library().projects().size(), 2);

    dialogs.answerNextAlertWith(QStringLiteral("Delete"));
    ui::screenkit::click(v.button("Delete"));
    QApplication::processEvents();
    EXPECT_EQ(library().projects().size(), 1);
    EXPECT_FALSE(library().currentProjectID().has_value());
    EXPECT_EQ(enters, 1) << "the open project went away";
    EXPECT_EQ(v.selection(), b.id) << "the first record of the library";
    EXPECT_TRUE(QFileInfo(a.folderPath).isDir()) << "files stay";
}

TEST_F(CloudDeleteTest, TrashesOnlyAfterThisSignInSucceededThenRemovesTheRecord)
{
    EXPECT_EQ(sheet().projectName(), "With Folder");
    confirm();
    EXPECT_TRUE(view().isDeletingFromDrive());
    EXPECT_TRUE(sheet().isDeletingFromDrive());
    ASSERT_EQ(cloud.reAuthentications.size(), 1u);
    // Already signed in before: no trash until this sign-in ends, however long we wait.
    scheduler.advance(60);
    EXPECT_TRUE(cloud.trashRequests.isEmpty());
    cloud.finishReAuthentication(true);
    EXPECT_EQ(cloud.trashRequests, QStringList { "drive-1" });
    cloud.finishTrash(std::nullopt);
    EXPECT_TRUE(inLibrary(withFolder.id)) << "the record goes after a short wait";
    scheduler.advance(ProjectLibraryView::afterTrashWait);
    QApplication::processEvents();
    EXPECT_FALSE(inLibrary(withFolder.id));
    EXPECT_FALSE(view().isDeletingFromDrive());
    EXPECT_EQ(view().cloudDeleteSheet(), nullptr) << "done: the sheet closed";
    EXPECT_EQ(enters, 1) << "it was the open project";
    EXPECT_EQ(view().selection(), library().projects().front().id);
}

TEST_F(CloudDeleteTest, EndsWithAnErrorWhenTheSignInFailsOrNeverEnds)
{
    // Cancelled or failed.
    confirm();
    cloud.finishReAuthentication(false);
    EXPECT_EQ(sheet().error(), authFailed);
    EXPECT_FALSE(sheet().isDeletingFromDrive());
    EXPECT_TRUE(cloud.trashRequests.isEmpty());

    // Succeeded, but the manager is not signed in afterwards.
    confirm();
    EXPECT_FALSE(sheet().error().has_value()) << "a new run clears the line";
    cloud.setIsSignedIn(false);
    auto done = std::move(cloud.reAuthentications.front());
    cloud.reAuthentications.clear();
    done(true);
    EXPECT_EQ(sheet().error(), authFailed);

    // No answer within two minutes; the late answer is then ignored.
    cloud.setIsSignedIn(true);
    confirm();
    scheduler.advance(ProjectLibraryView::signInTimeout - 1);
    EXPECT_TRUE(sheet().isDeletingFromDrive());
    scheduler.advance(1);
    EXPECT_EQ(sheet().error(), authFailed);
    EXPECT_FALSE(sheet().isDeletingFromDrive());
    cloud.finishReAuthentication(true);
    EXPECT_TRUE(cloud.trashRequests.isEmpty());
    EXPECT_TRUE(inLibrary(withFolder.id));
    EXPECT_EQ(enters, 0);
}

TEST_F(CloudDeleteTest, DriveAndLibraryFailuresKeepTheSheetOpen)
{
    confirm();
    cloud.finishReAuthentication(true);
    cloud.finishTrash(QStringLiteral("Drive trash failed: HTTP 403"));
    EXPECT_EQ(sheet().error(), "Failed to delete from Google Drive: Drive trash failed: HTTP 403");
    EXPECT_TRUE(inLibrary(withFolder.id));

    // The record vanishes while Drive trashes the folder.
    confirm();
    cloud.finishReAuthentication(true);
    cloud.finishTrash(std::nullopt);
    ASSERT_TRUE(library().deleteProject(withFolder.id).ok());
    scheduler.advance(ProjectLibraryView::afterTrashWait);
    EXPECT_EQ(sheet().error(), "Local delete failed: Project not found.");
    EXPECT_FALSE(sheet().isDeletingFromDrive());
    ASSERT_NE(view().cloudDeleteSheet(), nullptr);
}

} // namespace projects_ui
