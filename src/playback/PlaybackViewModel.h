#pragma once

// The playback-and-marking engine: the playlist of clips kept in the open project's folder, the
// main and program players, the marks, the transport, the take preview and the good-take flags.
// One object for the station's life, handed to the playback screen, the output taps, the keyboard
// shortcuts, the project library and the remote bridge, which all read its published properties
// and call its operations.
//
// The behaviour is split over files by concern:
//   PlaybackViewModel.cpp              construction, clean-up, published state, derived state,
//                                      finished recordings arriving by notification
//   PlaybackViewModel_Playlist.cpp     the playlist file, the project folder, project-selection mode
//   PlaybackViewModel_Clips.cpp        adding clips, slates read from file names, thumbnails, formats
//   PlaybackViewModel_GoodTakes.cpp    good-take flags and the good-takes report
//   PlaybackViewModel_Selection.cpp    the selected clip and the players
//   PlaybackViewModel_Transport.cpp    play, pause, stop, seeks, jog, shuttle, reverse play, the
//                                      half-speed hold, and the playhead
//   PlaybackViewModel_Marks.cpp        Mark In, Mark Out and the in-to-out loop
//   PlaybackViewModel_TakePreview.cpp  the multi-camera take preview
//   PlaybackViewModel_Removal.cpp      removing clips and following files that went missing
//
// Threads: every member runs on the main thread, which owns all state (asserted in the entry
// points). The playlist file is encoded and written on the engine's writer queue
// ("Corvale.PlaylistWriter") from an immutable copy of the list, so a save costs the main thread
// almost nothing whatever the playlist's length; its result comes back to the main thread.
// Thumbnails and formats are read on pool threads and come back the same way, finding their clip
// again by id.

#include "media/player/MediaPlayer.h"
#include "platform/MainThread.h"
#include "playback/ClipItem.h"
#include "playback/PlaylistFile.h"
#include "settings/CaptureFormat.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QUrl>
#include <QUuid>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace platform {
class NotificationCenter;
class Scheduler;
class SerialQueue;
} // namespace platform

namespace settings {
class AppSettings;
}

namespace playback {

class ClipMediaLoader;
class PlaybackDialogs;

class PlaybackViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(media::MediaPlayer* player READ player CONSTANT)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(QList<playback::ClipItem> clips READ clips NOTIFY clipsChanged)
    Q_PROPERTY(std::optional<QUuid> selectedClipID READ selectedClipID NOTIFY selectedClipIDChanged)
    Q_PROPERTY(std::optional<QUuid> secondaryClipID READ secondaryClipID NOTIFY secondaryClipIDChanged)
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
    Q_PROPERTY(double currentTime READ currentTime NOTIFY currentTimeChanged)
    Q_PROPERTY(std::optional<double> markIn READ markIn NOTIFY markInChanged)
    Q_PROPERTY(std::optional<double> markOut READ markOut NOTIFY markOutChanged)
    Q_PROPERTY(bool loopInOut READ loopInOut NOTIFY loopInOutChanged)
    Q_PROPERTY(bool hasUnsavedChanges READ hasUnsavedChanges NOTIFY hasUnsavedChangesChanged)
    Q_PROPERTY(std::optional<qint64> previewTake READ previewTake NOTIFY previewTakeChanged)
    Q_PROPERTY(QList<QUuid> previewTakeClipIDs READ previewTakeClipIDs NOTIFY previewTakeClipIDsChanged)

public:
    // The notification the capture engine posts when a take's movie file is finished, with the
    // file's URL under kRecordingURLKey.
    static constexpr const char* kRecordingFinishedNotification = "corvaleRecordingFinished";
    static constexpr const char* kRecordingURLKey = "url";
    // The title of the panel that adds movie files (as the station has always shown it).
    static constexpr const char* kOpenFilesTitle = "เลือกไฟล์วิดีโอ";

    enum class TransportDirection { forward, reverse };
    Q_ENUM(TransportDirection)

    using PlaybackState = playback::PlaybackState;

    // `playerFactory` makes the main and program players (and the take players). Construction
    // ends in project-selection mode with an empty playlist.
    PlaybackViewModel(settings::AppSettings& settings, media::MediaPlayerFactory playerFactory,
        platform::Scheduler& scheduler, platform::NotificationCenter& notifications, QObject* parent = nullptr);
    ~PlaybackViewModel() override;

