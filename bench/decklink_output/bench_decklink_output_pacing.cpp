// How evenly the simulated card's playback clock completes scheduled frames: 1,000 frames (or the
// count given as the first argument) of 720p60 played in real time, three frames kept scheduled
// ahead from the completion callback as the program output does. Prints the interval statistics
// and, as the last line, the 99th-percentile deviation from the ideal frame grid as a fraction of
// the frame period.

#include "decklink/DeckLinkAPILoader.h"
#include "decklink/api/ComPtr.h"
#include "decklink/sim/DeckLinkSimControl.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

using namespace decklink;

namespace {

using Clock = std::chrono::steady_clock;

constexpr DeckLinkTimeValue kDuration = 1000;
constexpr DeckLinkTimeScale kTimeScale = 60000;

class TimingCallback final : public IDeckLinkVideoOutputCallback {
public:
    TimingCallback(IDeckLinkOutput* output, IDeckLinkVideoFrame* frame, int total)
        : output_(output)
        , frame_(frame)
        , total_(total)
    {
        stamps_.reserve(static_cast<std::size_t>(total));
    }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT ScheduledFrameCompleted(IDeckLinkVideoFrame*, DeckLinkOutputFrameCompletionResult result) override
    {
        const auto now = Clock::now();
        std::lock_guard lock(mutex_);
        if (result == kDeckLinkOutputFrameFlushed)
            return S_OK;
        stamps_.push_back(now);
        if (result != kDeckLinkOutputFrameCompleted)
            ++late_;
        if (scheduled_ < total_)
            scheduleLocked();
        if (static_cast<int>(stamps_.size()) >= total_)
            done_.notify_all();
        return S_OK;
    }
    HRESULT ScheduledPlaybackHasStopped() override { return S_OK; }

    void scheduleLocked()
    {
        output_->ScheduleVideoFrame(frame_, kDuration * scheduled_, kDuration, kTimeScale);
        ++scheduled_;
    }
    void prime(int count)
    {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < count; ++i)
            scheduleLocked();
    }
    std::vector<Clock::time_point> wait()
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return static_cast<int>(stamps_.size()) >= total_; });
        return stamps_;
    }
    int late() const { return late_; }

private:
    IDeckLinkOutput* output_;
    IDeckLinkVideoFrame* frame_;
    const int total_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<Clock::time_point> stamps_;
    int scheduled_ = 0;
    int late_ = 0;
};

} // namespace

int main(int argc, char** argv)
{
    setenv("CORVALE_DECKLINK_LIBRARY", CORVALE_BENCH_SIM_LIBRARY, 0);
    const int total = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;
    corvale_sim_set_manual_clock(0);

    auto iterator = ComPtr<IDeckLinkIterator>::adopt(CreateDeckLinkIteratorInstance());
    ComPtr<IDeckLink> device;
    if (!iterator || iterator->Next(device.put()) != S_OK) {
        std::printf("no simulated card\nratio jitterP99/period = n/a (not run)\n");
        return 0;
    }
    auto output = device.as<IDeckLinkOutput>();
    ComPtr<IDeckLinkMutableVideoFrame> frame;
    if (!output || output->EnableVideoOutput(kDeckLinkModeHD720p60, 0) != S_OK
        || output->CreateVideoFrame(1280, 720, 1280 * 4, kDeckLinkFormat8BitBGRA, 0, frame.put()) != S_OK) {
        std::printf("output unavailable\nratio jitterP99/period = n/a (not run)\n");
        return 0;
    }
    TimingCallback callback(output.get(), frame.get(), total);
    output->SetScheduledFrameCompletionCallback(&callback);
    callback.prime(3);
    output->StartScheduledPlayback(0, kTimeScale, 1.0);
    const auto stamps = callback.wait();
    output->StopScheduledPlayback(0, nullptr, kTimeScale);
    output->SetScheduledFrameCompletionCallback(nullptr);
    output->DisableVideoOutput();

    const double period = static_cast<double>(kDuration) / static_cast<double>(kTimeScale);
    std::vector<double> intervals, deviations;
    for (std::size_t i = 1; i < stamps.size(); ++i)
        intervals.push_back(std::chrono::duration<double>(stamps[i] - stamps[i - 1]).count());
    for (std::size_t i = 0; i < stamps.size(); ++i)
        deviations.push_back(
            std::fabs(std::chrono::duration<double>(stamps[i] - stamps[0]).count() - static_cast<double>(i) * period));
    double mean = 0, variance = 0;
    for (double v : intervals)
        mean += v;
    mean /= static_cast<double>(intervals.size());
    for (double v : intervals)
        variance += (v - mean) * (v - mean);
    const double stddev = std::sqrt(variance / static_cast<double>(intervals.size()));
    std::sort(deviations.begin(), deviations.end());
    const double p99 = deviations[static_cast<std::size_t>(0.99 * static_cast<double>(deviations.size() - 1))];
    const double worst = deviations.back();

    std::printf("frames %zu at %.3f ms, late or dropped %d\n", stamps.size(), period * 1e3, callback.late());
    std::printf("interval mean %.4f ms, stddev %.4f ms\n", mean * 1e3, stddev * 1e3);
    std::printf("deviation from the frame grid: p99 %.4f ms, max %.4f ms\n", p99 * 1e3, worst * 1e3);
    std::printf("ratio jitterP99/period = %.4f\n", p99 / period);
    return 0;
}
