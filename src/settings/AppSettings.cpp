#include "settings/AppSettings.h"

#include "platform/MainThread.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QRandomGenerator>
#include <QThread>

namespace {

struct AppearanceHookHolder {
    std::mutex mutex;
    std::function<void(AppearanceMode)> hook;
};

AppearanceHookHolder& appearanceHookHolder()
{
    static AppearanceHookHolder holder;
    return holder;
}

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

// White space and line breaks at both ends, as the stored form of a path is compared and written.
QString trimmedPath(const QString& path)
{
    return path.trimmed();
}

// A folder as a file URL marked as a directory; relative paths count from the working directory.
QUrl directoryURL(const QString& path)
{
    QString absolute = QDir::current().absoluteFilePath(path);
    if (!absolute.endsWith(QLatin1Char('/')))
        absolute += QLatin1Char('/');
    return QUrl::fromLocalFile(absolute);
}

} // namespace

AppSettings::AppSettings(platform::UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , defaults_(defaults)
{
    if (defaults_.contains(key(Keys::hdmiOutFollowsPreview)))
        hdmiOutFollowsPreview_ = defaults_.boolForKey(key(Keys::hdmiOutFollowsPreview));
    timecodeMode_ = loadEnum(Keys::timecodeMode, TimecodeMode::recordRunInt);
    appearanceMode_ = loadEnum(Keys::appearanceMode, AppearanceMode::system);

    if (auto path = defaults_.stringForKey(key(Keys::recordingFolderPath)); path && !trimmedPath(*path).isEmpty())
        recordingFolderPath_ = *path;
    recordingFolderBookmarkData_ = defaults_.dataForKey(key(Keys::recordingFolderBookmark));

    recordingCodec_ = loadEnum(Keys::recordingCodec, RecordingCodec::h264);
    recordingBitrate_ = loadEnum(Keys::recordingBitrate, RecordingBitrate::mbps20);
    recordingFPSMode_ = loadEnum(Keys::recordingFPSMode, RecordingFPSMode::auto_);

    // A project always has a concrete format: a stored "auto" falls back like an unknown value.
    const CaptureFormat format = loadEnum(Keys::projectFormat, CaptureFormat::hd1080p25);
    projectFormat_ = format == CaptureFormat::auto_ ? CaptureFormat::hd1080p25 : format;

    projectColorSpace_ = loadEnum(Keys::projectColorSpace, ProjectColorSpace::rec709);
    projectOutputColorMode_ = loadEnum(Keys::projectOutputColorMode, ProjectOutputColorMode::rec709);
    cloudSyncInterval_ = loadEnum(Keys::cloudSyncInterval, CloudSyncInterval::manual);

    // Each installation makes its own code on first need; it is the one value written while loading.
    const auto storedCode = defaults_.stringForKey(key(Keys::pairingCode));
    if (storedCode && !storedCode->isEmpty()) {
        pairingCode_ = *storedCode;
    } else {
        pairingCode_ = generatePairingCode();
        defaults_.set(key(Keys::pairingCode), pairingCode_);
    }

    bookmarks_.resolve = [](const QByteArray&) { return std::optional<ResolvedBookmark>(); };
    bookmarks_.create = [](const QString&) { return std::optional<QByteArray>(); };

    applyAppearance();
}

AppSettings::~AppSettings() = default;

AppSettings& AppSettings::shared()
{
    static AppSettings* const instance = [] {
        auto* settings = new AppSettings(platform::UserDefaults::standard());
        // Signals and queued work belong to the main thread even when a worker asked first.
        if (auto* app = QCoreApplication::instance(); app && settings->thread() != app->thread())
            settings->moveToThread(app->thread());
        return settings;
    }();
    return *instance;
}

void AppSettings::setAppearanceHook(std::function<void(AppearanceMode)> hook)
{
    std::lock_guard lock(appearanceHookHolder().mutex);
    appearanceHookHolder().hook = std::move(hook);
}

template <class E> E AppSettings::loadEnum(const char* name, E fallback) const
{
    const auto raw = defaults_.stringForKey(key(name));
    if (!raw)
        return fallback;
    return fromRaw<E>(*raw).value_or(fallback);
}

template <class E> void AppSettings::storeEnum(std::atomic<E>& field, E value, const char* name)
{
    field = value;
    defaults_.set(key(name), toRaw(value));
}

std::optional<QString> AppSettings::recordingFolderPath() const
{
    std::lock_guard lock(textMutex_);
    return recordingFolderPath_;
}

std::optional<QByteArray> AppSettings::recordingFolderBookmarkData() const
{
    std::lock_guard lock(textMutex_);
    return recordingFolderBookmarkData_;
}

QString AppSettings::pairingCode() const
{
    std::lock_guard lock(textMutex_);
    return pairingCode_;
}

void AppSettings::setHdmiOutFollowsPreview(bool value)
{
    hdmiOutFollowsPreview_ = value;
    defaults_.set(key(Keys::hdmiOutFollowsPreview), value);
    emit hdmiOutFollowsPreviewChanged(value);
}

void AppSettings::setTimecodeMode(TimecodeMode value)
{
    storeEnum(timecodeMode_, value, Keys::timecodeMode);
    emit timecodeModeChanged(value);
}

void AppSettings::setAppearanceMode(AppearanceMode value)
{
    storeEnum(appearanceMode_, value, Keys::appearanceMode);
    emit appearanceModeChanged(value);
    applyAppearance();
}

void AppSettings::setRecordingFolderPath(const std::optional<QString>& value)
{
    {
        std::lock_guard lock(textMutex_);
        recordingFolderPath_ = value;
    }
    const QString trimmed = value ? trimmedPath(*value) : QString();
    if (trimmed.isEmpty())
        defaults_.remove(key(Keys::recordingFolderPath));
    else
        defaults_.set(key(Keys::recordingFolderPath), trimmed);
    emit recordingFolderPathChanged(value);
}

void AppSettings::setRecordingFolderBookmarkData(const std::optional<QByteArray>& value)
{
    {
        std::lock_guard lock(textMutex_);
        recordingFolderBookmarkData_ = value;
    }
    if (value)
        defaults_.set(key(Keys::recordingFolderBookmark), *value);
    else
        defaults_.remove(key(Keys::recordingFolderBookmark));
    emit recordingFolderBookmarkDataChanged(value);
}

void AppSettings::setRecordingCodec(RecordingCodec value)
{
    storeEnum(recordingCodec_, value, Keys::recordingCodec);
    emit recordingCodecChanged(value);
}

void AppSettings::setRecordingBitrate(RecordingBitrate value)
{
    storeEnum(recordingBitrate_, value, Keys::recordingBitrate);
    emit recordingBitrateChanged(value);
}

void AppSettings::setRecordingFPSMode(RecordingFPSMode value)
{
    storeEnum(recordingFPSMode_, value, Keys::recordingFPSMode);
    emit recordingFPSModeChanged(value);
}

void AppSettings::setProjectFormat(CaptureFormat value)
{
    storeEnum(projectFormat_, value, Keys::projectFormat);
    emit projectFormatChanged(value);
}

void AppSettings::setProjectColorSpace(ProjectColorSpace value)
{
    storeEnum(projectColorSpace_, value, Keys::projectColorSpace);
    emit projectColorSpaceChanged(value);
}

void AppSettings::setProjectOutputColorMode(ProjectOutputColorMode value)
{
    storeEnum(projectOutputColorMode_, value, Keys::projectOutputColorMode);
    emit projectOutputColorModeChanged(value);
}

void AppSettings::setCloudSyncInterval(CloudSyncInterval value)
{
    storeEnum(cloudSyncInterval_, value, Keys::cloudSyncInterval);
    emit cloudSyncIntervalChanged(value);
}

void AppSettings::setPairingCode(const QString& value)
{
    {
        std::lock_guard lock(textMutex_);
        pairingCode_ = value;
    }
    defaults_.set(key(Keys::pairingCode), value);
    emit pairingCodeChanged(value);
}

std::optional<QUrl> AppSettings::resolveRecordingFolderURL()
{
    if (const auto bookmark = recordingFolderBookmarkData()) {
        if (const auto resolved = bookmarks_.resolve(*bookmark)) {
            if (resolved->stale) {
                if (auto fresh = bookmarks_.create(resolved->path))
                    setRecordingFolderBookmarkData(*fresh);
            }
            // Only a real change is assigned: observers that resolve again on every change of the
            // path would otherwise never come to rest.
            if (recordingFolderPath() != resolved->path)
                setRecordingFolderPath(resolved->path);
            return directoryURL(resolved->path);
        }
        // An unresolvable bookmark is kept: the folder may come back (a drive plugged in again).
    }

    const auto path = recordingFolderPath();
    if (!path)
        return std::nullopt;
    // A leading blank would make the stored path relative; the saved form is trimmed too.
    const QString trimmed = trimmedPath(*path);
    if (trimmed.isEmpty())
        return std::nullopt;
    return directoryURL(trimmed);
}

void AppSettings::regeneratePairingCode()
{
    setPairingCode(generatePairingCode());
}

void AppSettings::applyAppearance()
{
    auto* app = QCoreApplication::instance();
    // Only a widget application has an appearance to set (checked by name: engines never link Widgets).
    if (!app || !app->inherits("QApplication"))
        return;
    platform::runOnMain(this, [this] {
        std::function<void(AppearanceMode)> hook;
        {
            std::lock_guard lock(appearanceHookHolder().mutex);
            hook = appearanceHookHolder().hook;
        }
        if (hook)
            hook(appearanceMode());
    });
}

QString AppSettings::generatePairingCode()
{
    return pairingCodeFromNumber(QRandomGenerator::system()->bounded(1'000'000u));
}

QString AppSettings::pairingCodeFromNumber(quint32 number)
{
    return QStringLiteral("%1").arg(number, 6, 10, QLatin1Char('0'));
}

void AppSettings::setBookmarkServices(BookmarkServices services)
{
    if (services.resolve)
        bookmarks_.resolve = std::move(services.resolve);
    if (services.create)
        bookmarks_.create = std::move(services.create);
}
