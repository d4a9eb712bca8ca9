// Devices, their registry, display modes, status, attributes and configuration of the simulated
// card.

#include "decklink/sim/SimDevice.h"

#include "decklink/sim/DeckLinkSimControl.h"
#include "decklink/sim/SimInput.h"
#include "decklink/sim/SimObject.h"
#include "decklink/sim/SimOutputFactory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace sim {

std::atomic<long>& liveObjectCount()
{
    static std::atomic<long> count { 0 };
    return count;
}

// ---------------------------------------------------------------------------------------------
// Display modes

const std::vector<SimModeInfo>& simDisplayModes()
{
    static const std::vector<SimModeInfo> modes = {
        { kDeckLinkModeNTSC, 720, 486, 1001, 30000, kDeckLinkLowerFieldFirst },
        { kDeckLinkModePAL, 720, 576, 1000, 25000, kDeckLinkUpperFieldFirst },
        { kDeckLinkModeHD720p50, 1280, 720, 1000, 50000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD720p5994, 1280, 720, 1001, 60000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD720p60, 1280, 720, 1000, 60000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD1080p2398, 1920, 1080, 1001, 24000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD1080p24, 1920, 1080, 1000, 24000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD1080p25, 1920, 1080, 1000, 25000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD1080p2997, 1920, 1080, 1001, 30000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD1080p30, 1920, 1080, 1000, 30000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD1080p4795, 1920, 1080, 1001, 48000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD1080p48, 1920, 1080, 1000, 48000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD1080p50, 1920, 1080, 1000, 50000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD1080p5994, 1920, 1080, 1001, 60000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD1080p6000, 1920, 1080, 1000, 60000, kDeckLinkProgressiveFrame },
        { kDeckLinkModeHD1080i50, 1920, 1080, 1000, 25000, kDeckLinkUpperFieldFirst },
        { kDeckLinkModeHD1080i5994, 1920, 1080, 1001, 30000, kDeckLinkUpperFieldFirst },
        { kDeckLinkModeHD1080i6000, 1920, 1080, 1000, 30000, kDeckLinkUpperFieldFirst },
        { kDeckLinkMode4K2160p2398, 3840, 2160, 1001, 24000, kDeckLinkProgressiveFrame },
        { kDeckLinkMode4K2160p24, 3840, 2160, 1000, 24000, kDeckLinkProgressiveFrame },
        { kDeckLinkMode4K2160p25, 3840, 2160, 1000, 25000, kDeckLinkProgressiveFrame },
        { kDeckLinkMode4K2160p2997, 3840, 2160, 1001, 30000, kDeckLinkProgressiveFrame },
        { kDeckLinkMode4K2160p30, 3840, 2160, 1000, 30000, kDeckLinkProgressiveFrame },
        { kDeckLinkMode4K2160p50, 3840, 2160, 1000, 50000, kDeckLinkProgressiveFrame },
        { kDeckLinkMode4K2160p5994, 3840, 2160, 1001, 60000, kDeckLinkProgressiveFrame },
        { kDeckLinkMode4K2160p60, 3840, 2160, 1000, 60000, kDeckLinkProgressiveFrame },
    };
    return modes;
}

const SimModeInfo* findSimDisplayMode(DeckLinkDisplayMode mode)
{
    for (const auto& info : simDisplayModes())
        if (info.mode == mode)
            return &info;
    return nullptr;
}

namespace {

class SimDisplayMode final : public SimObject<IDeckLinkDisplayMode> {
public:
    explicit SimDisplayMode(const SimModeInfo& info)
        : info_(info)
    {
    }

    DeckLinkDisplayMode GetDisplayMode() override { return info_.mode; }
    std::int32_t GetWidth() override { return info_.width; }
    std::int32_t GetHeight() override { return info_.height; }
    HRESULT GetFrameRate(DeckLinkTimeValue* frameDuration, DeckLinkTimeScale* timeScale) override
    {
        if (!frameDuration || !timeScale)
            return E_POINTER;
        *frameDuration = info_.frameDuration;
        *timeScale = info_.timeScale;
        return S_OK;
    }
    DeckLinkFieldDominance GetFieldDominance() override { return info_.fieldDominance; }

private:
    const SimModeInfo info_;
};

class SimDisplayModeIterator final : public SimObject<IDeckLinkDisplayModeIterator> {
public:
    explicit SimDisplayModeIterator(bool output)
        : output_(output)
    {
    }

