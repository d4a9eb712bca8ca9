// The two small sheets: what the delete sheet shows in each state and that a running deletion
// cannot be dismissed; Return and Escape in the rename sheet.

#include "kit/ScreenKit.h"
#include "projects/ui/CloudDeleteConfirmSheet.h"
#include "projects/ui/RenameProjectView.h"
#include "ui/StyledButton.h"
#include "ui/ThemedLabel.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

namespace projects_ui {

// The four ends of the flow are the library's tests; here what the sheet itself decides.
TEST(CloudDeleteConfirmSheet, ShowsTheNameAsTextAndCannotBeDismissedWhileBusy)
{
    int confirms = 0;
    int cancels = 0;
    auto sheet = ui::screenkit::showWidget<CloudDeleteConfirmSheet>(
        QSize(), QStringLiteral("<i>Spot</i>"), [&] { ++confirms; }, [&] { ++cancels; });
    auto* name = ui::screenkit::find<ui::ThemedLabel>(sheet.get(), "projectNameLabel");
    EXPECT_EQ(name->text(), "\"<i>Spot</i>\"");
    EXPECT_EQ(name->textFormat(), Qt::PlainText);
    EXPECT_EQ(sheet->confirmButton()->label().text, "Confirm with Google");

    sheet->setDeletingFromDrive(true);
    ui::screenkit::click(sheet->confirmButton());
    ui::screenkit::click(sheet->cancelButton());
    ui::screenkit::key(sheet.get(), Qt::Key_Escape);
    EXPECT_EQ(confirms + cancels, 0);
    EXPECT_TRUE(sheet->isVisible());

    // Failed: the line shows (even empty) and Escape cancels again.
    sheet->setDeletingFromDrive(false);
    sheet->setError(QString());
    EXPECT_TRUE(ui::screenkit::find(sheet.get(), "errorRow")->isVisible());
    ui::screenkit::key(sheet.get(), Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
}

TEST(RenameProjectView, ReturnSavesEscapeCancelsAndEditsAreReported)
{
    int saves = 0;
    int cancels = 0;
    auto sheet = ui::screenkit::showWidget<RenameProjectView>(
        QSize(), QStringLiteral("Spot"), [&] { ++cancels; }, [&] { ++saves; });
    EXPECT_EQ(sheet->field()->placeholderText(), "Project Name");
    EXPECT_EQ(sheet->name(), "Spot");
    QSignalSpy edited(sheet.get(), &RenameProjectView::nameEdited);
    sheet->field()->end(false);
    ui::screenkit::key(sheet->field(), Qt::Key_Exclam, Qt::NoModifier, QStringLiteral("!"));
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).toString(), "Spot!");
    sheet->setName(QStringLiteral("From the model"));
    EXPECT_EQ(edited.count(), 1) << "writes from the model are not edits";

    ui::screenkit::key(sheet->field(), Qt::Key_Return);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(cancels, 0);
    EXPECT_TRUE(sheet->isVisible()) << "the library closes the sheet, not the sheet itself";
    ui::screenkit::key(sheet->field(), Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
    ui::screenkit::click(sheet->cancelButton());
    EXPECT_EQ(cancels, 2);
    EXPECT_EQ(saves, 1);
}

} // namespace projects_ui
