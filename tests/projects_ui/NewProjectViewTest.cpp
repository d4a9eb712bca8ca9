// The new-project form against the real store: its alerts, the folder it makes, its format list,
// the cloud rule for "Create", and what follows a success.

#include "projects/ui/NewProjectView.h"
#include "LibraryFixture.h"

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

    std::unique_ptr<NewProjectView> dialog;
};

} // namespace

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

} // namespace projects_ui
