#include "remote/QueuedCalls.h"

#include <QMetaObject>

namespace remote {

void QueuedCalls::post(std::function<void()> call)
{
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        wake = calls_.empty();
        calls_.push_back(std::move(call));
    }
    // One wake-up serves every call queued before it runs.
    if (wake)
        QMetaObject::invokeMethod(owner_, "runQueuedCalls", Qt::QueuedConnection);
}

void QueuedCalls::postAndWait(std::function<void()> call)
{
    bool finished = false;
    post([this, &finished, call = std::move(call)] {
        call();
        std::lock_guard lock(mutex_);
        finished = true;
        done_.notify_all();
    });
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return finished; });
}

void QueuedCalls::run()
{
    while (true) {
        std::function<void()> call;
        {
            std::lock_guard lock(mutex_);
            if (calls_.empty())
                return;
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        call();
    }
}

void QueuedCalls::discard()
{
    std::lock_guard lock(mutex_);
    calls_.clear();
}

} // namespace remote
