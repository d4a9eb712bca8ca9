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
    uint64_t framesMissed; // frames lost on the card because the callback overran (real-time clock)
    uint64_t stopsFromCallback; // StopStreams or DisableVideoInput refused on the input's callback thread
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

// ---------------------------------------------------------------------------------------------
// Output side

// Failures of the output side (bits 16 to 31 of the same mask).
enum {
    CORVALE_SIM_FAIL_OUTPUT_INTERFACE = 1u << 16, // devices answer E_NOINTERFACE for IDeckLinkOutput
    CORVALE_SIM_FAIL_MAC_OUTPUT_INTERFACE = 1u << 17, // outputs answer E_NOINTERFACE for IDeckLinkMacOutput
    CORVALE_SIM_FAIL_MAC_OUTPUT_WRAP = 1u << 18, // CreateVideoFrameFromPixelBuffer gives E_FAIL
    CORVALE_SIM_FAIL_DISPLAY_MODE_ITERATOR = 1u << 19, // GetDisplayModeIterator gives E_FAIL
    CORVALE_SIM_FAIL_OUTPUT_MODE_TIMING = 1u << 20, // the output's display modes report frame duration 0
    CORVALE_SIM_FAIL_DOES_SUPPORT = 1u << 21, // DoesSupportVideoMode gives E_FAIL
    CORVALE_SIM_FAIL_ENABLE_OUTPUT = 1u << 22, // EnableVideoOutput gives E_FAIL
    CORVALE_SIM_FAIL_CREATE_FRAME = 1u << 23, // CreateVideoFrame / CreateVideoFrameWithBuffer give E_OUTOFMEMORY
    CORVALE_SIM_FAIL_ROW_BYTES = 1u << 24, // RowBytesForPixelFormat gives E_FAIL
    CORVALE_SIM_FAIL_SCHEDULE = 1u << 25, // ScheduleVideoFrame gives E_FAIL
    CORVALE_SIM_FAIL_START_PLAYBACK = 1u << 26, // StartScheduledPlayback gives E_FAIL
    CORVALE_SIM_FAIL_DISPLAY_SYNC = 1u << 27, // DisplayVideoFrameSync gives E_FAIL
    CORVALE_SIM_FAIL_FRAME_METADATA_WRITE = 1u << 28, // output frames refuse SetInt / SetFloat with E_FAIL
    CORVALE_SIM_FAIL_FRAME_METADATA_INTERFACE = 1u << 29, // output frames have no metadata extensions
    CORVALE_SIM_FAIL_BUFFERED_COUNT = 1u << 30, // GetBufferedVideoFrameCount gives E_FAIL
    // Stopping playback or disabling the output drops scheduled frames without completing them, as a
    // card that forgets its queue: their callers' references are never given back by a completion.
    CORVALE_SIM_FAIL_SILENT_FLUSH = 1u << 31,
};

// What the driver knows about a device's output.
typedef struct CorvaleSimOutputState {
    int enabled; // EnableVideoOutput succeeded and no DisableVideoOutput since
    uint32_t displayMode; // the mode enabled
    uint32_t outputFlags;
    int callbackInstalled;
    int playbackRunning; // between StartScheduledPlayback and StopScheduledPlayback
    int manualClock; // playback paced by corvale_sim_run_output rather than real time
    uint32_t bufferedFrames; // scheduled and not yet completed
    int64_t streamTime; // in the display mode's time scale, 0 when not running
    int64_t timeScale; // of the display mode
    uint64_t enableCount; // successful EnableVideoOutput calls since the device was created
    // Frames since the output was last enabled (kept after it is disabled):
    uint64_t framesDisplayedSync; // DisplayVideoFrameSync calls that showed a frame
    uint64_t framesCompleted; // scheduled frames by completion result
    uint64_t framesLate;
    uint64_t framesDropped;
    uint64_t framesFlushed;
    uint64_t ticks; // frame periods the playback clock ran since playback started
} CorvaleSimOutputState;