    HRESULT Next(IDeckLinkDisplayMode** mode) override
    {
        if (!mode)
            return E_POINTER;
        const auto& modes = simDisplayModes();
        if (next_ >= modes.size()) {
            *mode = nullptr;
            return S_FALSE;
        }
        SimModeInfo info = modes[next_++];
        if (output_ && SimRegistry::shared().failing(CORVALE_SIM_FAIL_OUTPUT_MODE_TIMING))
            info.frameDuration = 0;
        *mode = makeSimDisplayMode(info);
        return S_OK;
    }

private:
    const bool output_;
    std::size_t next_ = 0;
};

} // namespace

IDeckLinkDisplayMode* makeSimDisplayMode(const SimModeInfo& info)
{
    return new SimDisplayMode(info);
}
IDeckLinkDisplayModeIterator* makeSimDisplayModeIterator(bool output)
{
    return new SimDisplayModeIterator(output);
}

// ---------------------------------------------------------------------------------------------
// Registry

void SimDeviceState::resetLocked()
{
    sourceMode = kDeckLinkModeHD1080p25;
    sourceColorspace = kDeckLinkColorspaceRec709;
    sourceEOTF = kDeckLinkEOTFSDR;
    signalPresent = true;
    referenceLocked = false;
    status.clear();
    attributes.clear();
    configuration.clear();
    simResetOutputLocked(*this);
}

namespace {
int configuredDeviceCount()
{
    const char* text = std::getenv("CORVALE_SIM_DECKLINK_DEVICES");
    if (!text || !*text)
        return 2;
    char* end = nullptr;
    const long count = std::strtol(text, &end, 10);
    if (end == text || *end != '\0')
        return 2;
    return static_cast<int>(std::clamp(count, 0L, 16L));
}
} // namespace

SimRegistry::SimRegistry()
    : count_(configuredDeviceCount())
{
}

SimRegistry& SimRegistry::shared()
{
    // Never destroyed: device objects may outlive static destruction in a host's teardown.
    static SimRegistry* registry = new SimRegistry();
    return *registry;
}

std::shared_ptr<SimDeviceState> SimRegistry::device(int index)
{
    if (index < 0 || index >= 16)
        return nullptr;
    std::lock_guard lock(mutex_);
    while (static_cast<int>(devices_.size()) <= index)
        devices_.push_back(std::make_shared<SimDeviceState>(static_cast<int>(devices_.size())));
    return devices_[static_cast<std::size_t>(index)];
}

std::vector<std::shared_ptr<SimDeviceState>> SimRegistry::visibleDevices()
{
    const int count = deviceCount();
    std::vector<std::shared_ptr<SimDeviceState>> result;
    for (int i = 0; i < count; ++i)
        result.push_back(device(i));
    return result;
}

int SimRegistry::deviceCount()
{
    std::lock_guard lock(mutex_);
    return count_;
}

void SimRegistry::setDeviceCount(int count)
{
    std::lock_guard lock(mutex_);
    count_ = std::clamp(count, 0, 16);
}

void SimRegistry::reset()
{
    failures = 0;
    manualClock = false;
    {
        std::lock_guard lock(mutex_);
        count_ = configuredDeviceCount();
    }
    for (int i = 0; i < 16; ++i) {
        auto state = device(i);
        std::lock_guard lock(state->mutex);
        state->resetLocked();
    }
}

// ---------------------------------------------------------------------------------------------
// Status, attributes, configuration

namespace {

// Reads an item: the override when one is set, otherwise `computed` (which answers false when the
// driver has no value of its own).
template <class Computed>
HRESULT readInt(
    const std::map<DeckLinkFourCC, SimItem>& items, DeckLinkFourCC id, std::int64_t* value, Computed computed)
{
    if (!value)
        return E_POINTER;
    if (auto it = items.find(id); it != items.end()) {
        if (it->second.kind != SimItem::Kind::Int)
            return E_INVALIDARG;
        *value = it->second.value;
        return S_OK;
    }
    return computed(value) ? S_OK : E_INVALIDARG;
}

template <class Computed>
HRESULT readFlag(const std::map<DeckLinkFourCC, SimItem>& items, DeckLinkFourCC id, bool* value, Computed computed)
{
    if (!value)
        return E_POINTER;
    if (auto it = items.find(id); it != items.end()) {
        if (it->second.kind != SimItem::Kind::Flag)
            return E_INVALIDARG;
        *value = it->second.value != 0;
        return S_OK;
    }
    return computed(value) ? S_OK : E_INVALIDARG;
}

class SimStatus final : public SimObject<IDeckLinkStatus> {
public:
    explicit SimStatus(std::shared_ptr<SimDeviceState> device)
        : device_(std::move(device))
    {
    }

