#include "settings/AppSettings.h"

#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <memory>
#include <span>
#include <thread>

namespace settings {

namespace {

class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath("defaults.json");
        defaults_ = std::make_unique<platform::UserDefaults>(path_);
    }
    void TearDown() override
    {
        AppSettings::setAppearanceHook({});
        QCoreApplication::processEvents(); // let queued appearance tasks of destroyed objects go
    }

    std::unique_ptr<AppSettings> open() { return std::make_unique<AppSettings>(*defaults_); }

    // Closes the defaults and opens the file again, as a new launch would.
    void reopenDefaults()
    {
        defaults_.reset();
        defaults_ = std::make_unique<platform::UserDefaults>(path_);
    }

    QJsonObject fileContents() const
    {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    QTemporaryDir dir_;
    QString path_;
    std::unique_ptr<platform::UserDefaults> defaults_;
};

const QRegularExpression kSixDigits(QStringLiteral("^[0-9]{6}$"));

void expectDefaultEnumerations(const AppSettings& settings)
{
    EXPECT_EQ(settings.timecodeMode(), TimecodeMode::recordRunInt);
    EXPECT_EQ(settings.appearanceMode(), AppearanceMode::system);
    EXPECT_EQ(settings.recordingCodec(), RecordingCodec::h264);
    EXPECT_EQ(settings.recordingBitrate(), RecordingBitrate::mbps20);
    EXPECT_EQ(settings.recordingFPSMode(), RecordingFPSMode::auto_);
    EXPECT_EQ(settings.projectFormat(), CaptureFormat::hd1080p25);
    EXPECT_EQ(settings.projectColorSpace(), ProjectColorSpace::rec709);
    EXPECT_EQ(settings.projectOutputColorMode(), ProjectOutputColorMode::rec709);
    EXPECT_EQ(settings.cloudSyncInterval(), CloudSyncInterval::manual);
}

} // namespace

TEST_F(AppSettingsTest, FirstLaunchGivesDefaultsAndWritesOnlyAPairingCode)
{
    auto settings = open();
    EXPECT_TRUE(settings->hdmiOutFollowsPreview());
    EXPECT_EQ(settings->recordingFolderPath(), std::nullopt);
    EXPECT_EQ(settings->recordingFolderBookmarkData(), std::nullopt);
    expectDefaultEnumerations(*settings);
    EXPECT_TRUE(kSixDigits.match(settings->pairingCode()).hasMatch()) << settings->pairingCode().toStdString();

    const QJsonObject file = fileContents();
    EXPECT_EQ(file.keys(), QStringList { "pairingCode" });
    EXPECT_EQ(file.value("pairingCode").toString(), settings->pairingCode());

    // The second launch keeps the code it made.
    const QString code = settings->pairingCode();
    settings.reset();
    reopenDefaults();
    EXPECT_EQ(open()->pairingCode(), code);
}

TEST_F(AppSettingsTest, BadStoredValuesLoadAsDefaultsAndStayUntouched)
{
    const QVariantList bogus = { QVariant(QByteArray("\x01\x02", 2)), QVariant(qint64(7)), QVariant(QString("H264")) };
    for (const QVariant& bad : bogus) {
        SCOPED_TRACE(bad.toString().toStdString());
        for (const char* key :
            { "timecodeMode", "appearanceMode", "recordingCodec", "recordingBitrate", "recordingFPSMode",
                "projectFormat", "projectColorSpace", "projectOutputColorMode", "cloudSyncInterval" })
            defaults_->set(key, bad);
        expectDefaultEnumerations(*open());
        // Nothing is written back while loading.
        EXPECT_EQ(defaults_->object("recordingCodec"), bad);
    }

    // A project never loads as "auto".
    defaults_->set("projectFormat", QString("auto"));
    EXPECT_EQ(open()->projectFormat(), CaptureFormat::hd1080p25);
    EXPECT_EQ(defaults_->stringForKey("projectFormat"), QString("auto"));
}

