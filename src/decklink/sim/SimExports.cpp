// What the simulated card driver library exports: the interface version, the two factories and
// the test-control functions.

#include "decklink/sim/DeckLinkSimControl.h"
#include "decklink/sim/SimDevice.h"
#include "decklink/sim/SimInput.h"
#include "decklink/sim/SimObject.h"
#include "decklink/sim/SimPixels.h"
#include "decklink/sim/SimVideoConversion.h"

#include <cstring>

#define SIM_EXPORT extern "C"

namespace sim {
namespace {

class SimIterator final : public SimObject<IDeckLinkIterator> {
public:
    SimIterator()
        : devices_(SimRegistry::shared().visibleDevices())
    {
    }

    HRESULT Next(IDeckLink** device) override
    {
        if (!device)
            return E_POINTER;
        if (next_ >= devices_.size()) {
            *device = nullptr;
            return S_FALSE;
        }
        *device = makeSimDevice(devices_[next_++]);
        return S_OK;
    }

private:
    std::vector<std::shared_ptr<SimDeviceState>> devices_;
    std::size_t next_ = 0;
};

// The device's enabled input with a reference of ours, or null.
IDeckLinkInput* enabledInput(int index, SimInput** input)
{
    auto device = SimRegistry::shared().device(index);
    *input = nullptr;
    if (!device)
        return nullptr;
    std::lock_guard lock(device->mutex);
    if (device->enabledInput) {
        device->enabledInput->AddRef();
        *input = device->enabledInput;
    }
    return *input;
}

template <class Fn> void withDevice(int index, Fn fn)
{
    if (auto device = SimRegistry::shared().device(index)) {
        std::lock_guard lock(device->mutex);
        fn(*device);
    }
}

} // namespace
} // namespace sim

using namespace sim;

SIM_EXPORT std::uint32_t CorvaleDeckLinkABIVersion()
{
    return kCorvaleDeckLinkABIVersion;
}

SIM_EXPORT IDeckLinkIterator* CreateDeckLinkIteratorInstance_0004()
{
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_ITERATOR_FACTORY))
        return nullptr;
    return new SimIterator();
}

SIM_EXPORT IDeckLinkVideoConversion* CreateVideoConversionInstance_0002()
{
    if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_CONVERSION_FACTORY))
        return nullptr;
    return makeSimVideoConversion();
}

SIM_EXPORT void corvale_sim_reset(void)
{
    SimRegistry::shared().reset();
}
SIM_EXPORT int corvale_sim_device_count(void)
{
    return SimRegistry::shared().deviceCount();
}
SIM_EXPORT void corvale_sim_set_device_count(int count)
{
    SimRegistry::shared().setDeviceCount(count);
}
SIM_EXPORT void corvale_sim_set_failures(uint32_t mask)
{
    SimRegistry::shared().failures = mask;
}
SIM_EXPORT uint32_t corvale_sim_failures(void)
{
    return SimRegistry::shared().failures.load();
}
SIM_EXPORT void corvale_sim_set_manual_clock(int manual)
{
    SimRegistry::shared().manualClock = manual != 0;
}

SIM_EXPORT int corvale_sim_deliver_frames(int device, int ticks)
{
    SimInput* input = nullptr;
    if (!enabledInput(device, &input))
        return 0;
    const int delivered = input->runTicks(ticks);
    input->Release();
    return delivered;
}

SIM_EXPORT void corvale_sim_set_source_mode(int device, uint32_t displayMode)
{
    withDevice(device, [&](SimDeviceState& state) { state.sourceMode = displayMode; });
}

SIM_EXPORT void corvale_sim_set_source_colorspace(int device, uint32_t colorspace, int64_t eotf)
{
    withDevice(device, [&](SimDeviceState& state) {
        state.sourceColorspace = colorspace;
        state.sourceEOTF = eotf;
    });
}

SIM_EXPORT void corvale_sim_set_signal(int device, int present)
{
    withDevice(device, [&](SimDeviceState& state) { state.signalPresent = present != 0; });
}

SIM_EXPORT void corvale_sim_set_reference_locked(int device, int locked)
{
    withDevice(device, [&](SimDeviceState& state) { state.referenceLocked = locked != 0; });
}