    HRESULT GetFlag(DeckLinkStatusID id, bool* value) override
    {
        std::lock_guard lock(device_->mutex);
        return readFlag(device_->status, id, value, [&](bool* out) {
            switch (id) {
            case kDeckLinkStatusVideoInputSignalLocked:
                *out = device_->signalPresent;
                return true;
            case kDeckLinkStatusReferenceSignalLocked:
                *out = device_->referenceLocked;
                return true;
            default:
                return false;
            }
        });
    }

    HRESULT GetInt(DeckLinkStatusID id, std::int64_t* value) override
    {
        std::lock_guard lock(device_->mutex);
        return readInt(device_->status, id, value, [&](std::int64_t* out) {
            if (simIsOutputStatusItem(id))
                return simOutputStatusIntLocked(*device_, id, out);
            const SimModeInfo* mode = findSimDisplayMode(device_->sourceMode);
            if (!device_->signalPresent || !mode)
                return false; // nothing detected without a signal
            switch (id) {
            case kDeckLinkStatusDetectedVideoInputMode:
                *out = mode->mode;
                return true;
            case kDeckLinkStatusDetectedVideoInputFieldDominance:
                *out = mode->fieldDominance;
                return true;
            case kDeckLinkStatusDetectedVideoInputColorspace:
                *out = device_->sourceColorspace;
                return true;
            case kDeckLinkStatusDetectedVideoInputFormatFlags:
                *out = kDeckLinkDetectedVideoInputYCbCr422 | kDeckLinkDetectedVideoInput10BitDepth;
                return true;
            default:
                return false;
            }
        });
    }

    HRESULT GetFloat(DeckLinkStatusID, double* value) override { return value ? E_INVALIDARG : E_POINTER; }

    HRESULT GetBytes(DeckLinkStatusID id, void* buffer, std::uint32_t* bufferSize) override
    {
        if (!bufferSize)
            return E_POINTER;
        std::lock_guard lock(device_->mutex);
        auto it = device_->status.find(id);
        if (it == device_->status.end() && simIsOutputStatusItem(id))
            return simOutputStatusBytesLocked(*device_, id, buffer, bufferSize);
        if (it == device_->status.end() || it->second.kind != SimItem::Kind::Bytes)
            return E_INVALIDARG;
        const auto& bytes = it->second.bytes;
        if (!buffer) {
            *bufferSize = static_cast<std::uint32_t>(bytes.size());
            return S_OK;
        }
        const std::size_t count = std::min<std::size_t>(*bufferSize, bytes.size());
        if (count > 0)
            std::memcpy(buffer, bytes.data(), count);
        *bufferSize = static_cast<std::uint32_t>(count);
        return S_OK;
    }

private:
    std::shared_ptr<SimDeviceState> device_;
};

class SimAttributes final : public SimObject<IDeckLinkAttributes> {
public:
    explicit SimAttributes(std::shared_ptr<SimDeviceState> device)
        : device_(std::move(device))
    {
    }

    HRESULT GetFlag(DeckLinkAttributeID id, bool* value) override
    {
        std::lock_guard lock(device_->mutex);
        return readFlag(device_->attributes, id, value, [&](bool* out) {
            if (id != kDeckLinkAttributeSupportsHDRMetadata)
                return false;
            *out = true;
            return true;
        });
    }

