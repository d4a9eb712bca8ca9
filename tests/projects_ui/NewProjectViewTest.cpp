// The new-project form against the real store: its alerts, the folder it makes, its format list,
// the cloud rule for "Create", and what follows a success.

#include "projects/ui/NewProjectView.h"
#include "LibraryFixture.h"
#include "ui/SegmentedPillControl.h"
#include "ui/ThemedLabel.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace projects_ui {

namespace {

class NewProjectTest : public LibraryFixture {
protected:
    NewProjectView& form()
    {
        if (!dialog) {
            dialog = std::make_unique<NewProjectView>(NewProjectView::Environment {
                library(), nullptr, hooks(), cloud, *env.settings, dialogs, env.path(QStringLiteral("Documents")) });
            dialog->show();
        }
        return *dialog;
    }
    void chooseCloud()
    {
        emit form().storagePicker()->activated(static_cast<int>(projects::ProjectStorageType::cloud));
    }

    std::unique_ptr<NewProjectView> dialog;
};

} // namespace

TEST_F(NewProjectTest, ProposesCorvaleInDocumentsAndEveryFormatButAuto)
{
    env.settings->setProjectFormat(settings::CaptureFormat::auto_);
    env.settings->setProjectOutputColorMode(settings::ProjectOutputColorMode::rec2020HLG);
    auto& f = form();
    const QString root = env.path(QStringLiteral("Documents/Corvale"));
    EXPECT_EQ(f.baseFolder(), root);
    EXPECT_TRUE(QFileInfo(root).isDir()) << "the proposed folder is made";
    EXPECT_EQ(f.format(), settings::CaptureFormat::hd1080p25) << "auto is never proposed";
    EXPECT_EQ(f.formatPicker()->count(), 29);
    EXPECT_EQ(f.formatPicker()->findText("Auto (Format Detect)"), -1);
    EXPECT_EQ(f.formatPicker()->currentText(), "HD 1080p25");
    EXPECT_EQ(f.colorSpaceLine()->text(), "Output Color Space: Rec.2020 + HLG (HDR)");
}

TEST_F(NewProjectTest, RefusalsAreAlertsAndTheFormStays)
{
    auto& f = form();
    QDir().mkpath(f.baseFolder() + QStringLiteral("/Taken"));
    const std::pair<const char*, const char*> cases[] = {
        { "   ", "Please enter a project name." },
        { "Taken", "A folder with this project name already exists in the selected location." },
    };
    for (const auto& [name, message] : cases) {
        f.nameField()->setText(QString::fromLatin1(name));
        ui::screenkit::click(f.createButton());
        ASSERT_FALSE(dialogs.alerts().empty());
        EXPECT_EQ(dialogs.alerts().back().request.title, "Create Project Failed");
        EXPECT_EQ(dialogs.alerts().back().request.message, message);
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(f.nameField()->text(), name);
    }
    EXPECT_TRUE(library().projects().isEmpty());
    EXPECT_EQ(exits, 0);
}

TEST_F(NewProjectTest, ADotDotNameStaysInsideTheLocation)
{
    auto& f = form();
    f.nameField()->setText(QStringLiteral(".."));
    ui::screenkit::key(f.nameField(), Qt::Key_Return);
    const auto current = library().currentProject();
    ASSERT_TRUE(current.has_value());
    EXPECT_EQ(current->name, "..");
    const QDir folder(current->folderPath);
    EXPECT_TRUE(folder.exists());
    EXPECT_EQ(QFileInfo(folder.absolutePath()).dir(), QDir(f.baseFolder())) << current->folderPath.toStdString();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(cloud.syncs, 0) << "a local project starts no sync";
    EXPECT_FALSE(f.isVisible());
}

TEST_F(NewProjectTest, CloudNeedsDriveAndStartsOneSyncOnceCurrent)
{
    auto& f = form();
    EXPECT_FALSE(f.driveRow()->isVisibleTo(&f));
    chooseCloud();
    EXPECT_TRUE(f.driveRow()->isVisibleTo(&f));
    EXPECT_EQ(f.driveStatus()->text(), "Google Drive not connected");
    EXPECT_EQ(f.signButton()->text(), "Sign In");
    EXPECT_FALSE(f.createButton()->isEnabled());
    ui::screenkit::click(f.signButton());
    EXPECT_EQ(cloud.signIns, 1);
    emit f.storagePicker()->activated(static_cast<int>(projects::ProjectStorageType::local));
    EXPECT_TRUE(f.createButton()->isEnabled()) << "local needs no account";
    chooseCloud();
    cloud.setIsSignedIn(true);
    EXPECT_TRUE(f.createButton()->isEnabled());
    EXPECT_EQ(f.driveStatus()->text(), "Google Drive connected");
    EXPECT_EQ(f.signButton()->text(), "Sign Out");

    // The sync starts after the project is current, and exactly once.
    f.nameField()->setText(QStringLiteral("Cloud Spot"));
    const int syncsBefore = cloud.syncs;
    QObject::connect(&library(), &projects::ProjectLibraryStore::currentProjectIDChanged,
        [&](const std::optional<QUuid>&) { EXPECT_EQ(cloud.syncs, syncsBefore) << "not before it is current"; });
    ui::screenkit::click(f.createButton());
    EXPECT_EQ(cloud.syncs, 1);
    EXPECT_EQ(library().currentProject()->storage(), projects::ProjectStorageType::cloud);
    EXPECT_EQ(exits, 1);
}

} // namespace projects_ui
