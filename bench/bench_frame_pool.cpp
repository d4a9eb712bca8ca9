// Getting and returning pooled 1080p BGRA frames, against allocating and freeing the same
// storage every time (what a stream without a pool would do).

#include "BenchRatio.h"
#include "media/frame/FramePool.h"

using namespace media;

static void PooledFrame(benchmark::State& state)
{
    FramePool pool;
    for (auto _ : state) {
        MutableFrame frame = pool.acquire(PixelFormat::BGRA, 1920, 1080);
        frame.data()[0] = 1; // touch it, as a producer would
        Frame shared = std::move(frame).share();
        benchmark::DoNotOptimize(shared.data());
    }
}
BENCHMARK(PooledFrame);

static void AllocatedFrame(benchmark::State& state)
{
    for (auto _ : state) {
        MutableFrame frame(PixelFormat::BGRA, 1920, 1080);
        frame.data()[0] = 1;
        Frame shared = std::move(frame).share();
        benchmark::DoNotOptimize(shared.data());
    }
}
BENCHMARK(AllocatedFrame);

int main(int argc, char** argv)
{
    return bench::runWithRatio(argc, argv, "PooledFrame", "AllocatedFrame");
}