SIM_EXPORT int corvale_sim_input_state(int device, CorvaleSimInputState* out)
{
    auto state = SimRegistry::shared().device(device);
    if (!state || !out)
        return 0;
    std::memset(out, 0, sizeof *out);
    {
        std::lock_guard lock(state->mutex);
        out->framesDelivered = state->framesDelivered;
        out->framesMissed = state->framesMissed;
        out->formatChangesReported = state->formatChangesReported;
        out->stopsFromCallback = state->stopsFromCallback;
        out->enableCount = state->enableCount;
    }
    SimInput* input = nullptr;
    if (enabledInput(device, &input)) {
        out->enabled = 1;
        out->streaming = input->streaming() ? 1 : 0;
        out->callbackInstalled = input->callbackInstalled() ? 1 : 0;
        input->describe(&out->displayMode, &out->pixelFormat, &out->flags);
        input->Release();
    }
    return 1;
}

SIM_EXPORT long corvale_sim_live_object_count(void)
{
    return liveObjectCount().load();
}

SIM_EXPORT int64_t corvale_sim_decode_frame_counter(
    const void* bytes, int width, int height, int rowBytes, uint32_t pixelFormat)
{
    return decodeFrameCounter(static_cast<const std::uint8_t*>(bytes), width, height, rowBytes, pixelFormat);
}

SIM_EXPORT void corvale_sim_set_status_int(int device, uint32_t id, int64_t value)
{
    withDevice(device, [&](SimDeviceState& state) { state.status[id] = SimItem { SimItem::Kind::Int, value, {} }; });
}

SIM_EXPORT void corvale_sim_set_status_flag(int device, uint32_t id, int value)
{
    withDevice(device, [&](SimDeviceState& state) {
        state.status[id] = SimItem { SimItem::Kind::Flag, value ? 1 : 0, {} };
    });
}

SIM_EXPORT void corvale_sim_set_status_bytes(int device, uint32_t id, const void* bytes, uint32_t size)
{
    withDevice(device, [&](SimDeviceState& state) {
        const auto* begin = static_cast<const std::uint8_t*>(bytes);
        state.status[id]
            = SimItem { SimItem::Kind::Bytes, 0, std::vector<std::uint8_t>(begin, begin + (bytes ? size : 0)) };
    });
}

SIM_EXPORT void corvale_sim_remove_status(int device, uint32_t id)
{
    withDevice(device, [&](SimDeviceState& state) { state.status[id] = SimItem {}; });
}

SIM_EXPORT void corvale_sim_set_attribute_int(int device, uint32_t id, int64_t value)
{
    withDevice(device, [&](SimDeviceState& state) {
        state.attributes[id] = SimItem { SimItem::Kind::Int, value, {} };
    });
}

SIM_EXPORT void corvale_sim_set_attribute_flag(int device, uint32_t id, int value)
{
    withDevice(device, [&](SimDeviceState& state) {
        state.attributes[id] = SimItem { SimItem::Kind::Flag, value ? 1 : 0, {} };
    });
}

SIM_EXPORT void corvale_sim_remove_attribute(int device, uint32_t id)
{
    withDevice(device, [&](SimDeviceState& state) { state.attributes[id] = SimItem {}; });
}

namespace {
// 1 and the stored value when the device's configuration holds `id` as `kind`.
int readConfiguration(int device, uint32_t id, SimItem::Kind kind, int64_t* value)
{
    int found = 0;
    withDevice(device, [&](SimDeviceState& state) {
        auto it = state.configuration.find(id);
        if (it != state.configuration.end() && it->second.kind == kind) {
            *value = it->second.value;
            found = 1;
        }
    });
    return found;
}
} // namespace

SIM_EXPORT int corvale_sim_configuration_int(int device, uint32_t id, int64_t* value)
{
    int64_t stored = 0;
    const int found = readConfiguration(device, id, SimItem::Kind::Int, &stored);
    if (found && value)
        *value = stored;
    return found;
}

SIM_EXPORT int corvale_sim_configuration_flag(int device, uint32_t id, int* value)
{
    int64_t stored = 0;
    const int found = readConfiguration(device, id, SimItem::Kind::Flag, &stored);
    if (found && value)
        *value = stored != 0;
    return found;
}