TEST_F(AppSettingsTest, LooselyTypedBooleansPathsDataAndCodes)
{
    struct Case {
        QVariant stored;
        bool expected;
    };
    for (const Case& c : { Case { QString("yes"), true }, Case { QString("no"), false }, Case { qint64(0), false },
             Case { 2.5, true }, Case { QVariantList {}, false }, Case { QByteArray("1"), false } }) {
        defaults_->set("hdmiOutFollowsPreview", c.stored);
        EXPECT_EQ(open()->hdmiOutFollowsPreview(), c.expected) << c.stored.toString().toStdString();
    }

    defaults_->set("recordingFolderPath", QString(" \t\n "));
    defaults_->set("recordingFolderBookmark", QString("not data"));
    defaults_->set("pairingCode", QString(""));
    auto settings = open();
    EXPECT_EQ(settings->recordingFolderPath(), std::nullopt);
    EXPECT_EQ(settings->recordingFolderBookmarkData(), std::nullopt);
    EXPECT_TRUE(kSixDigits.match(settings->pairingCode()).hasMatch());
    EXPECT_EQ(defaults_->stringForKey("pairingCode"), settings->pairingCode()); // written at once

    // A path is taken as read when it has content; a short code is used unchanged.
    defaults_->set("recordingFolderPath", QString("  /takes/day1 "));
    defaults_->set("recordingFolderBookmark", QByteArray("\0\xff", 2));
    defaults_->set("pairingCode", QString("42"));
    settings = open();
    EXPECT_EQ(settings->recordingFolderPath(), QString("  /takes/day1 "));
    EXPECT_EQ(settings->recordingFolderBookmarkData(), QByteArray("\0\xff", 2));
    EXPECT_EQ(settings->pairingCode(), "42");
}

TEST_F(AppSettingsTest, PairingCodeForm)
{
    EXPECT_EQ(AppSettings::pairingCodeFromNumber(0), "000000");
    EXPECT_EQ(AppSettings::pairingCodeFromNumber(42), "000042");
    EXPECT_EQ(AppSettings::pairingCodeFromNumber(999999), "999999");
    for (int i = 0; i < 500; ++i)
        ASSERT_TRUE(kSixDigits.match(AppSettings::generatePairingCode()).hasMatch());

    auto settings = open();
    QStringList published;
    QObject::connect(settings.get(), &AppSettings::pairingCodeChanged, [&](const QString& code) { published << code; });
    defaults_->remove("pairingCode");
    settings->regeneratePairingCode();
    ASSERT_EQ(published.size(), 1);
    EXPECT_EQ(published.front(), settings->pairingCode());
    EXPECT_EQ(defaults_->stringForKey("pairingCode"), settings->pairingCode());
}

TEST_F(AppSettingsTest, EveryPropertyStoresAndPublishesEachAssignmentAndSurvivesARelaunch)
{
    // Assigned through the property system, as the settings screens bind; none is the default.
    const std::pair<const char*, QVariant> assigned[] = {
        { "hdmiOutFollowsPreview", false },
        { "timecodeMode", QVariant::fromValue(TimecodeMode::externalExt) },
        { "appearanceMode", QVariant::fromValue(AppearanceMode::dark) },
        { "recordingCodec", QVariant::fromValue(RecordingCodec::proRes4444XQ) },
        { "recordingBitrate", QVariant::fromValue(RecordingBitrate::auto_) },
        { "recordingFPSMode", QVariant::fromValue(RecordingFPSMode::fps50) },
        { "projectFormat", QVariant::fromValue(CaptureFormat::hd1080psf2997) },
        { "projectColorSpace", QVariant::fromValue(ProjectColorSpace::p3d65) },
        { "projectOutputColorMode", QVariant::fromValue(ProjectOutputColorMode::p3D65PQ) },
        { "cloudSyncInterval", QVariant::fromValue(CloudSyncInterval::hourly) },
        { "pairingCode", QString("012345") },
        { "recordingFolderPath", QVariant::fromValue(std::optional<QString>(" /srv/takes ")) },
        { "recordingFolderBookmarkData",
            QVariant::fromValue(std::optional<QByteArray>(QByteArray("\x00bookmark\xff", 10))) },
    };
    {
        auto settings = open();
        QObject::connect(settings.get(), &AppSettings::projectFormatChanged, [&](CaptureFormat format) {
            EXPECT_EQ(format, settings->projectFormat()); // stored before it is published
        });
        const QMetaObject* meta = settings->metaObject();
        for (const auto& [name, value] : assigned) {
            SCOPED_TRACE(name);
            const QMetaProperty property = meta->property(meta->indexOfProperty(name));
            ASSERT_TRUE(property.hasNotifySignal());
            QSignalSpy published(settings.get(), QByteArray("2") + property.notifySignal().methodSignature());
            // The value already held is stored and published too.
            ASSERT_TRUE(property.write(settings.get(), property.read(settings.get())));
            EXPECT_EQ(published.count(), 1);
            ASSERT_TRUE(property.write(settings.get(), value));
            EXPECT_EQ(published.count(), 2);
            if (value.metaType() != QMetaType::fromType<std::optional<QString>>()
                && value.metaType() != QMetaType::fromType<std::optional<QByteArray>>()) {
                EXPECT_EQ(property.read(settings.get()), value);
            }
        }
        EXPECT_EQ(defaults_->stringForKey("projectFormat"), QString("hd1080psf2997"));
    }
    reopenDefaults();
    EXPECT_EQ(fileContents().keys().size(), 13);
    auto settings = open();
    for (const auto& [name, value] : std::span(assigned).first(11))
        EXPECT_EQ(settings->property(name), value) << name;
    EXPECT_EQ(settings->recordingFolderPath(), QString(" /srv/takes ")); // saved as assigned
    EXPECT_EQ(settings->recordingFolderBookmarkData(), QByteArray("\x00bookmark\xff", 10));
}

