#include "remote/PlaybackRemotePort.h"

#include "platform/DebugLog.h"

#include <QDateTime>
#include <QJsonArray>

#include <atomic>
#include <cmath>

namespace remote {

namespace {

template <class T> void insertIfSet(QJsonObject& object, const QString& key, const std::optional<T>& value)
{
    if (value)
        object.insert(key, QJsonValue(*value));
}

void insertIdIfSet(QJsonObject& object, const QString& key, const std::optional<QUuid>& id)
{
    if (id)
        object.insert(key, PlaybackRemotePort::idText(*id));
}

double finiteOrZero(double seconds)
{
    return std::isfinite(seconds) ? seconds : 0.0;
}

// A mark JSON cannot carry is left out rather than failing the whole snapshot, so one damaged
// clip never silences every state message; said once per run, as it repeats with every snapshot.
std::optional<double> finiteMark(std::optional<double> mark)
{
    if (!mark || std::isfinite(*mark))
        return mark;
    static std::atomic<bool> said { false };
    if (!said.exchange(true))
        dlog("⚠️ [REMOTE] a mark that is not a finite number is left out of the state");
    return std::nullopt;
}

} // namespace

QJsonObject PlaybackRemotePort::RemoteClipSummary::toJson() const
{
    QJsonObject object { { QStringLiteral("id"), idText(id) }, { QStringLiteral("name"), name },
        { QStringLiteral("duration"), duration }, { QStringLiteral("isOffline"), isOffline } };
    insertIfSet(object, QStringLiteral("markIn"), markIn);
    insertIfSet(object, QStringLiteral("markOut"), markOut);
    insertIfSet(object, QStringLiteral("takeGroup"), takeGroup);
    insertIfSet(object, QStringLiteral("inputNumber"), inputNumber);
    return object;
}

QJsonObject PlaybackRemotePort::RemotePlaybackState::toJson() const
{
    QJsonArray clipArray;
    for (const auto& clip : clips)
        clipArray.append(clip.toJson());
    QJsonArray previewIds;
    for (const auto& id : previewTakeClipIDs)
        previewIds.append(idText(id));
    QJsonObject object { { QStringLiteral("isPlaying"), isPlaying }, { QStringLiteral("currentTime"), currentTime },
        { QStringLiteral("duration"), duration }, { QStringLiteral("loopInOut"), loopInOut },
        { QStringLiteral("clips"), clipArray }, { QStringLiteral("isTakePreviewActive"), isTakePreviewActive },
        { QStringLiteral("previewTakeClipIDs"), previewIds } };
    insertIfSet(object, QStringLiteral("markIn"), markIn);
    insertIfSet(object, QStringLiteral("markOut"), markOut);
    insertIdIfSet(object, QStringLiteral("selectedClipID"), selectedClipID);
    insertIdIfSet(object, QStringLiteral("outputClipID"), outputClipID);
    return object;
}

QJsonObject PlaybackRemotePort::RemotePlaybackClock::toJson() const
{
    QJsonObject object { { QStringLiteral("isPlaying"), isPlaying }, { QStringLiteral("currentTime"), currentTime },
        { QStringLiteral("duration"), duration }, { QStringLiteral("isTakePreviewActive"), isTakePreviewActive },
        { QStringLiteral("sentAtUnix"), sentAtUnix } };
    insertIdIfSet(object, QStringLiteral("selectedClipID"), selectedClipID);
    insertIdIfSet(object, QStringLiteral("outputClipID"), outputClipID);
    if (clockSeq)
        object.insert(QStringLiteral("clockSeq"), static_cast<qint64>(*clockSeq));
    return object;
}

namespace {

std::optional<PlaybackRemotePort::Clip> remoteClipWithID(
    const std::vector<PlaybackRemotePort::Clip>& clips, const std::optional<QUuid>& id)
{
    if (id)
        for (const auto& clip : clips)
            if (clip.id == *id)
                return clip;
    return std::nullopt;
}

} // namespace

std::optional<PlaybackRemotePort::Clip> PlaybackRemotePort::currentClip() const
{
    return remoteClipWithID(clips(), selectedClipID());
}

std::optional<PlaybackRemotePort::Clip> PlaybackRemotePort::secondaryClip() const
{
    return remoteClipWithID(clips(), secondaryClipID());
}

bool PlaybackRemotePort::isTakePreviewActive() const
{
    return previewTake().has_value() && previewTakeClipIDs().size() > 1;
}

void PlaybackRemotePort::moveSelection(int step)
{
    const auto list = clips();
    const auto n = static_cast<std::int64_t>(list.size());
    if (n == 0)
        return;
    const auto wrap = [n](std::int64_t index) { return ((index % n) + n) % n; };
    std::optional<std::int64_t> selected;
    if (const auto id = selectedClipID()) {
        for (std::int64_t i = 0; i < n; ++i)
            if (list[static_cast<std::size_t>(i)].id == *id) {
                selected = i;
                break;
            }
    }
    if (selected) {
        for (std::int64_t k = 1; k <= n; ++k) {
            const auto& clip = list[static_cast<std::size_t>(wrap(*selected + wrap(k * step)))];
            if (!clip.offline) {
                selectClip(clip.id);
                return;
            }
        }
        selectClip(list[static_cast<std::size_t>(wrap(*selected + step))].id);
        return;
    }
    for (const auto& clip : list)
        if (!clip.offline) {
            selectClip(clip.id);
            return;
        }
    selectClip(list.front().id);
}

PlaybackRemotePort::RemotePlaybackState PlaybackRemotePort::makeRemoteState() const
{
    RemotePlaybackState state;
    state.isPlaying = isPlaying();
    state.currentTime = finiteOrZero(playerTime());
    state.duration = finiteOrZero(playerItemDuration().value_or(0.0));
    state.loopInOut = loopInOut();
    state.markIn = finiteMark(markIn());
    state.markOut = finiteMark(markOut());
    if (const auto clip = currentClip())
        state.selectedClipID = clip->id;
    if (const auto clip = secondaryClip())
        state.outputClipID = clip->id;
    for (const auto& clip : clips()) {
        state.clips.push_back({ clip.id, clip.name, finiteOrZero(clip.duration), finiteMark(clip.markIn),
            finiteMark(clip.markOut), clip.offline, clip.take, clip.inputNumber });
    }
    state.isTakePreviewActive = isTakePreviewActive();
    state.previewTakeClipIDs = previewTakeClipIDs();
    return state;
}

PlaybackRemotePort::RemotePlaybackClock PlaybackRemotePort::makeRemoteClock(std::optional<std::int64_t> clockSeq) const
{
    RemotePlaybackClock clock;
    clock.isPlaying = isPlaying();
    clock.currentTime = finiteOrZero(playerTime());
    clock.duration = finiteOrZero(playerItemDuration().value_or(0.0));
    if (const auto clip = currentClip())
        clock.selectedClipID = clip->id;
    if (const auto clip = secondaryClip())
        clock.outputClipID = clip->id;
    clock.isTakePreviewActive = isTakePreviewActive();
    clock.sentAtUnix = static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    clock.clockSeq = clockSeq;
    return clock;
}

} // namespace remote
