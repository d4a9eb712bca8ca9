#pragma once

// Keeps three things in step between the playback screen and the models, without timers: the
// playlist list's selection against the model's selection, the centre mode against the program
// output's source mode, and the output clip and take preview against the program output's
// playback source and multi-view flag.
//
// Six hooks run in a fixed order in one pass: the initial hook once (the first pass), then five
// keyed hooks, each only when its key differs from the key it last ran with (and once at the
// start). A pass never runs inside a model call or a setter: any change of an input queues one
// pass for the next turn of the event loop, and changes made meanwhile share it. Each selection
// hook acts only when the two selections differ, so a change made on one side settles after one
// pass and never bounces back.
//
// Main thread only.

#include "playback_screen/CenterMode.h"
#include "playback_screen/OncePerTurn.h"

#include <QObject>
#include <QUuid>

#include <optional>

namespace playback_screen {

class PlaybackView;

class PlaybackViewHooks final : public QObject {
    Q_OBJECT
public:
    // Parented to the screen; the first pass is queued at once.
    explicit PlaybackViewHooks(PlaybackView& screen);

    // Runs a queued pass now (tests; the pass is otherwise run by the event loop).
    void runPendingPass();
    bool isPassPending() const { return pass_.isPending(); }
    // Passes run so far; for tests.
    int passCount() const { return passCount_; }

private:
    void runPass();

    void initialHook();
    void outputModeHook(CenterMode mode);
    void playbackSourceHook(const std::optional<QUuid>& secondaryClipID);
    void multiViewActiveHook(bool isActive);
    void selectedClipHook(const std::optional<QUuid>& uiSelected);
    void syncSelectedHook(const std::optional<QUuid>& selected);

    PlaybackView& screen_;
    OncePerTurn pass_ { this, [this] { runPass(); } };
    int passCount_ = 0;
    bool initialDone_ = false;
    // The keys the keyed hooks last ran with (none until their first run).
    std::optional<CenterMode> lastCenterMode_;
    std::optional<std::optional<QUuid>> lastSecondaryClipID_;
    std::optional<bool> lastMultiViewActive_;
    std::optional<std::optional<QUuid>> lastUiSelected_;
    std::optional<std::optional<QUuid>> lastSelected_;
};

} // namespace playback_screen
