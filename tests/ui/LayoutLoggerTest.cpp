// The layout logger on a manual scheduler and a fixed clock: debouncing, truncation, the 60-entry
// limit, and the summary text and file.

#include "ui/LayoutLogger.h"
#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace ui {
namespace {

class LayoutLoggerTest : public ::testing::Test {
protected:
    QString fileText() const
    {
        QFile file(QDir(desktop).filePath(QStringLiteral("Corvale_layout.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    void commit(const QString& label, QSizeF size)
    {
        logger.record(label, size);
        scheduler.advance(LayoutLogger::debounceSeconds);
    }

    QTemporaryDir folder;
    QString desktop = folder.filePath(QStringLiteral("Desktop"));
    platform::UserDefaults defaults { folder.filePath(QStringLiteral("defaults.json")) };
    platform::ManualScheduler scheduler;
    // The clock reads the scheduler's seconds past 14:03:00.
    LayoutLogger logger { { scheduler, defaults,
        [this] { return QDateTime(QDate(2026, 3, 1), QTime(14, 3, 0)).addMSecs(qint64(scheduler.now() * 1000)); },
        [this] { return desktop; } } };
};

TEST_F(LayoutLoggerTest, DebouncesEachLabelAndTruncatesSizes)
{
    logger.record(QStringLiteral("A"), QSizeF(100, 100));
    scheduler.advance(0.2);
    logger.record(QStringLiteral("A"), QSizeF(200, 100));
    scheduler.advance(0.3);
    logger.record(QStringLiteral("A"), QSizeF(250.9, 99.99));
    scheduler.advance(0.39);
    EXPECT_TRUE(logger.entries().isEmpty());
    scheduler.advance(0.01);
    ASSERT_EQ(logger.entries().size(), 1);
    EXPECT_EQ(logger.entries()[0].display(), QStringLiteral("14:03:00  A  width=250  height=99"));

    logger.record(QStringLiteral("B"), QSizeF(1, 2));
    scheduler.advance(0.1);
    logger.record(QStringLiteral("C"), QSizeF(3, 4));
    scheduler.advance(1);
    EXPECT_EQ(logger.entries().size(), 3) << "labels are debounced apart";
}

TEST_F(LayoutLoggerTest, SummaryAndFileForNoneOneAndManyEntries)
{
    EXPECT_EQ(logger.logSummary(), QStringLiteral("(no layout changes recorded yet)"));
    commit(QStringLiteral("x"), QSizeF(1, 1)); // no Desktop yet: nothing written, nothing reported
    EXPECT_FALSE(QFile::exists(QDir(desktop).filePath(QStringLiteral("Corvale_layout.log"))));
    logger.clearEntries();

    QDir().mkpath(desktop);
    commit(QStringLiteral("① Left Sidebar (RecordView)"), QSizeF(324, 1036));
    const QString one = QStringLiteral("=== Corvale Layout Log ===\n"
                                       "14:03:00  ① Left Sidebar (RecordView)  width=324  height=1036\n\n"
                                       "--- Default Values to Update ---\n"
                                       "① Left Sidebar (RecordView): idealWidth=324  idealHeight=1036");
    EXPECT_EQ(logger.logSummary(), one);
    EXPECT_EQ(fileText(), one);
    logger.clearEntries();
    EXPECT_EQ(fileText(), one) << "clearing keeps the file";

    for (int i = 1; i <= 61; ++i)
        commit(QStringLiteral("L%1").arg(i, 2, 10, QLatin1Char('0')), QSizeF(i, i));
    ASSERT_EQ(logger.entries().size(), 60);
    EXPECT_EQ(logger.entries().first().label, QStringLiteral("L02"));
    EXPECT_FALSE(fileText().contains(QStringLiteral("L01")));
    EXPECT_TRUE(fileText().endsWith(QStringLiteral("L61: idealWidth=61  idealHeight=61")));
}

TEST_F(LayoutLoggerTest, RecommendationsKeepEachLabelsLastSizeInTextOrder)
{
    for (const auto& [label, size] : { std::pair("D", QSizeF(-5, -1)), std::pair("C", QSizeF(300, 0)),
             std::pair("B", QSizeF(0, 450)), std::pair("A", QSizeF(300, 200)), std::pair("A", QSizeF(320, 200)) })
        commit(QString::fromLatin1(label), size);
    EXPECT_EQ(logger.recommendedDefaults(),
        QStringList(
            { "A: idealWidth=320  idealHeight=200", "B: idealHeight=450", "C: idealWidth=300", "D: idealHeight=-1" }));
}

} // namespace
} // namespace ui
