#include "decklink/OutputScheduledCallback.h"

#include <vector>

OutputScheduledCallback::~OutputScheduledCallback()
{
    releaseOutstandingFrames();
}

HRESULT OutputScheduledCallback::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDeckLinkVideoOutputCallback) {
        AddRef();
        *object = static_cast<IDeckLinkVideoOutputCallback*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG OutputScheduledCallback::AddRef()
{
    return refCount_.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG OutputScheduledCallback::Release()
{
    const ULONG remaining = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (remaining == 0)
        delete this;
    return remaining;
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