TEST_F(AppSettingsTest, RecordingFolderIsStoredAsChosenAndFallsBackToThePath)
{
    auto settings = open();
    int pathSignalCount = 0;
    QObject::connect(settings.get(), &AppSettings::recordingFolderPathChanged, [&] { ++pathSignalCount; });
    EXPECT_EQ(settings->resolveRecordingFolderURL(), std::nullopt);

    // Blanks belong to the name: a folder may be called "Take 1 ".
    settings->setRecordingFolderPath(QString("/media/card A/Take 1 "));
    EXPECT_EQ(defaults_->stringForKey("recordingFolderPath"), QString("/media/card A/Take 1 "));
    EXPECT_EQ(settings->resolveRecordingFolderURL(), QUrl::fromLocalFile("/media/card A/Take 1 /"));
    // A blank or no path removes the key and resolves to nothing.
    settings->setRecordingFolderPath(QString("   "));
    EXPECT_EQ(settings->recordingFolderPath(), QString("   "));
    EXPECT_FALSE(defaults_->contains("recordingFolderPath"));
    EXPECT_EQ(settings->resolveRecordingFolderURL(), std::nullopt);
    settings->setRecordingFolderPath(QString("/x"));
    settings->setRecordingFolderPath(std::nullopt);
    EXPECT_FALSE(defaults_->contains("recordingFolderPath"));
    EXPECT_EQ(pathSignalCount, 4);

    settings->setRecordingFolderPath(QString("takes"));
    EXPECT_EQ(
        settings->resolveRecordingFolderURL(), QUrl::fromLocalFile(QDir::current().absoluteFilePath("takes") + "/"));

    // This platform resolves no bookmark: the path is used and the bytes are kept.
    settings->setRecordingFolderPath(QString("/srv/takes/"));
    settings->setRecordingFolderBookmarkData(QByteArray("opaque"));
    EXPECT_EQ(settings->resolveRecordingFolderURL(), QUrl::fromLocalFile("/srv/takes/"));
    EXPECT_EQ(settings->recordingFolderBookmarkData(), QByteArray("opaque"));
    EXPECT_EQ(defaults_->dataForKey("recordingFolderBookmark"), QByteArray("opaque"));

    settings->setRecordingFolderBookmarkData(std::nullopt);
    EXPECT_FALSE(defaults_->contains("recordingFolderBookmark"));
}

