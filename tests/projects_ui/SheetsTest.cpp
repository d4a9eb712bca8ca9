// The cloud delete sheet: what it shows in each state and that a running deletion cannot be
// dismissed.

#include "kit/ScreenKit.h"
#include "projects/ui/CloudDeleteConfirmSheet.h"
#include "ui/StyledButton.h"
#include "ui/ThemedLabel.h"

#include <gtest/gtest.h>

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

} // namespace projects_ui