    // The panels and the beep; the stand-in until the application hands its own. Not owned.
    void setDialogs(PlaybackDialogs* dialogs);
    // Thumbnails and formats; the media layer's readers until replaced.
    void setMediaLoader(std::unique_ptr<ClipMediaLoader> loader);

    // --- Published state ---
    media::MediaPlayer* player() const { return player_.get(); }
    bool isPlaying() const { return isPlaying_; }
    const QList<ClipItem>& clips() const { return clips_; }
    const std::optional<QUuid>& selectedClipID() const { return selectedClipID_; }
    const std::optional<QUuid>& secondaryClipID() const { return secondaryClipID_; }
    double duration() const { return duration_; }
    double currentTime() const { return currentTime_; }
    const std::optional<double>& markIn() const { return markIn_; }
    const std::optional<double>& markOut() const { return markOut_; }
    bool loopInOut() const { return loopInOut_; }
    bool hasUnsavedChanges() const { return hasUnsavedChanges_; }
    const std::optional<qint64>& previewTake() const { return previewTake_; }
    const QList<QUuid>& previewTakeClipIDs() const { return previewTakeClipIDs_; }

    // No project is open (the project library is showing): nothing is loaded or saved.
    bool isProjectSelectionMode() const { return isProjectSelectionMode_; }
    // The folder whose "playlist.json" the engine keeps; none after enterProjectSelectionMode().
    const std::optional<QUrl>& playlistFolderURL() const { return playlistFolderURL_; }

    // --- Derived state ---
    std::optional<ClipItem> currentClip() const;
    std::optional<ClipItem> secondaryClip() const;
    bool isTakePreviewActive() const;
    QList<ClipItem> previewTakeClips() const;

    // --- Lifecycle ---
    // At termination: gives up file access, removes the player observers and saves a playlist
    // with unsaved marks or durations (nothing in project-selection mode).
    void cleanup();

    // --- Playlist file and project folder ---
    void saveState();
    void loadStateIfAvailable();
    void enterProjectSelectionMode();
    void exitProjectSelectionMode();
    // Waits until every save queued so far is on disk and its result applied. The engine does
    // this itself before it reads a playlist; tests and the benchmark call it to look at the file.
    void flushPendingSaves();

    // --- Cloud sync hooks (PlaybackViewModel_CloudHooks.cpp) ---
    // Saves unsaved edits and waits for the file, so a sync reads and compares what is on screen.
    void saveBeforeCloudSync();
    // The playlist file was replaced from Drive: reads it again, without saving the list first.
    void reloadPlaylistFromDisk(const QString& filePath);
    // A clip file was renamed on disk: clips pointing at the old file follow it, and the list is saved.
    void repointClips(const QString& oldPath, const QString& newPath);

    // --- Adding clips ---
    void openFiles();
    void addClipFromRecording(const QUrl& url);
    // True when the clip's probed format differs from the project format, false when it matches,
    // none when either is unknown.
    std::optional<bool> clipFormatMismatch(const ClipItem& clip) const;
    // "%02d:%02d:%02d" (hours not wrapped), or "-" for none, not finite or negative.
    static QString formattedTime(std::optional<double> seconds);
    // A small still of the movie's first picture, delivered later on the main thread (a null
    // image when it cannot be made).
    void generateThumbnail(const QUrl& url, std::function<void(const QImage&)> done);

    // --- Good takes ---
    void toggleGoodClip(const QUuid& id);
    bool isTakeAllGood(std::optional<qint64> take) const;
    void toggleGoodTake(std::optional<qint64> take);
    int goodClipsCount() const;
    void exportGoodReportCSV();

    // --- Selection and players ---
    // Loads the clip into the main player (and into the program player while no output clip is
    // set); an id of no clip empties them.
    void selectClip(const std::optional<QUuid>& id);
    // A selection from the playlist: ends the take preview and the output clip first.
    void selectClipSingle(const std::optional<QUuid>& id);
    // Sets (or clears) the output clip, loaded into the program player at the playhead.
    void setSecondaryClip(const std::optional<QUuid>& id);
    // The program player, which feeds the program output.
    media::MediaPlayer* programPlayer() const { return programPlayer_.get(); }

