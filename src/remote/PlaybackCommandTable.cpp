#include "remote/PlaybackCommandTable.h"

#include "platform/DebugLog.h"
#include "platform/MainThread.h"
#include "remote/CaptureRemotePort.h"
#include "remote/ClipCacheService.h"
#include "remote/MessageFields.h"
#include "remote/PlaybackRemotePort.h"
#include "remote/RemoteReplies.h"
#include "remote/RemoteStateBroadcaster.h"
#include "remote/RemoteTransport.h"

#include <QUuid>

namespace remote {

namespace {

// A missing or unparsable identifier is no identifier: the operation still runs with none.
std::optional<QUuid> clipIdArgument(const RemoteMessage& message)
{
    const auto text = MessageFields::extractString(message, QStringLiteral("clipID"));
    if (!text)
        return std::nullopt;
    const QUuid id(*text);
    if (id.isNull())
        return std::nullopt;
    return id;
}

} // namespace

PlaybackCommandTable::PlaybackCommandTable(Services services)
    : services_(services)
{
    addControlActions();
}

void PlaybackCommandTable::addControlActions()
{
    auto& p = services_.playback;
    const auto add
        = [this](const QString& action, const QString& ackText, std::function<void(const RemoteMessage&)> operation) {
              controlActions_.insert(action, { ackText, std::move(operation) });
          };
    const auto simple = [&add](const QString& action, std::function<void()> operation) {
        add(action, action, [operation](const RemoteMessage&) { operation(); });
    };
    simple(QStringLiteral("toggle_play"), [&p] { p.togglePlayPause(); });
    simple(QStringLiteral("stop"), [&p] { p.stopPlayback(); });
    simple(QStringLiteral("next_clip"), [&p] { p.moveSelection(1); });
    simple(QStringLiteral("prev_clip"), [&p] { p.moveSelection(-1); });
    add(QStringLiteral("jog_frame"), QStringLiteral("jog_frame"), [&p](const RemoteMessage& m) {
        p.jogFrame(MessageFields::extractInt32Clamped(m, QStringLiteral("direction")).value_or(0));
    });
    for (const auto& name : { QStringLiteral("shuttle_forward_tap"), QStringLiteral("shuttle_forward") })
        add(name, QStringLiteral("shuttle_forward"), [&p](const RemoteMessage&) { p.shuttleTap(1); });
    for (const auto& name : { QStringLiteral("shuttle_reverse_tap"), QStringLiteral("shuttle_reverse") })
        add(name, QStringLiteral("shuttle_reverse"), [&p](const RemoteMessage&) { p.shuttleTap(-1); });
    simple(QStringLiteral("mark_in"), [&p] { p.setMarkIn(); });
    simple(QStringLiteral("mark_out"), [&p] { p.setMarkOut(); });
    simple(QStringLiteral("clear_marks"), [&p] { p.clearMarks(); });
    simple(QStringLiteral("play_in_out"), [&p] { p.playInToOut(); });
    for (const auto& name : { QStringLiteral("toggle_loop_in_out"), QStringLiteral("toggle_loop") })
        add(name, QStringLiteral("toggle_loop"), [&p](const RemoteMessage&) { p.setLoopInOut(!p.loopInOut()); });
    add(QStringLiteral("seek"), QStringLiteral("seek"), [&p](const RemoteMessage& m) {
        p.seek(MessageFields::extractDouble(m, QStringLiteral("seconds")).value_or(0.0), true);
    });
    add(QStringLiteral("nudge"), QStringLiteral("nudge"), [&p](const RemoteMessage& m) {
        p.seek(p.currentTime() + MessageFields::extractDouble(m, QStringLiteral("seconds")).value_or(0.0), true);
    });
    add(QStringLiteral("select_clip"), QStringLiteral("select_clip"),
        [&p](const RemoteMessage& m) { p.selectClip(clipIdArgument(m)); });
    add(QStringLiteral("set_output_clip"), QStringLiteral("set_output_clip"),
        [&p](const RemoteMessage& m) { p.setSecondaryClip(clipIdArgument(m)); });
    simple(QStringLiteral("clear_output_clip"), [&p] { p.setSecondaryClip(std::nullopt); });
    simple(QStringLiteral("delete_selected_clip"), [&p] { p.deleteSelectedClip(); });
    simple(QStringLiteral("delete_all_clips"), [&p] { p.deleteAllClips(); });
}

void PlaybackCommandTable::execute(const RemoteCommand& command)
{
    Q_ASSERT(platform::isMainThread());
    const QString& action = command.action;
    if (const auto found = controlActions_.constFind(action); found != controlActions_.cend()) {
        found->operation(command.message);
        services_.snapshots.syncPlaybackToClients();
        ack(command, true, found->ackText);
    } else if (action == QLatin1String("hdmi_out")) {
        ack(command, false, QStringLiteral("hdmi_out not implemented on macOS yet"));
    } else if (action == QLatin1String("open_file")) {
        ack(command, false, QStringLiteral("open_file not implemented on macOS yet"));
    } else if (action == QLatin1String("set_preview_mode")) {
        setPreviewMode(command);
    } else if (action == QLatin1String("request_state")) {
        services_.snapshots.sendStateUpdate(command.connection);
        services_.snapshots.sendPlaybackClock(command.connection, std::nullopt);
        ack(command, true, QStringLiteral("request_state ok"));
    } else if (action == QLatin1String("request_playback_clock")) {
        const auto seq = MessageFields::extractInt(command.message, QStringLiteral("clockSeq"));
        services_.snapshots.sendPlaybackClock(command.connection, seq);
    } else if (action == QLatin1String("request_cache_manifest")) {
        requestCacheManifest(command);
    } else if (action == QLatin1String("cache_fetch_clip")) {
        cacheFetchClip(command);
    } else {
        dlog(QStringLiteral("⚠️ Unknown action: ") + action);
        ack(command, false, QStringLiteral("unknown action: ") + action);
    }
}

void PlaybackCommandTable::setPreviewMode(const RemoteCommand& command)
{
    const auto text = MessageFields::extractString(command.message, QStringLiteral("mode"))
                          .value_or(QStringLiteral("playback"))
                          .toLower();
    const bool capture = text == QLatin1String("capture") || text == QLatin1String("live");
    services_.capture.setRemotePreviewMode(
        capture ? CaptureRemotePort::RemotePreviewMode::capture : CaptureRemotePort::RemotePreviewMode::playback);
    services_.capture.applyWebRTCSourceRouting();
    services_.snapshots.syncPlaybackToClients();
    ack(command, true,
        QStringLiteral("set_preview_mode ") + (capture ? QStringLiteral("capture") : QStringLiteral("playback")));
}

void PlaybackCommandTable::requestCacheManifest(const RemoteCommand& command)
{
    const auto clips = services_.clipCache.buildCacheManifestClips();
    services_.transport.send(command.connection,
        { { QStringLiteral("type"), QStringLiteral("cache.manifest") },
            { QStringLiteral("payload"), QJsonObject { { QStringLiteral("clips"), clips } } } });
    auto reply = RemoteReplies::ack(true, QStringLiteral("request_cache_manifest ok"));
    reply.insert(QStringLiteral("count"), clips.size());
    services_.transport.send(command.connection, reply);
}

void PlaybackCommandTable::cacheFetchClip(const RemoteCommand& command)
{
    const auto clipID = MessageFields::extractString(command.message, QStringLiteral("clipID"));
    if (!clipID || clipID->isEmpty()) {
        ack(command, false, QStringLiteral("cache_fetch_clip missing clipID"));
        return;
    }
    auto reply = RemoteReplies::ack(true, QStringLiteral("cache_fetch_clip started"));
    reply.insert(QStringLiteral("clipID"), *clipID);
    services_.transport.send(command.connection, reply);
    services_.clipCache.streamClipToClient(*clipID, command.connection);
}

void PlaybackCommandTable::ack(const RemoteCommand& command, bool ok, const QString& message)
{
    services_.transport.send(command.connection, RemoteReplies::ack(ok, message));
}

} // namespace remote
