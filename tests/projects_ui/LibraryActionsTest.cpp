// Import, rename and duplicate from the library screen, against the real store in a temporary
// folder: what reaches the store, what the operator is told, and the selection afterwards.

#include "LibraryFixture.h"
#include "kit/Files.h"
#include "projects/ProjectMetadata.h"
#include "projects/ui/RenameProjectView.h"

#include <QDir>
#include <QLineEdit>

namespace projects_ui {

// What a chosen file or folder becomes is tested with the store; here the panel, what the operator is
// told and the selection afterwards.
TEST_F(LibraryFixture, ImportsFoldersAndProjectFilesAndRefusesTheRest)
{
    const QString plain = env.path(QStringLiteral("imports/Plain"));
    const QString other = env.path(QStringLiteral("imports/Other/settings.json"));
    QDir().mkpath(plain);
    QDir().mkpath(env.path(QStringLiteral("imports/Other")));
    testkit::writeFile(other, R"({"volume": 11})");
    const auto import = [&](const QStringList& chosen) {
        dialogs.answerNextOpenPanelWith(chosen);
        view().importProject();
        QApplication::processEvents();
    };

    import({ plain });
    const auto& request = dialogs.openPanels().back().request;
    EXPECT_TRUE(request.chooseDirectories && request.alsoChooseFiles && !request.allowsMultipleSelection);
    EXPECT_TRUE(dialogs.alerts().empty());
    const auto current = library().currentProject();
    ASSERT_TRUE(current.has_value());
    EXPECT_EQ(current->name, "Plain");
    EXPECT_EQ(view().selection(), current->id);
    EXPECT_EQ(exits, 1);

    import({ other });
    EXPECT_EQ(alertMessages().back(), "Not a valid project file.");
    import({ plain });
    EXPECT_EQ(alertMessages().back(), "This project is already imported.");
    EXPECT_EQ(exits, 1);
    // A cancelled panel does nothing.
    const auto alerts = dialogs.alerts().size();
    import({});
    EXPECT_EQ(dialogs.alerts().size(), alerts);
}

TEST_F(LibraryFixture, RenameSavesTrimmedOnReturnAndKeepsTheSheetOpenOnFailure)
{
    const auto a = record("Spot");
    seed({ a }, a.id);
    auto& v = view();
    v.startRename(a);
    RenameProjectView* sheet = v.renameSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->name(), "Spot");
    EXPECT_EQ(v.selection(), a.id);

    for (const char* blank : { "", "   \n\t" }) {
        sheet->field()->selectAll();
        ui::screenkit::key(sheet->field(), Qt::Key_Backspace);
        sheet->field()->insert(QString::fromLatin1(blank));
        ui::screenkit::key(sheet->field(), Qt::Key_Return);
        EXPECT_EQ(alertMessages().back(), "Rename failed.");
        EXPECT_TRUE(v.renameSheet()) << "the sheet stays open";
        EXPECT_EQ(library().projects().front().name, "Spot");
    }
    sheet->field()->selectAll();
    sheet->field()->insert(QStringLiteral("  New  Name  "));
    EXPECT_EQ(v.renameText(), "  New  Name  ");
    ui::screenkit::key(sheet->field(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(library().projects().front().name, "New  Name");
    EXPECT_FALSE(v.renameSheet()) << "saved: the sheet closed";
    const auto written = projects::ProjectMetadata::readFile(a.folderPath + "/.corvale_project.json");
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(written->name, "New  Name");
}

} // namespace projects_ui
