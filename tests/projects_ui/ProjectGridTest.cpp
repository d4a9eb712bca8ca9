// The card grid and the card: columns at several widths, what a card shows for odd records, and
// what clicks, double clicks and the menu do.

#include "projects/ui/ProjectGrid.h"
#include "kit/ScreenKit.h"
#include "projects/ui/ProjectCard.h"
#include "projects/ui/ProjectDateFormatter.h"

#include <gtest/gtest.h>

namespace projects_ui {

namespace {

projects::ProjectInfo project(const QString& name, const QString& storage = QStringLiteral("local"),
    const QString& format = QStringLiteral("uhd2160p2398"), std::optional<QDateTime> opened = std::nullopt)
{
    projects::ProjectInfo info;
    info.id = QUuid::createUuid();
    info.name = name;
    info.folderPath = QStringLiteral("/srv/projects/") + name;
    info.formatRaw = format;
    info.storageRaw = storage;
    if (opened)
        info.lastOpenedAt = projects::ReferenceDate::fromDateTime(*opened);
    return info;
}

struct GridTest : ::testing::Test {
    void SetUp() override
    {
        ui::screenkit::prepare();
        grid = std::make_unique<ProjectGrid>(formatter,
            ProjectGrid::Actions {
                [this](const projects::ProjectInfo& p) { calls << "open " + p.name; },
                [this](const projects::ProjectInfo& p) { calls << "rename " + p.name; },
                [this](const projects::ProjectInfo& p) { calls << "duplicate " + p.name; },
                [this](const projects::ProjectInfo& p) { calls << "delete " + p.name; },
            });
        grid->show();
    }

    ProjectDateFormatter formatter { QLocale(QLocale::English, QLocale::UnitedStates) };
    std::unique_ptr<ProjectGrid> grid;
    QStringList calls;
};

} // namespace

TEST(ProjectGridColumns, FitAtLeast240PointsEach)
{
    const std::pair<int, int> cases[]
        = { { 0, 1 }, { 255, 1 }, { 507, 1 }, { 508, 2 }, { 759, 2 }, { 760, 3 }, { 1300, 5 } };
    for (const auto& [width, columns] : cases)
        EXPECT_EQ(ProjectGrid::columnsFor(width), columns) << width;
}

TEST_F(GridTest, CardShowsFallbacksForRecordsItCannotRead)
{
    const QDateTime opened(QDate(2026, 1, 5), QTime(14, 3));
    struct Case {
        QString storage;
        QString format;
        const char* badge;
        const char* formatText;
    };
    const Case cases[] = {
        { "local", "hd1080p2997", "Local", "HD 1080p29.97" },
        { "cloud", "uhd2160p2398", "Cloud Sync", "UHD 2160p23.98" },
        { "Cloud", "no-such-format", "Local", "HD 1080p25" },
        { "", "", "Local", "HD 1080p25" },
    };
    for (const Case& c : cases) {
        ProjectCard card(project("X", c.storage, c.format, opened), formatter, false);
        EXPECT_EQ(card.badgeText(), c.badge);
        EXPECT_EQ(card.formatText(), c.formatText);
        EXPECT_EQ(card.lastOpenedText(), "Jan 5, 2026, 14:03");
    }
    ProjectCard never(project("Never"), formatter, false);
    EXPECT_FALSE(never.lastOpenedText().has_value());

    ProjectCard longName(project(QString(60, QLatin1Char('W')) + " end"), formatter, false);
    longName.resize(260, 100);
    const QStringList lines = longName.nameLines();
    ASSERT_EQ(lines.size(), 2) << "wraps to two lines, then cuts";
    EXPECT_TRUE(lines.back().endsWith(QChar(0x2026)));
}

} // namespace projects_ui
