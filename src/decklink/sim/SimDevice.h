#pragma once

// The simulated devices: their shared state (the source plugged in, failures to inject, status,
// attribute and configuration items) and the registry that holds them for the process.

#include "decklink/api/DeckLinkAPI.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

// A display mode the simulated card knows.
struct SimModeInfo {
    DeckLinkDisplayMode mode;
    std::int32_t width;
    std::int32_t height;
    DeckLinkTimeValue frameDuration;
    DeckLinkTimeScale timeScale;
    DeckLinkFieldDominance fieldDominance;
};
const std::vector<SimModeInfo>& simDisplayModes();
// Null for a mode the card does not know (kDeckLinkModeUnknown included).
const SimModeInfo* findSimDisplayMode(DeckLinkDisplayMode mode);

// One status, attribute or configuration item set by a test or written by the station.
struct SimItem {
    enum class Kind { Absent, Int, Flag, Bytes } kind = Kind::Absent;
    std::int64_t value = 0;
    std::vector<std::uint8_t> bytes;
};

class SimInput;

// What every object of one device shares. The device objects handed out through iterators refer
// to it; it lives as long as the registry (the whole process).
class SimDeviceState {
public:
    explicit SimDeviceState(int index)
        : index(index)
    {
    }

    const int index;
    std::string displayName() const { return "Simulated Card " + std::to_string(index + 1); }

    // Guards every field below.
    mutable std::mutex mutex;

    // The source plugged into the input.
    DeckLinkDisplayMode sourceMode = kDeckLinkModeHD1080p25;
    DeckLinkColorspace sourceColorspace = kDeckLinkColorspaceRec709;
    std::int64_t sourceEOTF = kDeckLinkEOTFSDR;
    bool signalPresent = true;
    bool referenceLocked = false;

    // The input object that enabled the device's input (one client at a time), or null.
    SimInput* enabledInput = nullptr;
    std::uint64_t framesDelivered = 0;
    // Frames the source sent while the callback was still busy with an earlier one (real-time clock).
    std::uint64_t framesMissed = 0;
    std::uint64_t formatChangesReported = 0;
    std::uint64_t stopsFromCallback = 0; // StopStreams or DisableVideoInput refused on the callback thread
    std::uint64_t enableCount = 0;
    // Drawn into the next picture; counts every frame the device's input delivers.
    std::uint64_t nextFrameCounter = 0;

    // Overrides and stored items, by four-character code.
    std::map<DeckLinkStatusID, SimItem> status;
    std::map<DeckLinkAttributeID, SimItem> attributes;
    std::map<DeckLinkConfigurationID, SimItem> configuration;

    // Free for the output side to keep per-device state in.
    std::shared_ptr<void> outputState;

    // Back to the defaults (everything but the counters and the enabled input).
    void resetLocked();
};

class SimRegistry {
public:
    static SimRegistry& shared();

    // The devices an iterator made now yields, in order.
    std::vector<std::shared_ptr<SimDeviceState>> visibleDevices();
    // Any device ever made (also beyond the visible count), or null.
    std::shared_ptr<SimDeviceState> device(int index);
    int deviceCount();
    void setDeviceCount(int count);

    bool failing(std::uint32_t failure) const { return (failures.load() & failure) != 0; }
    std::atomic<std::uint32_t> failures { 0 };
    std::atomic<bool> manualClock { false };

    void reset();

private:
    SimRegistry();
    std::mutex mutex_;
    int count_ = 2;
    std::vector<std::shared_ptr<SimDeviceState>> devices_;
};

// A new device object (IDeckLink) of `state`; one reference for the caller.
IDeckLink* makeSimDevice(std::shared_ptr<SimDeviceState> state);

} // namespace sim

namespace sim {

// Display-mode objects of the simulated card (one reference for the caller).
IDeckLinkDisplayMode* makeSimDisplayMode(const SimModeInfo& info);
// Yields every mode of simDisplayModes() in order; an output's iterator gives frame duration 0
// while mode timing is made to fail.
IDeckLinkDisplayModeIterator* makeSimDisplayModeIterator(bool output = false);

} // namespace sim
