#include "media/writer/SliceThreadPool.h"

#include <algorithm>

namespace media {

SliceThreadPool::SliceThreadPool(int threads)
{
    if (threads < 1)
        threads = std::max(1, static_cast<int>(std::thread::hardware_concurrency()) - 1);
    workers_.reserve(static_cast<std::size_t>(threads));
    for (int i = 0; i < threads; ++i)
        workers_.emplace_back([this] { workerLoop(); });
}

SliceThreadPool::~SliceThreadPool()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (auto& worker : workers_)
        worker.join();
}

std::shared_ptr<SliceThreadPool> SliceThreadPool::shared()
{
    static std::mutex guard;
    static std::weak_ptr<SliceThreadPool> current;
    std::lock_guard lock(guard);
    auto pool = current.lock();
    if (!pool) {
        pool = std::make_shared<SliceThreadPool>();
        current = pool;
    }
    return pool;
}

bool SliceThreadPool::takeTask(Batch*& batch, int& index)
{
    while (first_) {
        Batch* b = first_;
        if (b->next < b->count) {
            batch = b;
            index = b->next++;
            if (b->next == b->count)
                first_ = b->after; // fully handed out
            return true;
        }
        first_ = b->after;
    }
    return false;
}

void SliceThreadPool::finishTask(Batch& batch)
{
    // Called with the mutex held.
    if (++batch.done == batch.count)
        batchDone_.notify_all();
}

void SliceThreadPool::workerLoop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        Batch* batch = nullptr;
        int index = 0;
        if (takeTask(batch, index)) {
            lock.unlock();
            batch->task(batch->context, index);
            lock.lock();
            finishTask(*batch);
            continue;
        }
        if (stopping_)
            return;
        workAvailable_.wait(lock);
    }
}

void SliceThreadPool::run(int count, void (*task)(void*, int), void* context)
{
    if (count <= 0)
        return;
    Batch batch;
    batch.task = task;
    batch.context = context;
    batch.count = count;
    std::unique_lock lock(mutex_);
    Batch** tail = &first_;
    while (*tail)
        tail = &(*tail)->after;
    *tail = &batch;
    lock.unlock();
    workAvailable_.notify_all();
    lock.lock();
    // Work on our own batch; other batches are the workers' business.
    while (batch.next < batch.count) {
        const int index = batch.next++;
        if (batch.next == batch.count) {
            // Unlink: fully handed out.
            Batch** link = &first_;
            while (*link && *link != &batch)
                link = &(*link)->after;
            if (*link)
                *link = batch.after;
        }
        lock.unlock();
        task(context, index);
        lock.lock();
        ++batch.done;
    }
    batchDone_.wait(lock, [&] { return batch.done == batch.count; });
}

} // namespace media
