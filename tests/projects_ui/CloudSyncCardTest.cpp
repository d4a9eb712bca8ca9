// The Drive card: what it says for each published state, which parts it hides, which controls it
// enables, and that only user choices write the interval setting.

#include "projects/ui/CloudSyncCard.h"
#include "FakeCloudSync.h"
#include "TestSettings.h"
#include "kit/ScreenKit.h"
#include "projects/ui/SignedOutCloudSync.h"
#include "ui/StyledButton.h"
#include "ui/ThemedLabel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace projects_ui {

namespace {

struct CardTest : ::testing::Test {
    void SetUp() override
    {
        ui::screenkit::prepare();
        card = std::make_unique<CloudSyncCard>(cloud, *env.settings);
        card->resize(640, 300);
        card->show();
    }

    TestSettings env;
    FakeCloudSync cloud;
    std::unique_ptr<CloudSyncCard> card;
};

} // namespace

TEST_F(CardTest, AccountLineFollowsTheSignInAndTheStoredAddress)
{
    struct Case {
        bool signedIn;
        std::optional<QString> email;
        QString text;
        ui::ColorRole colour;
    };
    const Case cases[] = {
        { false, std::nullopt, "Not connected", ui::ColorRole::textSecondary },
        { false, QStringLiteral("left@over.example"), "Not connected", ui::ColorRole::textSecondary },
        { true, std::nullopt, "Cloud storage connected", ui::ColorRole::systemGreen },
        { true, QStringLiteral("<b>ops</b>@set.example"), "<b>ops</b>@set.example", ui::ColorRole::systemGreen },
    };
    for (const Case& c : cases) {
        cloud.setIsSignedIn(c.signedIn);
        cloud.setSignedInEmail(c.email);
        EXPECT_EQ(card->accountLabel()->text(), c.text);
        EXPECT_EQ(card->accountLabel()->color().role(), c.colour);
        EXPECT_EQ(card->accountLabel()->textFormat(), Qt::PlainText) << "addresses are data, not markup";
        EXPECT_EQ(card->signButton()->label().text, c.signedIn ? "Sign Out" : "Sign In");
    }
}

TEST_F(CardTest, StatusSectionListsThreeFailuresThenCountsTheRest)
{
    EXPECT_FALSE(card->statusSection()->isVisibleTo(card.get())) << "no status and no failures";
    struct Case {
        QString status;
        QStringList failed;
        QStringList lines;
    };
    const Case cases[] = {
        { "Sync complete", {}, { "Sync complete" } },
        { "Sync partial", { "a.mov", "b.mov", "c.mov", "d.mov" },
            { "Sync partial", "a.mov", "b.mov", "c.mov", "+1 more failed" } },
        { "", { "1", "2", "3", "4", "5" }, { "1", "2", "3", "+2 more failed" } },
    };
    for (const Case& c : cases) {
        cloud.setStatusText(c.status);
        cloud.setFailedItems(c.failed);
        EXPECT_TRUE(card->statusSection()->isVisibleTo(card.get()));
        EXPECT_EQ(card->statusLines(), c.lines);
    }
    cloud.setStatusText({});
    cloud.setFailedItems({});
    EXPECT_FALSE(card->statusSection()->isVisibleTo(card.get()));
}

TEST(CloudSyncCard, PercentTruncatesAndSurvivesValuesThatAreNoFraction)
{
    const std::pair<double, const char*> cases[]
        = { { 0.0, "0%" }, { 0.999, "99%" }, { 1.0, "100%" }, { std::numeric_limits<double>::quiet_NaN(), "0%" },
              { std::numeric_limits<double>::infinity(), "0%" }, { -0.2, "0%" }, { 7.0, "100%" } };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(CloudSyncCard::percentText(value), text) << value;
}

TEST(SignedOutCloudSync, NeverSignsInAndRefusesDriveWork)
{
    TestSettings env;
    SignedOutCloudSync cloud;
    auto card = ui::screenkit::showWidget<CloudSyncCard>(QSize(640, 300), cloud, *env.settings);
    EXPECT_EQ(card->accountLabel()->text(), "Not connected");
    EXPECT_FALSE(card->syncNowButton()->isEnabled());
    cloud.syncNow();
    EXPECT_EQ(card->statusLines(), QStringList { "Not connected" });
    std::optional<bool> signedIn;
    std::optional<QString> trashError;
    cloud.reAuthenticate([&](bool ok) { signedIn = ok; });
    cloud.trashDriveFolder(QStringLiteral("f"),
        [&](const cloud::CloudSync::TrashResult& r) { trashError = r ? QString() : r.error().description(); });
    EXPECT_FALSE(signedIn.has_value()) << "answers come later, never inside the call";
    QApplication::processEvents();
    EXPECT_EQ(signedIn, false);
    EXPECT_EQ(trashError, "No access token");
}

} // namespace projects_ui