// One colour or HDR item of an output frame ('cspc', 'eotf', 'hdrx' ...).
typedef struct CorvaleSimMetadataItem {
    uint32_t id;
    int isFloat; // 0: integer (or flag) in intValue, 1: floatValue
    int64_t intValue;
    double floatValue;
} CorvaleSimMetadataItem;

// One frame that left the output: shown by DisplayVideoFrameSync, or a scheduled frame when it
// completed (whatever the result).
typedef struct CorvaleSimOutputFrame {
    uint64_t sequence; // counts every recorded frame of the device from 1
    int scheduled; // 0: DisplayVideoFrameSync, 1: scheduled playback
    uint32_t result; // completion result (kDeckLinkOutputFrameCompleted for synchronous frames)
    int64_t displayTime; // scheduled frames: as scheduled, in timeScale units
    int64_t displayDuration;
    int64_t timeScale;
    int32_t width;
    int32_t height;
    int32_t rowBytes;
    uint32_t pixelFormat;
    uint32_t flags;
    int wrapped; // made by IDeckLinkMacOutput from a pixel buffer
    int64_t frameCounter; // the counter drawn into the picture, -1 when none could be read
    int metadataCount;
    CorvaleSimMetadataItem metadata[16];
} CorvaleSimOutputFrame;

// 1 and fills `state` when the device exists.
int corvale_sim_output_state(int device, CorvaleSimOutputState* state);

// Runs `ticks` frame periods of the device's scheduled playback (started while the manual clock was
// on) on the driver's playback thread and waits for them. Returns the number of completion
// callbacks made, -1 when no manually clocked playback runs.
int corvale_sim_run_output(int device, int ticks);

// Recorded frames: how many were recorded since the last reset, and the newest up to `max` of
// them (the ring keeps the last 256), oldest first. Returns the number copied.
uint64_t corvale_sim_output_frame_count(int device);
int corvale_sim_output_frames(int device, CorvaleSimOutputFrame* frames, int max);
void corvale_sim_clear_output_frames(int device);
// The item `id` of a recorded frame: 1 and its value when present.
int corvale_sim_output_frame_int(const CorvaleSimOutputFrame* frame, uint32_t id, int64_t* value);
int corvale_sim_output_frame_float(const CorvaleSimOutputFrame* frame, uint32_t id, double* value);

// Pixel formats the output plays (DoesSupportVideoMode); by default 'BGRA', 'v210', 'R10l', 'R10b',
// 'r210'. Rejected formats are reported as supported, but frames of them are refused with
// E_INVALIDARG when displayed or scheduled (a card that changes its mind at submit).
void corvale_sim_set_output_pixel_formats(int device, const uint32_t* formats, int count);
void corvale_sim_set_output_rejected_pixel_formats(int device, const uint32_t* formats, int count);
// DoesSupportVideoMode answers `actualMode` for `requestedMode`; 0 removes the substitution.
void corvale_sim_set_output_mode_substitution(int device, uint32_t requestedMode, uint32_t actualMode);
// The next `count` frames shown by scheduled playback complete with `result` (late, dropped ...).
void corvale_sim_force_completion_results(int device, uint32_t result, int count);

// The display on the HDMI output: its EDID (copied, at most 4096 bytes), or none connected (null
// or size 0: the HDMI status items and the EDID read as absent). By default a connected UHD
// display that advertises PQ and HLG.
void corvale_sim_set_hdmi_sink(int device, const void* edid, uint32_t size);

// Draws the frame counter into a 'BGRA' or '2vuy' picture of at least 560 x 32 pixels, as the
// simulated sources do, so tests can follow frames through the output.
void corvale_sim_draw_frame_counter(
    void* bytes, int width, int height, int rowBytes, uint32_t pixelFormat, uint32_t counter);

// Output frames of the driver alive now (a subset of corvale_sim_live_object_count).
long corvale_sim_live_output_frame_count(void);

#ifdef __cplusplus
}
#endif
