// RecordViewModel: the frame rate of each slot, measured from the frames (presentation or arrival
// times), smoothed, snapped to a nominal rate and held through a hysteresis, and the rates derived
// from it for display, checks and timecode.
//
// Each slot's timing state sits behind its own lock: a camera slot's frames write it on the camera
// queue, a card slot's on the main thread, and the writer queues read the timecode rate.

#include "capture/RecordViewModel.h"

#include "platform/MediaClock.h"

#include <cmath>

namespace capture {

void RecordViewModel::resetFrameTiming(int slot)
{
    SlotTiming& timing = timing_[slot];
    std::lock_guard lock(timing.mutex);
    timing.measuredFPS = 0;
    timing.stableFPSInt = 0;
    timing.stableLabel = QStringLiteral("-");
    timing.stabilizer.reset();
    timing.estimator.timestamps.clear();
    timing.recordingFPSInt.reset();
    timing.lastColorProperties.reset();
    timing.lastColorTags.reset();
    ++timing.epoch;
}

void RecordViewModel::updateTimingFromSampleBuffer(const media::Frame& sample, int slot)
{
    // Camera frames carry their capture time but no duration: the rate comes from the times.
    if (!sample.isNull())
        pushFrameTime(sample.hostTime(), slot);
}

void RecordViewModel::updateTimingFromWallclock(int slot)
{
    pushFrameTime(clock_.now(), slot);
}

void RecordViewModel::pushFrameTime(double time, int slot)
{
    if (!validSlot(slot))
        return;
    std::optional<double> estimate;
    {
        SlotTiming& timing = timing_[slot];
        std::lock_guard lock(timing.mutex);
        estimate = timing.estimator.push(time);
    }
    if (estimate)
        applyDetectedFPS(*estimate, slot);
}

void RecordViewModel::setRecordingFPSInt(int slot, std::optional<int> fps)
{
    if (!validSlot(slot))
        return;
    std::lock_guard lock(timing_[slot].mutex);
    timing_[slot].recordingFPSInt = fps;
}

void RecordViewModel::applyDetectedFPS(double fps, int slot)
{
    if (!validSlot(slot) || !std::isfinite(fps) || fps <= 0)
        return;
    std::optional<FPSReading> adopted;
    std::uint64_t epoch = 0;
    {
        SlotTiming& timing = timing_[slot];
        std::lock_guard lock(timing.mutex);
        timing.measuredFPS = timing.measuredFPS > 0 ? 0.15 * fps + 0.85 * timing.measuredFPS : fps;
        adopted = timing.stabilizer.push(timing.measuredFPS, clock_.now());
        if (!adopted)
            return;
        timing.stableFPSInt = adopted->fpsInt;
        timing.stableLabel = adopted->label;
        epoch = timing.epoch;
    }
    postStableLabel(slot, adopted->label, epoch);
}

void RecordViewModel::applyFixedFormatTiming(int slot)
{
    const settings::CaptureFormat format = selectedFormats_[slot];
    const auto reading = FPSStabilizer::quantize(settings::fpsValue(format));
    if (!reading)
        return;
    std::uint64_t epoch = 0;
    {
        SlotTiming& timing = timing_[slot];
        std::lock_guard lock(timing.mutex);
        if (timing.stableFPSInt == reading->fpsInt)
            return;
        timing.stableFPSInt = reading->fpsInt;
        timing.measuredFPS = settings::fpsValue(format);
        timing.stableLabel = reading->label;
        epoch = timing.epoch;
    }
    postStableLabel(slot, reading->label, epoch);
}

void RecordViewModel::postStableLabel(int slot, const QString& label, std::uint64_t epoch)
{
    // A label measured before the slot's signal was reset is not shown after it.
    postToMain([this, slot, label, epoch] {
        SlotTiming& timing = timing_[slot];
        {
            std::lock_guard lock(timing.mutex);
            if (timing.epoch != epoch)
                return;
        }
        setStableFPSLabel(slot, label);
    });
}

int RecordViewModel::currentFPS(int slot) const
{
    if (!validSlot(slot))
        return 30;
    const SlotTiming& timing = timing_[slot];
    std::lock_guard lock(timing.mutex);
    if (timing.recordingFPSInt)
        return *timing.recordingFPSInt;
    if (timing.stableFPSInt >= 1)
        return timing.stableFPSInt;
    if (const auto reading = FPSStabilizer::quantize(timing.measuredFPS))
        return reading->fpsInt;
    if (timing.source == CaptureSourceKind::deckLink && timing.format != settings::CaptureFormat::auto_)
        return settings::fps(timing.format);
    return 30;
}

RecordViewModel::FPSInfo RecordViewModel::fpsInfo(int slot, const decklink::IncomingVideoInfo&) const
{
    if (!validSlot(slot))
        return { std::nullopt, QStringLiteral("-"), false };
    const SlotTiming& timing = timing_[slot];
    std::lock_guard lock(timing.mutex);
    if (timing.stableFPSInt >= 1)
        return { double(timing.stableFPSInt), timing.stableLabel, true };
    if (timing.measuredFPS > 0)
        return { timing.measuredFPS, QString::asprintf("~%d", int(std::lround(timing.measuredFPS))), false };
    return { std::nullopt, QStringLiteral("-"), false };
}

double RecordViewModel::measuredFPS(int slot) const
{
    if (!validSlot(slot))
        return 0;
    std::lock_guard lock(timing_[slot].mutex);
    return timing_[slot].measuredFPS;
}

int RecordViewModel::stableFPSInt(int slot) const
{
    if (!validSlot(slot))
        return 0;
    std::lock_guard lock(timing_[slot].mutex);
    return timing_[slot].stableFPSInt;
}

} // namespace capture
