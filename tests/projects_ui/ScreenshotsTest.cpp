// Pictures of the project screens in both appearances, written to $CORVALE_TEST_ARTIFACTS: the
// library's local tab with a selection, its cloud tab while uploading with failures, an empty
// library, the new-project form (cloud, signed out) and the cloud delete sheet after a failure.
// Nothing is asserted about the pictures beyond their being made.

#include "LibraryFixture.h"
#include "projects/ui/CloudDeleteConfirmSheet.h"
#include "projects/ui/NewProjectView.h"
#include "ui/SegmentedPillControl.h"

namespace projects_ui {

namespace {

class Screenshots : public LibraryFixture {
protected:
    void SetUp() override
    {
        if (ui::screenkit::artifactsFolder().isEmpty())
            GTEST_SKIP() << "CORVALE_TEST_ARTIFACTS names no folder";
    }

    // Four local projects (one opened, one with a long name) and two cloud projects.
    void seedLibrary()
    {
        auto opened = record("Harbour Night Shoot");
        opened.lastOpenedAt = projects::ReferenceDate { clock - 60 };
        auto longName = record("Commercial for a client with a very long name that needs two lines",
            projects::ProjectStorageType::local, 50);
        longName.formatRaw = QStringLiteral("uhd2160p2398");
        auto odd = record("Pickups", projects::ProjectStorageType::local, 100);
        odd.formatRaw = QStringLiteral("no-such-format");
        cloudA = record("Drive Series Ep 1", projects::ProjectStorageType::cloud, 5, "drive-a");
        cloudA.lastOpenedAt = projects::ReferenceDate { clock - 30 };
        cloudB = record("Drive Series Ep 2", projects::ProjectStorageType::cloud, 15, "drive-b");
        seed({ opened, longName, odd, record("Table Read", projects::ProjectStorageType::local, 200), cloudA, cloudB },
            opened.id);
    }

    void shoot(QWidget* widget, const QString& name, const QString& appearance)
    {
        QApplication::processEvents();
        const QImage image = ui::screenkit::screenshot(widget, name + QLatin1Char('-') + appearance);
        EXPECT_FALSE(image.isNull());
    }

    void reset()
    {
        screen.reset();
        store.reset();
        cloud.setIsSignedIn(false);
        cloud.setCloudListLoaded(false);
    }

    projects::ProjectInfo cloudA, cloudB;
};

} // namespace

TEST_F(Screenshots, LibraryTabsAndEmptyState)
{
    ui::screenkit::inBothAppearances([&](const QString& appearance) {
        reset();
        seedLibrary();
        shoot(&view(), QStringLiteral("library-local-selected"), appearance);

        cloud.setIsSignedIn(true);
        cloud.setSignedInEmail(QStringLiteral("dit@harbour.example"));
        cloud.setCloudListLoaded(true);
        cloud.setCloudProjectIDs({ cloudA.id, cloudB.id });
        cloud.setPhase(cloud::CloudSyncPhase::uploading);
        cloud.setStatusText(QStringLiteral("Syncing… 2/6"));
        cloud.setPendingCount(4);
        cloud.setIsSyncing(true);
        cloud.setCanRetry(true);
        cloud.setCurrentUploadName(QStringLiteral("R1-SC4-T2-Cam1-2026-01-05.mov"));
        cloud.setCurrentUploadProgress(0.62);
        cloud.setFailedItems({ "R1-SC3-T1-Cam1-2026-01-05.mov", "R1-SC3-T1-Cam2-2026-01-05.mov", "playlist.json",
            "R1-SC3-T2-Cam1-2026-01-05.mov" });
        view().setStorageFilter(projects::ProjectStorageType::cloud);
        shoot(&view(), QStringLiteral("library-cloud-uploading"), appearance);

        reset();
        seed({});
        shoot(&view(), QStringLiteral("library-empty"), appearance);
    });
}

TEST_F(Screenshots, Sheets)
{
    ui::screenkit::inBothAppearances([&](const QString& appearance) {
        reset();
        seedLibrary();
        NewProjectView form(NewProjectView::Environment {
            library(), nullptr, hooks(), cloud, *env.settings, dialogs, env.path(QStringLiteral("Documents")) });
        form.show();
        emit form.storagePicker()->activated(static_cast<int>(projects::ProjectStorageType::cloud));
        shoot(&form, QStringLiteral("new-project-cloud-signed-out"), appearance);

        CloudDeleteConfirmSheet sheet(
            QStringLiteral("Drive Series Ep 1"), [] {}, [] {});
        sheet.show();
        sheet.setError(QStringLiteral("Failed to delete from Google Drive: Drive trash failed: HTTP 403"));
        shoot(&sheet, QStringLiteral("cloud-delete-failed"), appearance);
    });
}

} // namespace projects_ui
