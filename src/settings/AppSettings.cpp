#include "settings/AppSettings.h"

#include "platform/MainThread.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QRandomGenerator>
#include <QThread>

namespace settings {

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

// A path of nothing but white space names no folder; any other path is kept exactly, since
// blanks at either end are legal in folder names here.
bool isBlankPath(const QString& path)
{
    return path.trimmed().isEmpty();
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
    load(timecodeMode_, Keys::timecodeMode);
    load(appearanceMode_, Keys::appearanceMode);

    if (auto path = defaults_.stringForKey(key(Keys::recordingFolderPath)); path && !isBlankPath(*path))
        recordingFolderPath_ = *path;
    recordingFolderBookmarkData_ = defaults_.dataForKey(key(Keys::recordingFolderBookmark));

    load(recordingCodec_, Keys::recordingCodec);
    load(recordingBitrate_, Keys::recordingBitrate);
    load(recordingFPSMode_, Keys::recordingFPSMode);
    // A project always has a concrete format: a stored "auto" falls back like an unknown value.
    const CaptureFormat fallbackFormat = projectFormat_;
    load(projectFormat_, Keys::projectFormat);
    if (projectFormat_ == CaptureFormat::auto_)
        projectFormat_ = fallbackFormat;
    load(projectColorSpace_, Keys::projectColorSpace);
    load(projectOutputColorMode_, Keys::projectOutputColorMode);
    load(cloudSyncInterval_, Keys::cloudSyncInterval);

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

template <class E> void AppSettings::load(std::atomic<E>& field, const char* name)
{
    if (const auto raw = defaults_.stringForKey(key(name)))
        field = fromRaw<E>(*raw).value_or(field.load());
}

template <class T>
void AppSettings::assign(std::atomic<T>& field, T value, const char* name, void (AppSettings::*changed)(T))
{
    field = value;
    if constexpr (std::is_same_v<T, bool>)
        defaults_.set(key(name), value);
    else
        defaults_.set(key(name), toRaw(value));
    emit(this->*changed)(value);
}

template <class T>
void AppSettings::assign(T& field, const T& value, const char* name, const std::optional<QVariant>& stored,
    void (AppSettings::*changed)(const T&))
{
    {
        std::lock_guard lock(textMutex_);
        field = value;
    }
    if (stored)
        defaults_.set(key(name), *stored);
    else
        defaults_.remove(key(name));
    emit(this->*changed)(value);
}

void AppSettings::setHdmiOutFollowsPreview(bool value)
{
    assign(hdmiOutFollowsPreview_, value, Keys::hdmiOutFollowsPreview, &AppSettings::hdmiOutFollowsPreviewChanged);
}

void AppSettings::setTimecodeMode(TimecodeMode value)
{
    assign(timecodeMode_, value, Keys::timecodeMode, &AppSettings::timecodeModeChanged);
}

void AppSettings::setAppearanceMode(AppearanceMode value)
{
    assign(appearanceMode_, value, Keys::appearanceMode, &AppSettings::appearanceModeChanged);
    applyAppearance();
}

void AppSettings::setRecordingFolderPath(const std::optional<QString>& value)
{
    const bool blank = !value || isBlankPath(*value);
    assign(recordingFolderPath_, value, Keys::recordingFolderPath,
        blank ? std::nullopt : std::optional<QVariant>(*value), &AppSettings::recordingFolderPathChanged);
}

void AppSettings::setRecordingFolderBookmarkData(const std::optional<QByteArray>& value)
{
    assign(recordingFolderBookmarkData_, value, Keys::recordingFolderBookmark,
        value ? std::optional<QVariant>(*value) : std::nullopt, &AppSettings::recordingFolderBookmarkDataChanged);
}

void AppSettings::setRecordingCodec(RecordingCodec value)
{
    assign(recordingCodec_, value, Keys::recordingCodec, &AppSettings::recordingCodecChanged);
}

void AppSettings::setRecordingBitrate(RecordingBitrate value)
{
    assign(recordingBitrate_, value, Keys::recordingBitrate, &AppSettings::recordingBitrateChanged);
}

void AppSettings::setRecordingFPSMode(RecordingFPSMode value)
{
    assign(recordingFPSMode_, value, Keys::recordingFPSMode, &AppSettings::recordingFPSModeChanged);
}

void AppSettings::setProjectFormat(CaptureFormat value)
{
    assign(projectFormat_, value, Keys::projectFormat, &AppSettings::projectFormatChanged);
}

void AppSettings::setProjectColorSpace(ProjectColorSpace value)
{
    assign(projectColorSpace_, value, Keys::projectColorSpace, &AppSettings::projectColorSpaceChanged);
}

void AppSettings::setProjectOutputColorMode(ProjectOutputColorMode value)
{
    assign(projectOutputColorMode_, value, Keys::projectOutputColorMode, &AppSettings::projectOutputColorModeChanged);
}

void AppSettings::setCloudSyncInterval(CloudSyncInterval value)
{
    assign(cloudSyncInterval_, value, Keys::cloudSyncInterval, &AppSettings::cloudSyncIntervalChanged);
}

void AppSettings::setPairingCode(const QString& value)
{
    assign(pairingCode_, value, Keys::pairingCode, QVariant(value), &AppSettings::pairingCodeChanged);
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
    if (!path || isBlankPath(*path))
        return std::nullopt;
    return directoryURL(*path);
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
    platform::runOnMain(liveness_.token(), [this] {
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

} // namespace settings
