#include "decklink/OutputScheduledCallback.h"

#include <vector>

namespace decklink {

OutputScheduledCallback::~OutputScheduledCallback()
{
    releaseOutstandingFrames();
}

bool OutputScheduledCallback::takeBack(IDeckLinkVideoFrame* frame)
{
    std::lock_guard lock(mutex_);
    auto it = outstanding_.find(frame);
    if (it == outstanding_.end())
        return false;
    if (--it->second == 0)
        outstanding_.erase(it);
    return true;
}

HRESULT OutputScheduledCallback::ScheduledFrameCompleted(
    IDeckLinkVideoFrame* completedFrame, DeckLinkOutputFrameCompletionResult)
{
    // A frame not owed (already released at a stop) is not released twice.
    if (completedFrame && takeBack(completedFrame))
        completedFrame->Release();
    return S_OK;
}

HRESULT OutputScheduledCallback::ScheduledPlaybackHasStopped()
{
    return S_OK;
}

void OutputScheduledCallback::adoptScheduledFrame(IDeckLinkVideoFrame* frame)
{
    std::lock_guard lock(mutex_);
    ++outstanding_[frame];
}

void OutputScheduledCallback::releaseUnscheduledFrame(IDeckLinkVideoFrame* frame)
{
    if (frame && takeBack(frame))
        frame->Release();
}

std::size_t OutputScheduledCallback::releaseOutstandingFrames()
{
    std::vector<IDeckLinkVideoFrame*> frames;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [frame, count] : outstanding_)
            frames.insert(frames.end(), static_cast<std::size_t>(count), frame);
        outstanding_.clear();
    }
    for (auto* frame : frames)
        frame->Release();
    return frames.size();
}

std::size_t OutputScheduledCallback::outstandingFrameCount() const
{
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& entry : outstanding_)
        count += static_cast<std::size_t>(entry.second);
    return count;
}

} // namespace decklink