    // --- Transport ---
    void togglePlayPause();
    void stopPlayback();
    // Clamped to the clip; `stopTransport` ends reverse play first.
    void seek(double seconds, bool stopTransport);
    // Pauses and steps `direction` frames (negative: back).
    void jogFrame(int direction);
    void shuttleForwardTap();
    void shuttleReverseTap();
    // One tap of the shuttle: the same direction doubles the speed up to 64x, the other starts
    // again at 1x that way.
    void shuttleTap(int direction);
    void startHalfSpeedHold(TransportDirection direction);
    void stopHalfSpeedHold();
    void nudge(double seconds);
    void seekToMarkIn();
    void seekToMarkOut();

    // --- Marks and the in-to-out loop ---
    void setMarkIn();
    void setMarkOut();
    void clearMarks();
    void playInToOut();
    // The screen's Loop control and the remote's toggle write it directly.
    void setLoopInOut(bool value);

    // --- Take preview ---
    // Previews every online clip with that take number (none: the clips without one), lowest
    // camera first as the selected master.
    void previewTake(std::optional<qint64> take);
    // The player of a tile: the main player for the master, else the clip's take player.
    media::MediaPlayer* playerForTakeTile(const QUuid& id);
    void setTakePreviewMaster(const QUuid& id);

    // --- Removal and offline status ---
    // Positions in `clips`; positions outside the list are skipped.
    void deleteClips(const std::set<qsizetype>& positions);
    void deleteSelectedClip();
    void deleteAllClips();
    void refreshOfflineStatus();
    // Shows the clip's file in the file manager.
    void revealInFinder(const std::optional<QUuid>& id);

signals:
    void isPlayingChanged(bool value);
    void clipsChanged(const QList<playback::ClipItem>& value);
    void selectedClipIDChanged(const std::optional<QUuid>& value);
    void secondaryClipIDChanged(const std::optional<QUuid>& value);
    void durationChanged(double value);
    void currentTimeChanged(double value);
    void markInChanged(const std::optional<double>& value);
    void markOutChanged(const std::optional<double>& value);
    void loopInOutChanged(bool value);
    void hasUnsavedChangesChanged(bool value);
    void previewTakeChanged(const std::optional<qint64>& value);
    void previewTakeClipIDsChanged(const QList<QUuid>& value);

private:
    struct ClipFormatInfo {
        qint64 width = 0;
        qint64 height = 0;
        double fps = 0.0;
        QString scan;
    };
    struct SaveOutcome {
        std::uint64_t generation = 0;
        std::optional<QString> error;
    };

    // Setters of the published properties: each assignment stores and then notifies, also when
    // the value is the one already held.
    template <class T, class Arg> void publish(T& field, const T& value, void (PlaybackViewModel::*changed)(Arg))
    {
        field = value;
        emit(this->*changed)(field);
    }
    void setIsPlaying(bool value);
    void setClips(QList<ClipItem> value);
    // One change of `clips` each: the record at `index` replaced, or one appended.
    void replaceClip(qsizetype index, const ClipItem& clip);
    void appendClip(const ClipItem& clip);
    void setSelectedClipID(const std::optional<QUuid>& value);
    void setSecondaryClipID(const std::optional<QUuid>& value);
    void setDuration(double value);
    void setCurrentTime(double value);
    void publishMarkIn(const std::optional<double>& value);
    void publishMarkOut(const std::optional<double>& value);
    // Setting it true also counts an edit, so a save that started before the edit does not clear
    // the flag when it finishes.
    void setHasUnsavedChanges(bool value);
    void setPreviewTake(const std::optional<qint64>& value);
    void setPreviewTakeClipIDs(const QList<QUuid>& value);

    qsizetype indexOfClip(const QUuid& id) const;
    bool shouldControlProgramPlayer() const;

    // Lifecycle and transport
    void stopTransportInternal();
    void handleRecordingFinished(const QVariantMap& userInfo);

    // Playlist file and project folder
    void saveState(const std::optional<QUrl>& folder);
    std::optional<QUrl> playlistURL(const QUrl& folder);
    static QUrl legacyPlaylistFolderURL();
    // The recording folder of the settings, else the legacy folder.
    QUrl recordingFolderOrLegacy();
    void resetPlaybackStateForProjectChange();
    void observeProjectFolderChanges();
    void handleProjectFolderChange();
    void applySaveOutcomes();
    void handleUnreadablePlaylist(const QString& path, const QString& error);

