#pragma once

// Worker threads shared by every encoder of the process (one per core by default). A caller
// hands over a batch of independent tasks numbered 0..count-1 and works on its own batch too
// until all its tasks are done, so a batch always makes progress even when the workers are busy
// with other callers' batches. Batches of several callers run side by side, first come first
// served.
//
// Thread rules: run() may be called from any number of threads at once; it returns after every
// task of its batch has finished. Tasks must not call run() on the same pool. The destructor
// must not race a run().

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace media {

class SliceThreadPool {
public:
    // threads < 1: one per core, less the caller's.
    explicit SliceThreadPool(int threads = 0);
    ~SliceThreadPool();
    SliceThreadPool(const SliceThreadPool&) = delete;
    SliceThreadPool& operator=(const SliceThreadPool&) = delete;

    int threadCount() const { return static_cast<int>(workers_.size()); }

    // Runs task(context, i) for every i in [0, count).
    void run(int count, void (*task)(void* context, int index), void* context);

    template <class F> void run(int count, F& function)
    {
        run(
            count, [](void* f, int i) { (*static_cast<F*>(f))(i); }, &function);
    }

    // The pool of this process, made on first use; it lives while anyone holds it.
    static std::shared_ptr<SliceThreadPool> shared();

private:
    struct Batch {
        void (*task)(void*, int) = nullptr;
        void* context = nullptr;
        int count = 0;
        int next = 0; // next task to hand out
        int done = 0;
        Batch* after = nullptr;
    };

    void workerLoop();
    // Takes the next task of the first batch with tasks left; false when there is none.
    bool takeTask(Batch*& batch, int& index);
    void finishTask(Batch& batch);

    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable batchDone_;
    Batch* first_ = nullptr; // batches with tasks left to hand out, oldest first
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace media
