// Import, rename and duplicate from the library screen, against the real store in a temporary
// folder: what reaches the store, what the operator is told, and the selection afterwards.

#include "LibraryFixture.h"
#include "kit/Files.h"
#include "projects/ProjectMetadata.h"
#include "projects/ui/RenameProjectView.h"

#include <QDir>
#include <QLineEdit>

namespace projects_ui {

namespace {

QByteArray metadata(const QString& id, const QString& name)
{
    return QStringLiteral(R"({"id":"%1","name":"%2","formatRaw":"hd1080p50","colorSpaceRaw":"rec709",)"
                          R"("storageRaw":"local","createdAt":12.5,"folderName":"whatever"})")
        .arg(id, name)
        .toUtf8();
}

} // namespace

TEST_F(LibraryFixture, ImportsFoldersAndProjectFilesAndRefusesTheRest)
{
    const QString knownId = QStringLiteral("0A1B2C3D-0000-4000-8000-00000000000A");
    struct Case {
        const char* what;
        QString folder; // made in the scratch folder
        QString file; // written into it, with `content` (empty: choose the folder itself)
        QByteArray content;
        QString expectedName; // empty: the import is refused with `expectedError`
        QString expectedError;
        QString idText = {}; // the identifier in the file, and whether the record keeps it
        bool keepsId = false;
    };
    const Case cases[] = {
        { "a plain folder", "Plain", "", "", "Plain", "" },
        { "an undecodable metadata file in capitals", "Shouting", ".CORVALE_PROJECT.JSON", "{broken", "Shouting", "" },
        { "a renamed backup", "Backup", "backup-copy.json", metadata(knownId, "Restored"), "Restored", "", knownId,
            true },
        { "other JSON", "Other", "settings.json", R"({"volume": 11})", "", "Not a valid project file." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString folder = env.path(QStringLiteral("imports/") + c.folder);
        QDir().mkpath(folder);
        QString chosen = folder;
        if (!c.file.isEmpty()) {
            chosen = folder + QLatin1Char('/') + c.file;
            testkit::writeFile(chosen, c.content);
        }
        const int alertsBefore = static_cast<int>(dialogs.alerts().size());
        const int exitsBefore = exits;
        dialogs.answerNextOpenPanelWith({ chosen });
        view().importProject();
        QApplication::processEvents();
        const auto& request = dialogs.openPanels().back().request;
        EXPECT_EQ(request.title, "Import Project Folder");
        EXPECT_EQ(request.message, "Select a project folder or .corvale_project.json");
        EXPECT_EQ(request.prompt, "Import");
        EXPECT_TRUE(request.chooseDirectories && request.alsoChooseFiles && !request.allowsMultipleSelection);
        if (c.expectedName.isEmpty()) {
            ASSERT_EQ(static_cast<int>(dialogs.alerts().size()), alertsBefore + 1);
            EXPECT_EQ(alertMessages().back(), c.expectedError);
            EXPECT_EQ(exits, exitsBefore);
            continue;
        }
        EXPECT_EQ(static_cast<int>(dialogs.alerts().size()), alertsBefore);
        const auto current = library().currentProject();
        ASSERT_TRUE(current.has_value());
        EXPECT_EQ(current->name, c.expectedName);
        EXPECT_EQ(QDir(current->folderPath), QDir(folder));
        if (!c.idText.isEmpty()) {
            EXPECT_EQ(current->id == QUuid::fromString(c.idText), c.keepsId);
        }
        EXPECT_EQ(view().selection(), current->id);
        EXPECT_EQ(exits, exitsBefore + 1);
    }

    // The same folder again.
    dialogs.answerNextOpenPanelWith({ env.path(QStringLiteral("imports/Plain")) });
    view().importProject();
    QApplication::processEvents();
    EXPECT_EQ(alertMessages().back(), "This project is already imported.");
    // A cancelled panel does nothing.
    const auto alerts = dialogs.alerts().size();
    dialogs.answerNextOpenPanelWith({});
    view().importProject();
    QApplication::processEvents();
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

TEST_F(LibraryFixture, DuplicateOpensTheCopyOrSaysItFailed)
{
    const auto a = record("Spot");
    seed({ a }, a.id);
    auto& v = view();
    v.duplicateProject(a);
    EXPECT_EQ(library().currentProject()->name, "Spot Copy");
    EXPECT_EQ(exits, 1);
    auto missing = a;
    missing.id = QUuid::createUuid();
    v.duplicateProject(missing);
    EXPECT_EQ(alertMessages(), QStringList { "Duplicate failed." });
    EXPECT_EQ(exits, 1);
}

} // namespace projects_ui
