#pragma once

// The program output's completion callback for scheduled playback. Each scheduled frame carries
// one reference of the station that the frame's completion gives back. The callback also keeps the
// list of frames still owed a completion, so that stopping the output can release the frames the
// card never completes (none are leaked per stop).

#include "decklink/api/ComObject.h"

#include <mutex>
#include <unordered_map>

namespace decklink {

class OutputScheduledCallback final : public ComObject<IDeckLinkVideoOutputCallback> {
public:
    OutputScheduledCallback() = default;

    // The card's thread. Releases the frame's reference whatever the result.
    HRESULT ScheduledFrameCompleted(
        IDeckLinkVideoFrame* completedFrame, DeckLinkOutputFrameCompletionResult result) override;
    HRESULT ScheduledPlaybackHasStopped() override;

    // Takes over a reference the station added to `frame` before scheduling it.
    void adoptScheduledFrame(IDeckLinkVideoFrame* frame);
    // Scheduling failed: gives the reference back and releases it.
    void releaseUnscheduledFrame(IDeckLinkVideoFrame* frame);
    // Once the output calls no more: releases every frame still owed a completion; their number.
    std::size_t releaseOutstandingFrames();
    std::size_t outstandingFrameCount() const;

private:
    ~OutputScheduledCallback() override;
    bool takeBack(IDeckLinkVideoFrame* frame);

    mutable std::mutex mutex_;
    std::unordered_map<IDeckLinkVideoFrame*, int> outstanding_;
};

} // namespace decklink