    HRESULT GetInt(DeckLinkAttributeID id, std::int64_t* value) override
    {
        std::lock_guard lock(device_->mutex);
        return readInt(device_->attributes, id, value, [&](std::int64_t* out) {
            switch (id) {
            case kDeckLinkAttributeVideoOutputConnections:
                *out = kDeckLinkVideoConnectionSDI | kDeckLinkVideoConnectionHDMI;
                return true;
            case kDeckLinkAttributeSupportedDynamicRange:
                *out = kDeckLinkDynamicRangeHDRStaticPQ | kDeckLinkDynamicRangeHDRStaticHLG;
                return true;
            default:
                return false;
            }
        });
    }

    HRESULT GetFloat(DeckLinkAttributeID, double* value) override { return value ? E_INVALIDARG : E_POINTER; }

private:
    std::shared_ptr<SimDeviceState> device_;
};

class SimConfiguration final : public SimObject<IDeckLinkConfiguration> {
public:
    explicit SimConfiguration(std::shared_ptr<SimDeviceState> device)
        : device_(std::move(device))
    {
    }

    HRESULT GetInt(DeckLinkConfigurationID id, std::int64_t* value) override
    {
        std::lock_guard lock(device_->mutex);
        return readInt(device_->configuration, id, value, [](std::int64_t*) { return false; });
    }
    HRESULT GetFlag(DeckLinkConfigurationID id, bool* value) override
    {
        std::lock_guard lock(device_->mutex);
        return readFlag(device_->configuration, id, value, [](bool*) { return false; });
    }
    HRESULT SetInt(DeckLinkConfigurationID id, std::int64_t value) override
    {
        std::lock_guard lock(device_->mutex);
        device_->configuration[id] = SimItem { SimItem::Kind::Int, value, {} };
        return S_OK;
    }
    HRESULT SetFlag(DeckLinkConfigurationID id, bool value) override
    {
        std::lock_guard lock(device_->mutex);
        device_->configuration[id] = SimItem { SimItem::Kind::Flag, value ? 1 : 0, {} };
        return S_OK;
    }

private:
    std::shared_ptr<SimDeviceState> device_;
};

// ---------------------------------------------------------------------------------------------
// Device

class SimDevice final : public SimObject<IDeckLink> {
public:
    explicit SimDevice(std::shared_ptr<SimDeviceState> state)
        : state_(std::move(state))
    {
    }

    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        auto& registry = SimRegistry::shared();
        if (iid == IID_IUnknown || iid == IID_IDeckLink)
            return answer(static_cast<IDeckLink*>(this), object);
        if (iid == IID_IDeckLinkInput) {
            if (registry.failing(CORVALE_SIM_FAIL_INPUT_INTERFACE))
                return E_NOINTERFACE;
            *object = static_cast<IDeckLinkInput*>(makeSimInput(state_));
            return S_OK;
        }
        if (iid == IID_IDeckLinkOutput) {
            IDeckLinkOutput* output = simCreateOutput(state_);
            if (!output)
                return E_NOINTERFACE;
            *object = output;
            return S_OK;
        }
        if (iid == IID_IDeckLinkStatus) {
            if (registry.failing(CORVALE_SIM_FAIL_STATUS_INTERFACE))
                return E_NOINTERFACE;
            *object = static_cast<IDeckLinkStatus*>(new SimStatus(state_));
            return S_OK;
        }
        if (iid == IID_IDeckLinkAttributes) {
            *object = static_cast<IDeckLinkAttributes*>(new SimAttributes(state_));
            return S_OK;
        }
        if (iid == IID_IDeckLinkConfiguration) {
            *object = static_cast<IDeckLinkConfiguration*>(new SimConfiguration(state_));
            return S_OK;
        }
        return E_NOINTERFACE;
    }

    HRESULT GetDisplayName(char** name) override
    {
        if (!name)
            return E_POINTER;
        *name = nullptr;
        if (SimRegistry::shared().failing(CORVALE_SIM_FAIL_DISPLAY_NAME))
            return E_FAIL;
        const std::string text = state_->displayName();
        char* copy = static_cast<char*>(std::malloc(text.size() + 1));
        if (!copy)
            return E_OUTOFMEMORY;
        std::memcpy(copy, text.c_str(), text.size() + 1);
        *name = copy;
        return S_OK;
    }

private:
    std::shared_ptr<SimDeviceState> state_;
};

} // namespace

IDeckLink* makeSimDevice(std::shared_ptr<SimDeviceState> state)
{
    return new SimDevice(std::move(state));
}

} // namespace sim
