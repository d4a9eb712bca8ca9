#pragma once

// Worker threads shared by every encoder of the process (one per core by default). A caller
// hands over a batch of independent tasks numbered 0..count-1, may go on with other work, and
// later finishes the batch: it then takes the batch's tasks nobody has started yet and waits for
// the rest, so a batch always makes progress even when the workers are busy elsewhere. Batches
// of several callers run side by side, first come first served.
//
// Thread rules: start(), finish() and run() may be called from any number of threads at once.
// A batch is started and finished by one thread, and must not be destroyed or started again
// before finish() returns. Tasks must not start or finish batches of the same pool. The
// destructor must not race any of these calls.

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace media {

class SliceThreadPool {
public:
    // One batch of tasks; it belongs to whoever started it.
    class Batch {
    public:
        Batch() = default;
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        friend class SliceThreadPool;
        void (*task)(void*, int) = nullptr;
        void* context = nullptr;
        int count = 0;
        int next = 0; // next task to hand out
        int done = 0;
        Batch* after = nullptr;
    };

    // threads < 1: one per core, less the caller's.
    explicit SliceThreadPool(int threads = 0);
    ~SliceThreadPool();
    SliceThreadPool(const SliceThreadPool&) = delete;
    SliceThreadPool& operator=(const SliceThreadPool&) = delete;

    int threadCount() const { return static_cast<int>(workers_.size()); }

    // Queues task(context, i) for every i in [0, count) and returns at once.
    void start(Batch& batch, int count, void (*task)(void* context, int index), void* context);
    // Returns when every task of the batch has run, having run those nobody had taken.
    void finish(Batch& batch);

    // start() and finish() in one.
    void run(int count, void (*task)(void* context, int index), void* context);
    template <class F> void run(int count, F& function)
    {
        run(
            count, [](void* f, int i) { (*static_cast<F*>(f))(i); }, &function);
    }

    // The pool of this process, made on first use; it lives while anyone holds it.
    static std::shared_ptr<SliceThreadPool> shared();

private:
    void workerLoop();
    // Takes the next task of the first batch with tasks left; false when there is none.
    bool takeTask(Batch*& batch, int& index);
    void unlink(Batch& batch);

    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable batchDone_;
    Batch* first_ = nullptr; // batches with tasks left to hand out, oldest first
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace media