TEST_F(AppSettingsTest, ResolvedBookmarkUpdatesThePathOnlyWhenItMoved)
{
    auto settings = open();
    // A bookmark is stale until fresh data have been made for the folder's new place.
    QString folder = "/mnt/disk/takes";
    std::optional<QByteArray> freshData = QByteArray("fresh");
    int creates = 0;
    settings->setBookmarkServices({ [&](const QByteArray& data) {
                                       return std::optional(AppSettings::ResolvedBookmark { folder, data != "fresh" });
                                   },
        [&](const QString& path) {
            ++creates;
            EXPECT_EQ(path, folder);
            return freshData;
        } });
    settings->setRecordingFolderPath(QString("/old/place"));
    settings->setRecordingFolderBookmarkData(QByteArray("fresh"));

    // Observers that resolve on every change must come to rest.
    int pathSignalCount = 0;
    int bookmarkSignalCount = 0;
    QObject::connect(settings.get(), &AppSettings::recordingFolderPathChanged, [&] {
        ++pathSignalCount;
        ASSERT_LT(pathSignalCount, 10);
        settings->resolveRecordingFolderURL();
    });
    QObject::connect(settings.get(), &AppSettings::recordingFolderBookmarkDataChanged, [&] {
        ++bookmarkSignalCount;
        ASSERT_LT(bookmarkSignalCount, 10);
        settings->resolveRecordingFolderURL();
    });

    EXPECT_EQ(settings->resolveRecordingFolderURL(), QUrl::fromLocalFile("/mnt/disk/takes/"));
    EXPECT_EQ(pathSignalCount, 1);
    EXPECT_EQ(settings->recordingFolderPath(), QString("/mnt/disk/takes"));
    EXPECT_EQ(defaults_->stringForKey("recordingFolderPath"), QString("/mnt/disk/takes"));
    EXPECT_EQ(creates, 0); // not stale: the bookmark stays as it is
    EXPECT_EQ(bookmarkSignalCount, 0);

    // Stale: fresh data are made once and stored, and the path follows the folder.
    folder = "/mnt/disk2/takes";
    settings->setRecordingFolderBookmarkData(QByteArray("old"));
    EXPECT_EQ(creates, 1);
    EXPECT_EQ(defaults_->dataForKey("recordingFolderBookmark"), QByteArray("fresh"));
    EXPECT_EQ(settings->recordingFolderPath(), QString("/mnt/disk2/takes"));
    EXPECT_EQ(pathSignalCount, 2);
}

TEST_F(AppSettingsTest, AppearanceIsAppliedOnTheMainQueueWithTheCurrentMode)
{
    std::vector<AppearanceMode> applied;
    AppSettings::setAppearanceHook([&](AppearanceMode mode) { applied.push_back(mode); });
    defaults_->set("appearanceMode", QString("light"));

    auto settings = open();
    EXPECT_TRUE(applied.empty()); // queued, never inline
    QCoreApplication::processEvents();
    EXPECT_EQ(applied, std::vector { AppearanceMode::light });

    // Two assignments in one turn each queue a task that applies the value current when it runs.
    applied.clear();
    settings->setAppearanceMode(AppearanceMode::system);
    settings->setAppearanceMode(AppearanceMode::dark);
    QCoreApplication::processEvents();
    EXPECT_EQ(applied, (std::vector { AppearanceMode::dark, AppearanceMode::dark }));

    // Re-assigning applies again; a destroyed object's pending task is dropped.
    applied.clear();
    settings->setAppearanceMode(AppearanceMode::dark);
    settings.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(applied.empty());
}

TEST_F(AppSettingsTest, OtherThreadsReadConsistentValuesWhileTheMainThreadWrites)
{
    auto settings = open();
    std::atomic<bool> done { false };
    std::atomic<int> inconsistent { 0 };
    std::thread reader([&] {
        while (!done.load()) {
            const CaptureFormat format = settings->projectFormat();
            if (format != CaptureFormat::hd1080p25 && format != CaptureFormat::uhd2160p60)
                ++inconsistent;
            const auto path = settings->recordingFolderPath();
            if (path && *path != QLatin1String("/a/first") && *path != QLatin1String("/b/second"))
                ++inconsistent;
            if (settings->pairingCode().size() != 6)
                ++inconsistent;
        }
    });
    for (int i = 0; i < 100; ++i) {
        settings->setProjectFormat(i % 2 ? CaptureFormat::uhd2160p60 : CaptureFormat::hd1080p25);
        settings->setRecordingFolderPath(QString(i % 2 ? "/a/first" : "/b/second"));
        settings->setPairingCode(i % 2 ? "111111" : "222222");
    }
    done = true;
    reader.join();
    EXPECT_EQ(inconsistent.load(), 0);
}

TEST(AppSettingsShared, OneInstanceOwnedByTheMainThreadWhoeverAsksFirst)
{
    AppSettings* fromWorker = nullptr;
    std::thread worker([&] { fromWorker = &AppSettings::shared(); });
    worker.join();
    EXPECT_EQ(fromWorker, &AppSettings::shared());
    EXPECT_EQ(fromWorker->thread(), QCoreApplication::instance()->thread());
    EXPECT_TRUE(kSixDigits.match(fromWorker->pairingCode()).hasMatch());
    EXPECT_EQ(platform::UserDefaults::standard().stringForKey("pairingCode"), fromWorker->pairingCode());
}

} // namespace settings
