#pragma once

// What remote control needs of the playback engine: its published state, the operations the
// remote commands drive, and a signal for every assignment of a published property (repeated
// values included), which the real-time pipelines observe. The snapshot records and the
// next/previous clip step are built here, over the port, so every engine behind it answers the
// same way. The adapter over the real engine lives in the application; tests use a fake.
//
// Threads: main thread only.

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <cstdint>
#include <optional>
#include <vector>

namespace remote {

class PlaybackRemotePort : public QObject {
    Q_OBJECT

public:
    enum class Property {
        currentTime,
        isPlaying,
        duration,
        selectedClipID,
        secondaryClipID,
        previewTake,
        previewTakeClipIDs,
        clips,
        markIn,
        markOut,
        loopInOut,
    };

    // One playlist entry as remote control sees it.
    struct Clip {
        QUuid id;
        QUrl url;
        QString name; // the slate display name
        double duration = 0.0;
        std::optional<double> markIn;
        std::optional<double> markOut;
        std::optional<qint64> take;
        std::optional<qint64> inputNumber;
        bool offline = false;
    };

    struct RemoteClipSummary {
        QUuid id;
        QString name;
        double duration = 0.0;
        std::optional<double> markIn;
        std::optional<double> markOut;
        bool isOffline = false;
        std::optional<qint64> takeGroup;
        std::optional<qint64> inputNumber;

        QJsonObject toJson() const;
        bool operator==(const RemoteClipSummary&) const = default;
    };

    struct RemotePlaybackState {
        bool isPlaying = false;
        double currentTime = 0.0;
        double duration = 0.0;
        bool loopInOut = false;
        std::optional<double> markIn;
        std::optional<double> markOut;
        std::optional<QUuid> selectedClipID;
        std::optional<QUuid> outputClipID;
        std::vector<RemoteClipSummary> clips;
        bool isTakePreviewActive = false;
        QList<QUuid> previewTakeClipIDs;

        QJsonObject toJson() const;
        bool operator==(const RemotePlaybackState&) const = default;
    };

    struct RemotePlaybackClock {
        bool isPlaying = false;
        double currentTime = 0.0;
        double duration = 0.0;
        std::optional<QUuid> selectedClipID;
        std::optional<QUuid> outputClipID;
        bool isTakePreviewActive = false;
        double sentAtUnix = 0.0;
        std::optional<std::int64_t> clockSeq;

        QJsonObject toJson() const;
        bool operator==(const RemotePlaybackClock&) const = default;
    };

    using QObject::QObject;

    // An identifier as clients see it: canonical, upper-case, without braces.
    static QString idText(const QUuid& id) { return id.toString(QUuid::WithoutBraces).toUpper(); }

    // --- Published state ---
    virtual std::vector<Clip> clips() const = 0;
    virtual std::optional<QUuid> selectedClipID() const = 0;
    virtual std::optional<QUuid> secondaryClipID() const = 0;
    virtual bool isPlaying() const = 0;
    // The engine's published playhead (what "nudge" steps from).
    virtual double currentTime() const = 0;
    virtual bool loopInOut() const = 0;
    virtual std::optional<double> markIn() const = 0;
    virtual std::optional<double> markOut() const = 0;
    virtual std::optional<qint64> previewTake() const = 0;
    virtual QList<QUuid> previewTakeClipIDs() const = 0;
    // The main player's own time, and its current item's duration (none without an item).
    virtual double playerTime() const = 0;
    virtual std::optional<double> playerItemDuration() const = 0;

    // --- Operations ---
    virtual void togglePlayPause() = 0;
    virtual void stopPlayback() = 0;
    virtual void jogFrame(int direction) = 0;
    virtual void shuttleTap(int direction) = 0;
    virtual void setMarkIn() = 0;
    virtual void setMarkOut() = 0;
    virtual void clearMarks() = 0;
    virtual void playInToOut() = 0;
    // Assigns the published in-out loop flag, so observers see the change.
    virtual void setLoopInOut(bool value) = 0;
    virtual void seek(double seconds, bool stopTransport) = 0;
    virtual void selectClip(const std::optional<QUuid>& id) = 0;
    virtual void setSecondaryClip(const std::optional<QUuid>& id) = 0;
    virtual void deleteSelectedClip() = 0;
    virtual void deleteAllClips() = 0;

    // --- Built over the above ---
    std::optional<Clip> currentClip() const;
    std::optional<Clip> secondaryClip() const;
    bool isTakePreviewActive() const;
    // Selects the next (step 1) or previous (step -1) online clip, wrapping around the playlist.
    void moveSelection(int step);
    RemotePlaybackState makeRemoteState() const;
    RemotePlaybackClock makeRemoteClock(std::optional<std::int64_t> clockSeq) const;

signals:
    // Emitted for every assignment of a published property, also of the value it already holds.
    void propertyAssigned(remote::PlaybackRemotePort::Property property);
};

} // namespace remote
