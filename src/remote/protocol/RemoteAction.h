#pragma once

// The transport and playlist actions of the typed remote records; "toggle_loop_in_out" is the
// raw value of toggleLoop. Each encodes as its raw value; any other
// string fails to decode.

#include "settings/StringEnum.h"

namespace remote {

enum class RemoteAction {
    ping,
    togglePlay,
    stop,
    nextClip,
    prevClip,
    jogFrame,
    shuttleForwardTap,
    shuttleReverseTap,
    markIn,
    markOut,
    clearMarks,
    playInOut,
    toggleLoop,
    seekMarkIn,
    seekMarkOut,
    seek,
    nudge,
    selectClip,
    setOutputClip,
    clearOutputClip,
    deleteSelectedClip,
    deleteClip,
    deleteAllClips,
};

} // namespace remote

namespace settings {

template <> struct EnumTable<remote::RemoteAction> {
    using E = remote::RemoteAction;
    static constexpr std::array<EnumCase<E>, 23> cases { {
        { E::ping, "ping", "ping" },
        { E::togglePlay, "toggle_play", "togglePlay" },
        { E::stop, "stop", "stop" },
        { E::nextClip, "next_clip", "nextClip" },
        { E::prevClip, "prev_clip", "prevClip" },
        { E::jogFrame, "jog_frame", "jogFrame" },
        { E::shuttleForwardTap, "shuttle_forward_tap", "shuttleForwardTap" },
        { E::shuttleReverseTap, "shuttle_reverse_tap", "shuttleReverseTap" },
        { E::markIn, "mark_in", "markIn" },
        { E::markOut, "mark_out", "markOut" },
        { E::clearMarks, "clear_marks", "clearMarks" },
        { E::playInOut, "play_in_out", "playInOut" },
        { E::toggleLoop, "toggle_loop_in_out", "toggleLoop" },
        { E::seekMarkIn, "seek_mark_in", "seekMarkIn" },
        { E::seekMarkOut, "seek_mark_out", "seekMarkOut" },
        { E::seek, "seek", "seek" },
        { E::nudge, "nudge", "nudge" },
        { E::selectClip, "select_clip", "selectClip" },
        { E::setOutputClip, "set_output_clip", "setOutputClip" },
        { E::clearOutputClip, "clear_output_clip", "clearOutputClip" },
        { E::deleteSelectedClip, "delete_selected_clip", "deleteSelectedClip" },
        { E::deleteClip, "delete_clip", "deleteClip" },
        { E::deleteAllClips, "delete_all_clips", "deleteAllClips" },
    } };
    static_assert(enumTableIsDense(cases));
};

} // namespace settings
