// The library screen: which tab it opens on, its empty states, the cloud listing, which buttons it
// enables, how it keeps the selection, when it asks Drive for its list, opening and Continue.

#include "LibraryFixture.h"
#include "projects/ui/CloudSyncCard.h"
#include "projects/ui/ProjectCard.h"
#include "projects/ui/ProjectGrid.h"
#include "ui/StyledButton.h"
#include "ui/ThemedLabel.h"

namespace projects_ui {

using projects::ProjectStorageType;

namespace {

bool enabled(ProjectLibraryView& view, const char* title)
{
    return view.button(QString::fromLatin1(title))->isEnabled();
}

} // namespace

TEST_F(LibraryFixture, OpensOnTheTabThatHasProjectsAndShowsEachEmptyState)
{
    {
        SCOPED_TRACE("empty library");
        auto& v = view();
        EXPECT_EQ(v.storageFilter(), ProjectStorageType::local);
        EXPECT_TRUE(v.emptyState()->isVisibleTo(&v));
        EXPECT_EQ(v.emptyTitle()->text(), "No local projects yet");
        EXPECT_TRUE(v.button("Import")->isVisibleTo(&v));
        EXPECT_FALSE(v.cloudSyncCard()->isVisibleTo(&v));
        EXPECT_FALSE(enabled(v, "Continue"));
        EXPECT_TRUE(enabled(v, "Cancel"));
        for (const char* title : { "Rename", "Duplicate", "Delete", "Open" })
            EXPECT_FALSE(enabled(v, title)) << title;
    }
    screen.reset();
    store.reset();
    seed({ record("Drive A", ProjectStorageType::cloud, 0, "f1") });
    {
        SCOPED_TRACE("only cloud records, signed out");
        auto& v = view();
        EXPECT_EQ(v.storageFilter(), ProjectStorageType::cloud);
        EXPECT_EQ(v.emptyTitle()->text(), "No cloud projects yet") << "signed out is not loading";
        EXPECT_FALSE(v.button("Import")->isVisibleTo(&v));
        EXPECT_TRUE(v.cloudSyncCard()->isVisibleTo(&v));
        cloud.setIsSignedIn(true);
        EXPECT_EQ(v.emptyTitle()->text(), "Loading cloud projects…");
        EXPECT_EQ(cloud.refreshes, 1) << "signing in on the cloud tab asks for the list";
    }
}

TEST_F(LibraryFixture, OpeningACloudRecordGoneFromDriveIsRefused)
{
    const auto gone = record("Gone", ProjectStorageType::cloud, 0, "fg");
    seed({ gone });
    auto& v = view();
    // Before Drive's list has loaded nothing is checked.
    v.openSelectedProject(gone);
    EXPECT_EQ(library().currentProjectID(), gone.id);
    EXPECT_EQ(exits, 1);
    signedInWith({});
    v.openSelectedProject(gone);
    EXPECT_EQ(alertMessages(), QStringList { "This cloud project is no longer available." });
    EXPECT_EQ(dialogs.alerts().back().request.title, "Project Error");
    EXPECT_EQ(exits, 1);
}

TEST_F(LibraryFixture, OpenAndContinue)
{
    const auto a = record("A", ProjectStorageType::local, 0);
    const auto b = record("B", ProjectStorageType::local, 10);
    seed({ a, b }, b.id);
    library().setLibraryPresented(true);
    selectionMode = true;
    auto& v = view();

    // Continue while the engine still waits for a project opens the current one properly.
    ui::screenkit::click(v.button("Continue"));
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(library().isLibraryPresented());
    ASSERT_TRUE(library().currentProject()->lastOpenedAt.has_value());
    EXPECT_EQ(library().projects().front().id, b.id);

    // Once a project is open, Continue and Cancel only close.
    library().setLibraryPresented(true);
    ui::screenkit::click(v.button("Continue"));
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(library().isLibraryPresented());
    library().setLibraryPresented(true);
    ui::screenkit::click(v.button("Cancel"));
    EXPECT_FALSE(library().isLibraryPresented());
    EXPECT_EQ(library().currentProjectID(), b.id);

    // Return opens the selection.
    ui::screenkit::click(v.grid()->card(1));
    ASSERT_EQ(v.selection(), a.id);
    ui::screenkit::key(&v, Qt::Key_Return);
    EXPECT_EQ(library().currentProjectID(), a.id);
    EXPECT_EQ(exits, 2);
}

} // namespace projects_ui
