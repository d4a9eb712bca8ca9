#pragma once

// The station's one settings object: thirteen user settings, each a published property that is
// written to the user defaults the moment it is assigned and read back when the object is created.
// It also owns the remote pairing code, the application appearance and the resolution of the
// recording folder.
//
// Threads: properties are assigned on the main thread only. Every getter may be called from any
// thread (the capture and writer queues read the project format and the recording settings):
// enumerations and Booleans live in atomics, strings and data under a lock.

#include "platform/MainThread.h"
#include "settings/AppearanceMode.h"
#include "settings/CaptureFormat.h"
#include "settings/CloudSyncInterval.h"
#include "settings/ProjectColorSpace.h"
#include "settings/ProjectOutputColorMode.h"
#include "settings/RecordingBitrate.h"
#include "settings/RecordingCodec.h"
#include "settings/RecordingFPSMode.h"
#include "settings/TimecodeMode.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

namespace platform {
class UserDefaults;
}

namespace settings {

class AppSettings : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool hdmiOutFollowsPreview READ hdmiOutFollowsPreview WRITE setHdmiOutFollowsPreview NOTIFY
            hdmiOutFollowsPreviewChanged)
    Q_PROPERTY(TimecodeMode timecodeMode READ timecodeMode WRITE setTimecodeMode NOTIFY timecodeModeChanged)
    Q_PROPERTY(AppearanceMode appearanceMode READ appearanceMode WRITE setAppearanceMode NOTIFY appearanceModeChanged)
    Q_PROPERTY(std::optional<QString> recordingFolderPath READ recordingFolderPath WRITE setRecordingFolderPath NOTIFY
            recordingFolderPathChanged)
    Q_PROPERTY(std::optional<QByteArray> recordingFolderBookmarkData READ recordingFolderBookmarkData WRITE
            setRecordingFolderBookmarkData NOTIFY recordingFolderBookmarkDataChanged)
    Q_PROPERTY(RecordingCodec recordingCodec READ recordingCodec WRITE setRecordingCodec NOTIFY recordingCodecChanged)
    Q_PROPERTY(RecordingBitrate recordingBitrate READ recordingBitrate WRITE setRecordingBitrate NOTIFY
            recordingBitrateChanged)
    Q_PROPERTY(RecordingFPSMode recordingFPSMode READ recordingFPSMode WRITE setRecordingFPSMode NOTIFY
            recordingFPSModeChanged)
    Q_PROPERTY(CaptureFormat projectFormat READ projectFormat WRITE setProjectFormat NOTIFY projectFormatChanged)
    Q_PROPERTY(ProjectColorSpace projectColorSpace READ projectColorSpace WRITE setProjectColorSpace NOTIFY
            projectColorSpaceChanged)
    Q_PROPERTY(ProjectOutputColorMode projectOutputColorMode READ projectOutputColorMode WRITE setProjectOutputColorMode
            NOTIFY projectOutputColorModeChanged)
    Q_PROPERTY(CloudSyncInterval cloudSyncInterval READ cloudSyncInterval WRITE setCloudSyncInterval NOTIFY
            cloudSyncIntervalChanged)
    Q_PROPERTY(QString pairingCode READ pairingCode WRITE setPairingCode NOTIFY pairingCodeChanged)

