// The test-control functions of the output side.

#include "decklink/sim/DeckLinkSimControl.h"
#include "decklink/sim/SimDevice.h"
#include "decklink/sim/SimOutputEngine.h"
#include "decklink/sim/SimPixels.h"
#include "decklink/sim/SimVideoFrame.h"

#include <cstring>

#define SIM_EXPORT extern "C"

using namespace sim;

namespace {

std::shared_ptr<SimOutputEngine> engineOf(int index)
{
    auto device = SimRegistry::shared().device(index);
    return device ? simOutputEngine(*device) : nullptr;
}

std::vector<DeckLinkPixelFormat> formatList(const uint32_t* formats, int count)
{
    if (!formats || count <= 0)
        return {};
    return std::vector<DeckLinkPixelFormat>(formats, formats + count);
}

} // namespace

SIM_EXPORT int corvale_sim_output_state(int device, CorvaleSimOutputState* state)
{
    auto engine = engineOf(device);
    if (!engine || !state)
        return 0;
    engine->describe(state);
    return 1;
}

SIM_EXPORT int corvale_sim_run_output(int device, int ticks)
{
    auto engine = engineOf(device);
    return engine ? engine->runTicks(ticks) : -1;
}

SIM_EXPORT uint64_t corvale_sim_output_frame_count(int device)
{
    auto engine = engineOf(device);
    return engine ? engine->recordedFrameCount() : 0;
}

SIM_EXPORT int corvale_sim_output_frames(int device, CorvaleSimOutputFrame* frames, int max)
{
    auto engine = engineOf(device);
    return engine ? engine->recordedFrames(frames, max) : 0;
}

SIM_EXPORT void corvale_sim_clear_output_frames(int device)
{
    if (auto engine = engineOf(device))
        engine->clearRecordedFrames();
}

SIM_EXPORT int corvale_sim_output_frame_int(const CorvaleSimOutputFrame* frame, uint32_t id, int64_t* value)
{
    if (!frame)
        return 0;
    for (int i = 0; i < frame->metadataCount && i < 16; ++i)
        if (frame->metadata[i].id == id && !frame->metadata[i].isFloat) {
            if (value)
                *value = frame->metadata[i].intValue;
            return 1;
        }
    return 0;
}

SIM_EXPORT int corvale_sim_output_frame_float(const CorvaleSimOutputFrame* frame, uint32_t id, double* value)
{
    if (!frame)
        return 0;
    for (int i = 0; i < frame->metadataCount && i < 16; ++i)
        if (frame->metadata[i].id == id && frame->metadata[i].isFloat) {
            if (value)
                *value = frame->metadata[i].floatValue;
            return 1;
        }
    return 0;
}

SIM_EXPORT void corvale_sim_set_output_pixel_formats(int device, const uint32_t* formats, int count)
{
    if (auto engine = engineOf(device))
        engine->setPixelFormats(formatList(formats, count));
}

SIM_EXPORT void corvale_sim_set_output_rejected_pixel_formats(int device, const uint32_t* formats, int count)
{
    if (auto engine = engineOf(device))
        engine->setRejectedPixelFormats(formatList(formats, count));
}

SIM_EXPORT void corvale_sim_set_output_mode_substitution(int device, uint32_t requestedMode, uint32_t actualMode)
{
    if (auto engine = engineOf(device))
        engine->setModeSubstitution(requestedMode, actualMode);
}

SIM_EXPORT void corvale_sim_force_completion_results(int device, uint32_t result, int count)
{
    if (auto engine = engineOf(device))
        engine->forceCompletionResults(result, count);
}

SIM_EXPORT void corvale_sim_set_hdmi_sink(int device, const void* edid, uint32_t size)
{
    if (auto engine = engineOf(device))
        engine->setHdmiSink(edid, size);
}

SIM_EXPORT void corvale_sim_draw_frame_counter(
    void* bytes, int width, int height, int rowBytes, uint32_t pixelFormat, uint32_t counter)
{
    if (!bytes)
        return;
    drawFrameCounter(PixelPlane { static_cast<std::uint8_t*>(bytes), width, height, rowBytes, pixelFormat }, counter);
}

SIM_EXPORT long corvale_sim_live_output_frame_count(void)
{
    return SimVideoFrame::liveOutputFrameCount().load();
}
