#pragma once

// The test-control interface of the simulated card driver: exported with C linkage by the driver
// library and used only by tests and benchmarks. It changes what the simulated sources send,
// drives the frame clock by hand, injects failures and reports live objects so tests catch
// reference leaks. Device numbers are the device indexes of the iterator (from 0).

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Failures to inject (a bit mask; bits 16 to 31 belong to the output side).
enum {
    CORVALE_SIM_FAIL_ITERATOR_FACTORY = 1u << 0, // CreateDeckLinkIteratorInstance gives null
    CORVALE_SIM_FAIL_CONVERSION_FACTORY = 1u << 1, // CreateVideoConversionInstance gives null
    CORVALE_SIM_FAIL_CONVERT = 1u << 2, // ConvertNewFrame / ConvertFrame give E_FAIL
    CORVALE_SIM_FAIL_ENABLE_INPUT = 1u << 3, // every EnableVideoInput gives E_FAIL
    CORVALE_SIM_FAIL_ENABLE_DETECTION = 1u << 4, // EnableVideoInput with format detection gives E_INVALIDARG
    CORVALE_SIM_FAIL_START_STREAMS = 1u << 5, // StartStreams gives E_FAIL
    CORVALE_SIM_FAIL_INPUT_INTERFACE = 1u << 6, // devices answer E_NOINTERFACE for IDeckLinkInput
    CORVALE_SIM_FAIL_STATUS_INTERFACE = 1u << 7, // devices answer E_NOINTERFACE for IDeckLinkStatus
    CORVALE_SIM_FAIL_DISPLAY_NAME = 1u << 8, // GetDisplayName gives E_FAIL
    CORVALE_SIM_FAIL_CONVERT_BAD_ROW_BYTES = 1u << 9, // converted frames state fewer row bytes than their width needs
    CORVALE_SIM_FAIL_CONVERT_NULL_BYTES = 1u << 10, // converted frames' buffers give S_OK with null bytes
};

// What the driver knows about a device's input.
typedef struct CorvaleSimInputState {
    int enabled; // EnableVideoInput succeeded and no DisableVideoInput since
    int streaming; // between StartStreams and StopStreams
    uint32_t displayMode; // the mode enabled (kDeckLinkModeUnknown with detection)
    uint32_t pixelFormat;
    uint32_t flags; // input flags of the enable
    int callbackInstalled;
    uint64_t framesDelivered; // frames handed to the callback since the device was created
    uint64_t formatChangesReported;
    uint64_t enableCount; // successful EnableVideoInput calls since the device was created
} CorvaleSimInputState;

// Back to the defaults: device count from CORVALE_SIM_DECKLINK_DEVICES (2), every source 'Hp25'
// Rec. 709 with a signal and no reference, no failures, the real-time clock, no status,
// attribute or configuration overrides. Inputs that are streaming keep streaming.
void corvale_sim_reset(void);

int corvale_sim_device_count(void);
// Devices seen by iterators made from now on (at most 16).
void corvale_sim_set_device_count(int count);

void corvale_sim_set_failures(uint32_t mask);
uint32_t corvale_sim_failures(void);

// With the manual clock, inputs deliver frames only when corvale_sim_deliver_frames asks.
void corvale_sim_set_manual_clock(int manual);
// Runs `ticks` frame periods of the device's streaming input on its own thread and waits until they
// are done. Each tick delivers one frame, or reports a detected format change, or nothing (no
// signal, a source the enabled mode cannot lock to). Returns the number of frames delivered, 0
// when the input is not streaming.
int corvale_sim_deliver_frames(int device, int ticks);

// The simulated source plugged into a device's input.
void corvale_sim_set_source_mode(int device, uint32_t displayMode);
void corvale_sim_set_source_colorspace(int device, uint32_t colorspace, int64_t eotf);
void corvale_sim_set_signal(int device, int present);
void corvale_sim_set_reference_locked(int device, int locked);

// 1 and fills `state` when the device exists.
int corvale_sim_input_state(int device, CorvaleSimInputState* state);

// Objects of the driver alive now (devices, iterators, inputs, frames, converters ...).
long corvale_sim_live_object_count(void);

// Reads back the frame counter drawn into a simulated picture ('2vuy' or 'BGRA' bytes); -1 when the
// picture carries none.
int64_t corvale_sim_decode_frame_counter(const void* bytes, int width, int height, int rowBytes, uint32_t pixelFormat);

// Items a device reports through IDeckLinkStatus and IDeckLinkAttributes. A set item takes
// precedence over the value the driver computes; a removed one reads as absent.
void corvale_sim_set_status_int(int device, uint32_t id, int64_t value);
void corvale_sim_set_status_flag(int device, uint32_t id, int value);
void corvale_sim_set_status_bytes(int device, uint32_t id, const void* bytes, uint32_t size);
void corvale_sim_remove_status(int device, uint32_t id);
void corvale_sim_set_attribute_int(int device, uint32_t id, int64_t value);
void corvale_sim_set_attribute_flag(int device, uint32_t id, int value);
void corvale_sim_remove_attribute(int device, uint32_t id);
// Last values written through IDeckLinkConfiguration; 1 when the item was written.
int corvale_sim_configuration_int(int device, uint32_t id, int64_t* value);
int corvale_sim_configuration_flag(int device, uint32_t id, int* value);

#ifdef __cplusplus
}
#endif
