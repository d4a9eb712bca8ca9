// The card's '2vuy' to BGRA conversion of a 1080p frame (the simulated driver's converter, through
// the loader, making a new frame each time as the capture input does) against libswscale doing the
// same conversion into a buffer it already has.

#include "../BenchRatio.h"

#include "BenchPicture.h"
#include "decklink/DeckLinkAPILoader.h"
#include "decklink/api/ComPtr.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <vector>

using namespace decklink;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A 1080p '2vuy' picture: a gradient with varying chroma.
struct Source2vuy : BenchPicture {
    Source2vuy()
        : BenchPicture(kWidth, kHeight, kWidth * 2, kDeckLinkFormat8BitYUV)
    {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; x += 2) {
                std::uint8_t* p = data() + static_cast<std::size_t>(y) * kWidth * 2 + static_cast<std::size_t>(x) * 2;
                p[0] = static_cast<std::uint8_t>(16 + (x * 224) / kWidth);
                p[1] = static_cast<std::uint8_t>(16 + (y * 219) / kHeight);
                p[2] = static_cast<std::uint8_t>(240 - (x * 224) / kWidth);
                p[3] = static_cast<std::uint8_t>(16 + ((x + y) % 219));
            }
    }
};

} // namespace

static void CardConvert2vuyToBGRA(benchmark::State& state)
{
    auto converter = ComPtr<IDeckLinkVideoConversion>::adopt(CreateVideoConversionInstance());
    if (!converter) {
        state.SkipWithError("no converter (driver library missing)");
        return;
    }
    Source2vuy source;
    for (auto _ : state) {
        ComPtr<IDeckLinkVideoFrame> converted;
        if (converter->ConvertNewFrame(static_cast<IDeckLinkVideoFrame*>(&source), kDeckLinkFormat8BitBGRA,
                kDeckLinkColorspaceRec709, nullptr, converted.put())
            != S_OK) {
            state.SkipWithError("conversion failed");
            return;
        }
        benchmark::DoNotOptimize(converted.get());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kWidth) * kHeight * 4);
}
BENCHMARK(CardConvert2vuyToBGRA)->Unit(benchmark::kMillisecond);

static void SwscaleUYVYToBGRA(benchmark::State& state)
{
    Source2vuy source;
    SwsContext* context = sws_getContext(
        kWidth, kHeight, AV_PIX_FMT_UYVY422, kWidth, kHeight, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
    if (!context) {
        state.SkipWithError("no swscale context");
        return;
    }
    // Rec. 709, limited-range input to full-range output, as the card converts.
    const int* coefficients = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(context, coefficients, 0, coefficients, 1, 0, 1 << 16, 1 << 16);
    std::vector<std::uint8_t> target(static_cast<std::size_t>(kWidth) * 4 * kHeight);
    const std::uint8_t* sourcePlanes[4] = { source.data(), nullptr, nullptr, nullptr };
    const int sourceStrides[4] = { kWidth * 2, 0, 0, 0 };
    std::uint8_t* targetPlanes[4] = { target.data(), nullptr, nullptr, nullptr };
    const int targetStrides[4] = { kWidth * 4, 0, 0, 0 };
    for (auto _ : state) {
        sws_scale(context, sourcePlanes, sourceStrides, 0, kHeight, targetPlanes, targetStrides);
        benchmark::DoNotOptimize(target.data());
    }
    sws_freeContext(context);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kWidth) * kHeight * 4);
}
BENCHMARK(SwscaleUYVYToBGRA)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("CORVALE_DECKLINK_LIBRARY", CORVALE_BENCH_SIM_LIBRARY, 0);
    return bench::runWithRatio(argc, argv, "CardConvert2vuyToBGRA", "SwscaleUYVYToBGRA");
}