public:
    // The user-defaults keys; these thirteen are the only ones the settings object touches.
    struct Keys {
        static constexpr const char* hdmiOutFollowsPreview = "hdmiOutFollowsPreview";
        static constexpr const char* timecodeMode = "timecodeMode";
        static constexpr const char* appearanceMode = "appearanceMode";
        static constexpr const char* recordingFolderPath = "recordingFolderPath";
        static constexpr const char* recordingFolderBookmark = "recordingFolderBookmark";
        static constexpr const char* recordingCodec = "recordingCodec";
        static constexpr const char* recordingBitrate = "recordingBitrate";
        static constexpr const char* recordingFPSMode = "recordingFPSMode";
        static constexpr const char* projectFormat = "projectFormat";
        static constexpr const char* projectColorSpace = "projectColorSpace";
        static constexpr const char* projectOutputColorMode = "projectOutputColorMode";
        static constexpr const char* cloudSyncInterval = "cloudSyncInterval";
        static constexpr const char* pairingCode = "pairingCode";
    };

    // What a security-scoped bookmark resolves to.
    struct ResolvedBookmark {
        QString path;
        bool stale = false;
    };
    // Bookmark services. This platform has none: resolving fails and creating yields nothing, so
    // the stored path is used and the stored bytes are kept untouched.
    struct BookmarkServices {
        std::function<std::optional<ResolvedBookmark>(const QByteArray& data)> resolve;
        std::function<std::optional<QByteArray>(const QString& path)> create;
    };

    // Loads every setting from `defaults` (which must outlive the object). The application uses
    // shared(); tests build their own on a private defaults file.
    explicit AppSettings(platform::UserDefaults& defaults, QObject* parent = nullptr);
    ~AppSettings() override;

    // The process-wide instance on the standard user defaults, created on first use (safe against
    // racing first uses) and never released. It lives on the main thread whichever thread made it.
    static AppSettings& shared();

    // The theme registers how an appearance is applied to the application. applyAppearance() does
    // nothing until a hook exists.
    static void setAppearanceHook(std::function<void(AppearanceMode)> hook);

    bool hdmiOutFollowsPreview() const { return hdmiOutFollowsPreview_.load(); }
    TimecodeMode timecodeMode() const { return timecodeMode_.load(); }
    AppearanceMode appearanceMode() const { return appearanceMode_.load(); }
    std::optional<QString> recordingFolderPath() const { return locked(recordingFolderPath_); }
    std::optional<QByteArray> recordingFolderBookmarkData() const { return locked(recordingFolderBookmarkData_); }
    RecordingCodec recordingCodec() const { return recordingCodec_.load(); }
    RecordingBitrate recordingBitrate() const { return recordingBitrate_.load(); }
    RecordingFPSMode recordingFPSMode() const { return recordingFPSMode_.load(); }
    CaptureFormat projectFormat() const { return projectFormat_.load(); }
    ProjectColorSpace projectColorSpace() const { return projectColorSpace_.load(); }
    ProjectOutputColorMode projectOutputColorMode() const { return projectOutputColorMode_.load(); }
    CloudSyncInterval cloudSyncInterval() const { return cloudSyncInterval_.load(); }
    QString pairingCode() const { return locked(pairingCode_); }

    // Main thread only. Every assignment, also of the value already held, stores, writes the user
    // defaults and then emits the property's signal.
    void setHdmiOutFollowsPreview(bool value);
    void setTimecodeMode(TimecodeMode value);
    void setAppearanceMode(AppearanceMode value); // also applies the appearance
    // Written exactly as assigned; none, an empty or an all-blank value removes the key.
    void setRecordingFolderPath(const std::optional<QString>& value);
    void setRecordingFolderBookmarkData(const std::optional<QByteArray>& value); // none removes the key
    void setRecordingCodec(RecordingCodec value);
    void setRecordingBitrate(RecordingBitrate value);
    void setRecordingFPSMode(RecordingFPSMode value);
    void setProjectFormat(CaptureFormat value);
    void setProjectColorSpace(ProjectColorSpace value);
    void setProjectOutputColorMode(ProjectOutputColorMode value);
    void setCloudSyncInterval(CloudSyncInterval value);
    void setPairingCode(const QString& value); // written as it is, an empty one included

    // The recording folder: the bookmark's folder when it resolves, else the stored path (as
    // stored, made absolute), as a file URL marked as a directory (trailing slash); none when neither is
    // set. Main thread only, since it may update the stored path and bookmark.
    std::optional<QUrl> resolveRecordingFolderURL();

    // Draws a new code and assigns it (so it is published and saved, even when it repeats).
    void regeneratePairingCode();

    // Queues one task on the main thread that hands the then-current appearance mode to the
    // appearance hook. Nothing happens in a process without a widget application or without a hook.
    void applyAppearance();

    // Six decimal digits, leading zeros included, drawn uniformly with the system's random source.
    static QString generatePairingCode();
    // The code for a number 0...999,999 ("%06d").
    static QString pairingCodeFromNumber(quint32 number);

    // Replaces the bookmark services (tests stand in for a platform that has them); a missing
    // function keeps the current one.
    void setBookmarkServices(BookmarkServices services);

signals:
    void hdmiOutFollowsPreviewChanged(bool value);
    void timecodeModeChanged(TimecodeMode value);
    void appearanceModeChanged(AppearanceMode value);
    void recordingFolderPathChanged(const std::optional<QString>& value);
    void recordingFolderBookmarkDataChanged(const std::optional<QByteArray>& value);
    void recordingCodecChanged(RecordingCodec value);
    void recordingBitrateChanged(RecordingBitrate value);
    void recordingFPSModeChanged(RecordingFPSMode value);
    void projectFormatChanged(CaptureFormat value);
    void projectColorSpaceChanged(ProjectColorSpace value);
    void projectOutputColorModeChanged(ProjectOutputColorMode value);
    void cloudSyncIntervalChanged(CloudSyncInterval value);
    void pairingCodeChanged(const QString& value);

private:
    // Every setter is one assignment: store, write the user defaults (`stored`, or remove the key
    // when there is none), then emit. Enumerations are stored by raw value, Booleans as they are.
    template <class T> void assign(std::atomic<T>& field, T value, const char* key, void (AppSettings::*changed)(T));
    template <class T>
    void assign(T& field, const T& value, const char* key, const std::optional<QVariant>& stored,
        void (AppSettings::*changed)(const T&));
    // Reads an enumeration into `field`; its initial value stays when the stored one is missing or unknown.
    template <class E> void load(std::atomic<E>& field, const char* key);
    template <class T> T locked(const T& field) const
    {
        std::lock_guard lock(textMutex_);
        return field;
    }

    platform::UserDefaults& defaults_;

    std::atomic<bool> hdmiOutFollowsPreview_ { true };
    std::atomic<TimecodeMode> timecodeMode_ { TimecodeMode::recordRunInt };
    std::atomic<AppearanceMode> appearanceMode_ { AppearanceMode::system };
    std::atomic<RecordingCodec> recordingCodec_ { RecordingCodec::h264 };
    std::atomic<RecordingBitrate> recordingBitrate_ { RecordingBitrate::mbps20 };
    std::atomic<RecordingFPSMode> recordingFPSMode_ { RecordingFPSMode::auto_ };
    std::atomic<CaptureFormat> projectFormat_ { CaptureFormat::hd1080p25 };
    std::atomic<ProjectColorSpace> projectColorSpace_ { ProjectColorSpace::rec709 };
    std::atomic<ProjectOutputColorMode> projectOutputColorMode_ { ProjectOutputColorMode::rec709 };
    std::atomic<CloudSyncInterval> cloudSyncInterval_ { CloudSyncInterval::manual };

    mutable std::mutex textMutex_; // guards the three values below
    std::optional<QString> recordingFolderPath_;
    std::optional<QByteArray> recordingFolderBookmarkData_;
    QString pairingCode_;

    BookmarkServices bookmarks_;
    // The appearance is applied on the main thread even when a worker made the settings.
    platform::LivenessFlag liveness_;
};

} // namespace settings