    // Adding clips
    static void applySlateMetadata(const QString& fileName, ClipItem& clip);
    static std::optional<std::pair<int, int>> sizeForProjectFormat(settings::CaptureFormat format);
    ClipItem makeClip(const QUrl& url) const;
    void loadClipFormat(const QUrl& url, std::function<void(const std::optional<ClipFormatInfo>&)> done);
    // Fills a clip's thumbnail and then, when asked, its format, finding it again by id.
    void startFillTask(const QUuid& id, const QUrl& url, bool loadFormat);
    void addChosenFiles(const QList<QUrl>& urls);

    // Good takes
    void writeGoodReport(const QUrl& destination);

    // Selection and players
    void clearBoundaryAndEndObservers();
    void beginAccessingPlaybackURL(const QUrl& url);
    void endAccessingPlaybackURL();
    // Learns the frame duration once the main player's new item has opened; also reports an
    // item that cannot be opened.
    void updateCachedFrameDuration(const std::shared_ptr<media::PlayerItem>& item);
    void handleItemEnd();
    void handleItemFailed(const QString& error);
    // Empties the main player, and the program player while it follows the selection.
    void unloadSelection();

    // Transport
    // The players a transport step moves, in order: main, program (when driven), and the take
    // players other than the master's while a preview is active.
    std::vector<media::MediaPlayer*> drivenPlayers() const;
    void shuttleForward(float rate);
    void shuttleReverse(float rate);
    void startReverseTimer(double rate);
    void reverseTick(double interval);
    void resetShuttleState();
    double frameDurationSeconds() const { return cachedFrameDuration_; }
    void addTimeObserver();
    void handlePeriodicTime(double seconds);
    void updateCurrentClipDuration(double seconds);

    // Marks
    void updateCurrentClipMarks();
    void handleInOutStop(double startTime);

    // Take preview
    void clearTakePreview();
    void rebuildTakePlayers(bool keepCurrentTime);

    settings::AppSettings& settings_;
    platform::Scheduler& scheduler_;
    platform::NotificationCenter& notifications_;
    media::MediaPlayerFactory playerFactory_;
    PlaybackDialogs* dialogs_;
    std::unique_ptr<ClipMediaLoader> mediaLoader_;

    // Published
    std::unique_ptr<media::MediaPlayer> player_;
    bool isPlaying_ = false;
    QList<ClipItem> clips_;
    std::optional<QUuid> selectedClipID_;
    std::optional<QUuid> secondaryClipID_;
    double duration_ = 0.0;
    double currentTime_ = 0.0;
    std::optional<double> markIn_;
    std::optional<double> markOut_;
    bool loopInOut_ = false;
    bool hasUnsavedChanges_ = false;
    std::optional<qint64> previewTake_;
    QList<QUuid> previewTakeClipIDs_;

    // Private
    const std::unique_ptr<media::MediaPlayer> programPlayer_;
    media::MediaPlayer::ObserverToken timeObserverToken_ = 0; // 0: none
    media::MediaPlayer::ObserverToken boundaryObserverToken_ = 0;
    std::optional<QMetaObject::Connection> endObserverToken_;
    std::optional<QMetaObject::Connection> failObserverToken_;
    QMetaObject::Connection frameRateProbe_;
    // No security-scoped access exists here; the engine remembers what it would hold.
    std::optional<QUrl> playbackAccessingClipURL_;
    std::optional<QUrl> playbackAccessingFolderURL_;
    double cachedFrameDuration_ = 1.0 / 30.0;
    std::map<QUuid, std::unique_ptr<media::MediaPlayer>> takePlayers_;
    const std::vector<float> shuttleSteps_ { 1, 2, 4, 8, 16, 32, 64 };
    int shuttleIndex_ = 0;
    int shuttleDirection_ = 0;
    std::uint64_t reverseTimer_ = 0; // a scheduler timer; 0: none
    double reverseRate_ = 1.0;
    std::optional<QUrl> playlistFolderURL_;
    std::vector<QMetaObject::Connection> settingsCancellables_;
    bool isProjectSelectionMode_ = false;
    int recordingFinishedObserver_ = 0;

    // Saving: edits are counted so that a save finishing late clears the unsaved flag only when
    // nothing was edited after it started. Declared last, the writer queue is drained first when
    // the engine goes, so its blocks never outlive what they touch.
    std::uint64_t editGeneration_ = 0;
    platform::LivenessFlag alive_;
    std::mutex outcomesMutex_; // guards outcomes_, which the writer queue appends to
    std::vector<SaveOutcome> outcomes_;
    std::unique_ptr<platform::SerialQueue> writer_;
};

} // namespace playback
