#include "playback_screen/PlaybackViewHooks.h"

#include "capture/RecordViewModel.h"
#include "platform/MainThread.h"
#include "playback/PlaybackViewModel.h"
#include "playback_screen/PlaybackView.h"

namespace playback_screen {

namespace {

capture::OutputSourceMode outputSourceMode(CenterMode mode)
{
    return mode == CenterMode::playback ? capture::OutputSourceMode::playback : capture::OutputSourceMode::capture;
}

capture::PlaybackOutputSource playbackSource(const std::optional<QUuid>& secondaryClipID)
{
    return secondaryClipID ? capture::PlaybackOutputSource::program : capture::PlaybackOutputSource::main;
}

} // namespace

PlaybackViewHooks::PlaybackViewHooks(PlaybackView& screen)
    : QObject(&screen)
    , screen_(screen)
{
    playback::PlaybackViewModel& vm = screen_.models().vm;
    connect(&screen_, &PlaybackView::centerModeChanged, this, [this] { pass_.request(); });
    connect(&screen_, &PlaybackView::uiSelectedClipIDChanged, this, [this] { pass_.request(); });
    connect(&vm, &playback::PlaybackViewModel::selectedClipIDChanged, this, [this] { pass_.request(); });
    connect(&vm, &playback::PlaybackViewModel::secondaryClipIDChanged, this, [this] { pass_.request(); });
    connect(&vm, &playback::PlaybackViewModel::previewTakeChanged, this, [this] { pass_.request(); });
    connect(&vm, &playback::PlaybackViewModel::previewTakeClipIDsChanged, this, [this] { pass_.request(); });
    pass_.request();
}

void PlaybackViewHooks::runPendingPass()
{
    if (pass_.isPending())
        pass_.runNow();
}

void PlaybackViewHooks::runPass()
{
    Q_ASSERT(platform::isMainThread());
    ++passCount_;
    playback::PlaybackViewModel& vm = screen_.models().vm;
    if (!initialDone_) {
        initialDone_ = true;
        initialHook();
    }
    // Each keyed hook reads its key as things stand when it runs, as a fresh rendering would.
    if (lastCenterMode_ != screen_.centerMode())
        outputModeHook(screen_.centerMode());
    if (lastSecondaryClipID_ != vm.secondaryClipID())
        playbackSourceHook(vm.secondaryClipID());
    if (lastMultiViewActive_ != vm.isTakePreviewActive())
        multiViewActiveHook(vm.isTakePreviewActive());
    if (lastUiSelected_ != screen_.uiSelectedClipID())
        selectedClipHook(screen_.uiSelectedClipID());
    if (lastSelected_ != vm.selectedClipID())
        syncSelectedHook(vm.selectedClipID());
}

void PlaybackViewHooks::initialHook()
{
    capture::RecordViewModel& recordVM = screen_.models().recordVM;
    const playback::PlaybackViewModel& vm = screen_.models().vm;
    screen_.setUiSelectedClipID(vm.selectedClipID());
    recordVM.refreshOutputDevices();
    recordVM.setOutputSourceMode(outputSourceMode(screen_.centerMode()));
    recordVM.setOutputPlaybackSource(playbackSource(vm.secondaryClipID()));
}

void PlaybackViewHooks::outputModeHook(CenterMode mode)
{
    lastCenterMode_ = mode;
    screen_.models().recordVM.setOutputSourceMode(outputSourceMode(mode));
}

void PlaybackViewHooks::playbackSourceHook(const std::optional<QUuid>& secondaryClipID)
{
    lastSecondaryClipID_ = secondaryClipID;
    screen_.models().recordVM.setOutputPlaybackSource(playbackSource(secondaryClipID));
}

void PlaybackViewHooks::multiViewActiveHook(bool isActive)
{
    lastMultiViewActive_ = isActive;
    screen_.models().recordVM.setPlaybackMultiViewActive(isActive);
}

void PlaybackViewHooks::selectedClipHook(const std::optional<QUuid>& uiSelected)
{
    lastUiSelected_ = uiSelected;
    playback::PlaybackViewModel& vm = screen_.models().vm;
    if (vm.selectedClipID() == uiSelected)
        return;
    // The engine's playlist selection: ends a take preview and the output clip, loads the clip
    // (or, for a cleared selection, empties the players) and publishes the selection.
    vm.selectClipSingle(uiSelected);
    if (!uiSelected)
        return;
    for (const playback::ClipItem& clip : vm.clips()) {
        if (clip.id == *uiSelected) {
            screen_.models().recordVM.primePlaybackOutputInfoIfNeeded(clip.url);
            break;
        }
    }
}

void PlaybackViewHooks::syncSelectedHook(const std::optional<QUuid>& selected)
{
    lastSelected_ = selected;
    if (screen_.uiSelectedClipID() != selected)
        screen_.setUiSelectedClipID(selected);
}

} // namespace playback_screen
