#include "settings/AppSettings.h"

#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

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
    void reopenDefaults() { defaults_ = std::make_unique<platform::UserDefaults>((defaults_.reset(), path_)); }
    QJsonObject fileContents() const
    {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
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
    EXPECT_EQ(AppSettings::pairingCodeFromNumber(42), "000042");
    for (int i = 0; i < 500; ++i)
        ASSERT_TRUE(kSixDigits.match(AppSettings::generatePairingCode()).hasMatch());
}

TEST_F(AppSettingsTest, BadStoredValuesLoadAsDefaultsAndStayUntouched)
{
    for (const char* key : { "timecodeMode", "appearanceMode", "recordingCodec", "recordingBitrate", "recordingFPSMode",
             "projectFormat", "projectColorSpace", "projectOutputColorMode", "cloudSyncInterval" })
        defaults_->set(key, QString("H264"));
    expectDefaultEnumerations(*open());
    EXPECT_EQ(defaults_->stringForKey("recordingCodec"), QString("H264")); // nothing written back while loading

    // A project never loads as "auto".
    defaults_->set("projectFormat", QString("auto"));
    EXPECT_EQ(open()->projectFormat(), CaptureFormat::hd1080p25);
    EXPECT_EQ(defaults_->stringForKey("projectFormat"), QString("auto"));
}

TEST_F(AppSettingsTest, LooselyTypedBooleansPathsDataAndCodes)
{
    for (const auto& [stored, expected] : std::initializer_list<std::pair<QVariant, bool>> { { QString("yes"), true },
             { QString("no"), false }, { 2.5, true }, { QVariantList {}, false }, { QByteArray("1"), false } }) {
        defaults_->set("hdmiOutFollowsPreview", stored);
        EXPECT_EQ(open()->hdmiOutFollowsPreview(), expected) << stored.toString().toStdString();
    }

    defaults_->set("recordingFolderPath", QString(" \t\n "));
    defaults_->set("pairingCode", QString(""));
    auto settings = open();
    EXPECT_EQ(settings->recordingFolderPath(), std::nullopt);
    EXPECT_TRUE(kSixDigits.match(settings->pairingCode()).hasMatch());
    EXPECT_EQ(defaults_->stringForKey("pairingCode"), settings->pairingCode()); // written at once
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
        const QMetaObject* meta = settings->metaObject();
        for (const auto& [name, value] : assigned) {
            SCOPED_TRACE(name);
            const QMetaProperty property = meta->property(meta->indexOfProperty(name));
            ASSERT_TRUE(property.hasNotifySignal());
            QSignalSpy published(settings.get(), QByteArray("2") + property.notifySignal().methodSignature());
            ASSERT_TRUE(property.write(settings.get(), value));
            EXPECT_EQ(published.count(), 1);
            if (value.metaType() != QMetaType::fromType<std::optional<QString>>()
                && value.metaType() != QMetaType::fromType<std::optional<QByteArray>>()) {
                EXPECT_EQ(property.read(settings.get()), value);
            }
        }
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

    // Blanks belong to the name: a folder may be called "Take 1 ".
    settings->setRecordingFolderPath(QString("/media/card A/Take 1 "));
    EXPECT_EQ(defaults_->stringForKey("recordingFolderPath"), QString("/media/card A/Take 1 "));
    EXPECT_EQ(settings->resolveRecordingFolderURL(), QUrl::fromLocalFile("/media/card A/Take 1 /"));
    // A blank or no path removes the key and resolves to nothing.
    settings->setRecordingFolderPath(QString("   "));
    EXPECT_EQ(settings->recordingFolderPath(), QString("   "));
    EXPECT_FALSE(defaults_->contains("recordingFolderPath"));
    EXPECT_EQ(settings->resolveRecordingFolderURL(), std::nullopt);
    EXPECT_EQ(pathSignalCount, 2);

    // This platform resolves no bookmark: the path is used and the bytes are kept.
    settings->setRecordingFolderPath(QString("/srv/takes/"));
    settings->setRecordingFolderBookmarkData(QByteArray("opaque"));
    EXPECT_EQ(settings->resolveRecordingFolderURL(), QUrl::fromLocalFile("/srv/takes/"));
    EXPECT_EQ(defaults_->dataForKey("recordingFolderBookmark"), QByteArray("opaque"));
}

TEST_F(AppSettingsTest, ResolvedBookmarkUpdatesThePathOnlyWhenItMoved)
{
    auto settings = open();
    // A bookmark is stale until fresh data have been made for the folder's new place.
    QString folder = "/mnt/disk/takes";
    int creates = 0;
    settings->setBookmarkServices({ [&](const QByteArray& data) {
                                       return std::optional(AppSettings::ResolvedBookmark { folder, data != "fresh" });
                                   },
        [&](const QString& path) {
            ++creates;
            EXPECT_EQ(path, folder);
            return std::optional(QByteArray("fresh"));
        } });
    settings->setRecordingFolderPath(QString("/old/place"));
    settings->setRecordingFolderBookmarkData(QByteArray("fresh"));

    // Observers that resolve on every change must come to rest.
    int pathSignalCount = 0;
    int bookmarkSignalCount = 0;
    const auto observe = [&](int& count) {
        return [&] {
            ASSERT_LT(++count, 10);
            settings->resolveRecordingFolderURL();
        };
    };
    QObject::connect(settings.get(), &AppSettings::recordingFolderPathChanged, observe(pathSignalCount));
    QObject::connect(settings.get(), &AppSettings::recordingFolderBookmarkDataChanged, observe(bookmarkSignalCount));

    EXPECT_EQ(settings->resolveRecordingFolderURL(), QUrl::fromLocalFile("/mnt/disk/takes/"));
    EXPECT_EQ(pathSignalCount, 1);
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

    // A destroyed object's pending task is dropped.
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
        }
    });
    for (int i = 0; i < 100; ++i) {
        settings->setProjectFormat(i % 2 ? CaptureFormat::uhd2160p60 : CaptureFormat::hd1080p25);
        settings->setRecordingFolderPath(QString(i % 2 ? "/a/first" : "/b/second"));
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
}

} // namespace settings
