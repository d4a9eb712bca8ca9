// The card's '2vuy' to BGRA conversion of a 1080p frame (the simulated driver's converter, through
// the loader, making a new frame each time as the capture input does) against libswscale doing the
// same conversion into a buffer it already has.

#include "../BenchRatio.h"

#include "decklink/DeckLinkAPILoader.h"
#include "decklink/api/ComPtr.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <atomic>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A '2vuy' picture owned by the benchmark: a gradient with varying chroma.
class BenchFrame final : public IDeckLinkVideoFrame, public IDeckLinkVideoBuffer {
public:
    BenchFrame()
        : bytes_(static_cast<std::size_t>(kWidth) * 2 * kHeight)
    {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; x += 2) {
                std::uint8_t* p = &bytes_[static_cast<std::size_t>(y) * kWidth * 2 + static_cast<std::size_t>(x) * 2];
                p[0] = static_cast<std::uint8_t>(16 + (x * 224) / kWidth);
                p[1] = static_cast<std::uint8_t>(16 + (y * 219) / kHeight);
                p[2] = static_cast<std::uint8_t>(240 - (x * 224) / kWidth);
                p[3] = static_cast<std::uint8_t>(16 + ((x + y) % 219));
            }
    }
    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDeckLinkVideoFrame)
            *object = static_cast<IDeckLinkVideoFrame*>(this);
        else if (iid == IID_IDeckLinkVideoBuffer)
            *object = static_cast<IDeckLinkVideoBuffer*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return --refs_; } // lives on the stack of the benchmark
    std::int32_t GetWidth() override { return kWidth; }
    std::int32_t GetHeight() override { return kHeight; }
    std::int32_t GetRowBytes() override { return kWidth * 2; }
    DeckLinkPixelFormat GetPixelFormat() override { return kDeckLinkFormat8BitYUV; }
    DeckLinkFrameFlags GetFlags() override { return kDeckLinkFrameFlagDefault; }
    HRESULT GetBytes(void** buffer) override
    {
        *buffer = bytes_.data();
        return S_OK;
    }
    HRESULT StartAccess(DeckLinkBufferAccessFlags) override { return S_OK; }
    HRESULT EndAccess(DeckLinkBufferAccessFlags) override { return S_OK; }
    const std::uint8_t* data() const { return bytes_.data(); }

private:
    std::atomic<ULONG> refs_ { 1 };
    std::vector<std::uint8_t> bytes_;
};

} // namespace

static void CardConvert2vuyToBGRA(benchmark::State& state)
{
    auto converter = ComPtr<IDeckLinkVideoConversion>::adopt(CreateVideoConversionInstance());
    if (!converter) {
        state.SkipWithError("no converter (driver library missing)");
        return;
    }
    BenchFrame source;
    for (auto _ : state) {
        ComPtr<IDeckLinkVideoFrame> converted;
        if (converter->ConvertNewFrame(
                &source, kDeckLinkFormat8BitBGRA, kDeckLinkColorspaceRec709, nullptr, converted.put())
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
    BenchFrame source;
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
