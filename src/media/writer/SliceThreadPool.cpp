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

void SliceThreadPool::unlink(Batch& batch)
{
    Batch** link = &first_;
    while (*link && *link != &batch)
        link = &(*link)->after;
    if (*link)
        *link = batch.after;
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
            if (++batch->done == batch->count)
                batchDone_.notify_all();
            continue;
        }
        if (stopping_)
            return;
        workAvailable_.wait(lock);
    }
}

void SliceThreadPool::start(Batch& batch, int count, void (*task)(void*, int), void* context)
{
    batch.task = task;
    batch.context = context;
    batch.count = count > 0 ? count : 0;
    batch.next = 0;
    batch.done = 0;
    batch.after = nullptr;
    if (batch.count == 0)
        return;
    {
        std::lock_guard lock(mutex_);
        Batch** tail = &first_;
        while (*tail)
            tail = &(*tail)->after;
        *tail = &batch;
    }
    workAvailable_.notify_all();
}

void SliceThreadPool::finish(Batch& batch)
{
    std::unique_lock lock(mutex_);
    // Our own batch's tasks first; other batches are the workers' business.
    while (batch.next < batch.count) {
        const int index = batch.next++;
        if (batch.next == batch.count)
            unlink(batch);
        lock.unlock();
        batch.task(batch.context, index);
        lock.lock();
        ++batch.done;
    }
    batchDone_.wait(lock, [&] { return batch.done == batch.count; });
}

void SliceThreadPool::run(int count, void (*task)(void*, int), void* context)
{
    Batch batch;
    start(batch, count, task, context);
    finish(batch);
}

} // namespace media
