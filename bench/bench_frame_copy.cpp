// Copying a 1080p BGRA frame into pooled storage, against a plain memcpy of the same bytes.

#include "BenchRatio.h"
#include "media/frame/FramePool.h"

#include <cstring>
#include <vector>

using namespace media;

namespace {
Frame makeSource()
{
    MutableFrame m(PixelFormat::BGRA, 1920, 1080);
    std::memset(m.data(), 0x5a, m.rowBytes() * 1080);
    return std::move(m).share();
}
} // namespace

static void FrameCopy(benchmark::State& state)
{
    FramePool pool;
    const Frame source = makeSource();
    for (auto _ : state) {
        Frame copy = pool.copy(source).share();
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(source.rowBytes() * 1080));
}
BENCHMARK(FrameCopy);

static void Memcpy(benchmark::State& state)
{
    const Frame source = makeSource();
    std::vector<std::uint8_t> target(source.rowBytes() * 1080);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), target.size());
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(target.size()));
}
BENCHMARK(Memcpy);

int main(int argc, char** argv)
{
    return bench::runWithRatio(argc, argv, "FrameCopy", "Memcpy");
}
