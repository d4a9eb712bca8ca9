#pragma once

// Our capture card interface: reference-counted COM-style interfaces that the card driver library
// implements and the station calls (and, for the callbacks and buffers, the other way round).
//
// Rules every implementation and caller follows:
// - Every object starts with one reference, owned by whoever received it. AddRef and Release are
//   atomic and return the new count; Release destroys the object when the count reaches 0.
// - Every interface pointer handed out through an out-parameter carries one reference that the
//   receiver releases. Pointers passed in are borrowed for the call; a callee that keeps one adds
//   a reference.
// - QueryInterface answers the identifiers of the interfaces the object implements, IUnknown's
//   included, with S_OK and an added reference; any other identifier gives E_NOINTERFACE with the
//   out-pointer cleared; a null out-pointer gives E_POINTER.
// - Strings handed out (GetDisplayName) are allocated with malloc; the receiver frees them.
// - Callbacks (IDeckLinkInputCallback, IDeckLinkVideoOutputCallback) run on the driver's own
//   threads. Stopping a stream waits until no callback of that stream is running any more.

#include "decklink/api/DeckLinkAPITypes.h"

class IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0xC1, 0x74, 0xA9, 0x54, 0x04, 0x00, 0x43, 0x79, 0x91, 0x61, 0x20, 0x3F, 0xAE,
        0x1C, 0x29, 0xF1 } };

    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

class IDeckLink;
class IDeckLinkDisplayMode;
class IDeckLinkVideoFrame;
class IDeckLinkMutableVideoFrame;
class IDeckLinkVideoInputFrame;
class IDeckLinkAudioInputPacket;
class IDeckLinkVideoBuffer;

// ---------------------------------------------------------------------------------------------
// Devices

// Yields the installed devices in a stable order (the device index), then S_FALSE with null.
class IDeckLinkIterator : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0x29, 0x64, 0xF9, 0x8B, 0x77, 0xE5, 0x42, 0xE6, 0xA7, 0xDF, 0xA3, 0x04, 0x62,
        0x6B, 0xF7, 0x1B } };

    virtual HRESULT Next(IDeckLink** device) = 0;
};

// One card device. QueryInterface gives its IDeckLinkInput, IDeckLinkOutput, IDeckLinkStatus,
// IDeckLinkAttributes and IDeckLinkConfiguration (E_NOINTERFACE for what the device lacks).
class IDeckLink : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0xE5, 0x92, 0xD5, 0x87, 0x66, 0x8D, 0x4F, 0x19, 0x9F, 0x00, 0xBD, 0x59, 0x03,
        0x53, 0x5D, 0x2D } };

    // A UTF-8 name allocated with malloc; the caller frees it.
    virtual HRESULT GetDisplayName(char** name) = 0;
};

class IDeckLinkDisplayMode : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0xE2, 0xD4, 0x2C, 0xB0, 0x1B, 0xD3, 0x47, 0xCF, 0xB8, 0xFA, 0xD1, 0x6B, 0x83,
        0x12, 0x60, 0x16 } };

    virtual DeckLinkDisplayMode GetDisplayMode() = 0;
    virtual std::int32_t GetWidth() = 0;
    virtual std::int32_t GetHeight() = 0;
    // One frame lasts frameDuration / timeScale seconds (for example 1001 / 30000).
    virtual HRESULT GetFrameRate(DeckLinkTimeValue* frameDuration, DeckLinkTimeScale* timeScale) = 0;
    virtual DeckLinkFieldDominance GetFieldDominance() = 0;
};

// Yields the display modes of an output, then S_FALSE with null.
class IDeckLinkDisplayModeIterator : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0x7E, 0x49, 0xE3, 0x53, 0x39, 0xC6, 0x4A, 0x67, 0x9C, 0xC9, 0x38, 0x00, 0x54,
        0xDD, 0x28, 0x68 } };

    virtual HRESULT Next(IDeckLinkDisplayMode** mode) = 0;
};

// ---------------------------------------------------------------------------------------------
// Frames and buffers

// The bytes behind a frame. Implemented by the driver for its frames and by the station for the
// buffers it hands to CreateVideoFrameWithBuffer. Bytes may be read or written only between
// StartAccess and EndAccess with matching flags.
class IDeckLinkVideoBuffer : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0x5E, 0x38, 0xFA, 0x15, 0x27, 0x5D, 0x4C, 0x9B, 0xA0, 0x30, 0xCE, 0x87, 0x0C,
        0x47, 0xD3, 0x82 } };

    virtual HRESULT GetBytes(void** buffer) = 0;
    virtual HRESULT StartAccess(DeckLinkBufferAccessFlags flags) = 0;
    virtual HRESULT EndAccess(DeckLinkBufferAccessFlags flags) = 0;
};

// A picture. Its bytes are reached through QueryInterface(IDeckLinkVideoBuffer); its colour and
// HDR items through QueryInterface(IDeckLinkVideoFrameMetadataExtensions).
class IDeckLinkVideoFrame : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0x8A, 0x19, 0x67, 0x97, 0x5D, 0x6F, 0x42, 0xFE, 0x8B, 0xEB, 0x77, 0x56, 0x93,
        0x85, 0x2D, 0x7B } };

    virtual std::int32_t GetWidth() = 0;
    virtual std::int32_t GetHeight() = 0;
    virtual std::int32_t GetRowBytes() = 0;
    virtual DeckLinkPixelFormat GetPixelFormat() = 0;
    virtual DeckLinkFrameFlags GetFlags() = 0;
};

// A frame made by an output (CreateVideoFrame, CreateVideoFrameWithBuffer) for the station to
// fill. QueryInterface also gives IDeckLinkVideoFrameMutableMetadataExtensions.
class IDeckLinkMutableVideoFrame : public IDeckLinkVideoFrame {
public:
    static constexpr DeckLinkIID kIID { { 0x26, 0xA3, 0xAB, 0x76, 0xB5, 0xEB, 0x45, 0x53, 0xAC, 0xDE, 0xD2, 0x4E, 0x5E,
        0x84, 0x0E, 0x95 } };

    virtual HRESULT SetFlags(DeckLinkFrameFlags flags) = 0;
};

// A captured frame.
class IDeckLinkVideoInputFrame : public IDeckLinkVideoFrame {
public:
    static constexpr DeckLinkIID kIID { { 0x63, 0x4F, 0x30, 0x86, 0x1C, 0xE0, 0x45, 0x8A, 0xB0, 0xBF, 0x4D, 0x70, 0x54,
        0x01, 0xF7, 0xB5 } };
};

// Captured audio; the station ignores it, the interface exists so the frame callback's signature
// is complete.
class IDeckLinkAudioInputPacket : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0xC7, 0x28, 0xBD, 0x1C, 0x8E, 0xE3, 0x47, 0x7C, 0x9F, 0xFE, 0xEB, 0xA4, 0x2C,
        0xAA, 0xA5, 0x21 } };

    virtual std::int32_t GetSampleFrameCount() = 0;
};

// Colour and HDR items of a frame ('cspc', 'eotf', 'hdrx' ...). A missing item gives E_INVALIDARG.
class IDeckLinkVideoFrameMetadataExtensions : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0x5C, 0xDE, 0x5C, 0xAF, 0x61, 0xE2, 0x48, 0xCF, 0x8E, 0x09, 0x4A, 0x4B, 0x32,
        0x82, 0x82, 0x2E } };

    virtual HRESULT GetInt(DeckLinkFrameMetadataID id, std::int64_t* value) = 0;
    virtual HRESULT GetFloat(DeckLinkFrameMetadataID id, double* value) = 0;
    virtual HRESULT GetFlag(DeckLinkFrameMetadataID id, bool* value) = 0;
};

class IDeckLinkVideoFrameMutableMetadataExtensions : public IDeckLinkVideoFrameMetadataExtensions {
public:
    static constexpr DeckLinkIID kIID { { 0x38, 0x84, 0x43, 0x43, 0x00, 0x1D, 0x4B, 0x98, 0xB9, 0x70, 0xB0, 0xD2, 0x7C,
        0xE9, 0xF0, 0x2C } };

    virtual HRESULT SetInt(DeckLinkFrameMetadataID id, std::int64_t value) = 0;
    virtual HRESULT SetFloat(DeckLinkFrameMetadataID id, double value) = 0;
    virtual HRESULT SetFlag(DeckLinkFrameMetadataID id, bool value) = 0;
};

// ---------------------------------------------------------------------------------------------
// Input

// Implemented by the station; called on the driver's capture thread.
class IDeckLinkInputCallback : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0x51, 0xA2, 0xEF, 0xAD, 0xBD, 0x3D, 0x45, 0xD4, 0x86, 0xA2, 0x12, 0xC2, 0xDA,
        0x1C, 0x72, 0x84 } };

    // With format detection on: the source now sends `newDisplayMode` (borrowed for the call).
    virtual HRESULT VideoInputFormatChanged(DeckLinkVideoInputFormatChangedEvents events,
        IDeckLinkDisplayMode* newDisplayMode, DeckLinkDetectedVideoInputFormatFlags detectedSignalFlags)
        = 0;
    // One captured frame (borrowed for the call; AddRef to keep it). Either pointer may be null.
    virtual HRESULT VideoInputFrameArrived(IDeckLinkVideoInputFrame* videoFrame, IDeckLinkAudioInputPacket* audioPacket)
        = 0;
};

class IDeckLinkInput : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0xB9, 0xD9, 0x9E, 0x28, 0xE7, 0x28, 0x47, 0xE7, 0xAC, 0xAA, 0x94, 0xAE, 0xE9,
        0x0B, 0xF4, 0x90 } };

    // Installs the callback (adding a reference) and releases the one installed before; null
    // removes it.
    virtual HRESULT SetCallback(IDeckLinkInputCallback* callback) = 0;
    // kDeckLinkVideoInputEnableFormatDetection asks for VideoInputFormatChanged calls; with it the
    // mode may be kDeckLinkModeUnknown. E_ACCESSDENIED when another client holds the input.
    virtual HRESULT EnableVideoInput(
        DeckLinkDisplayMode displayMode, DeckLinkPixelFormat pixelFormat, DeckLinkVideoInputFlags flags)
        = 0;
    virtual HRESULT DisableVideoInput() = 0;
    virtual HRESULT StartStreams() = 0;
    // Returns once no callback of this input runs any more (or at once when called from one).
    virtual HRESULT StopStreams() = 0;
};

// ---------------------------------------------------------------------------------------------
// Output

// Implemented by the station; called on the driver's playback thread.
class IDeckLinkVideoOutputCallback : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0x9E, 0x8E, 0xD8, 0xDB, 0xE3, 0xF4, 0x4E, 0x33, 0xB4, 0xBF, 0xF6, 0xF6, 0x0C,
        0x03, 0xB9, 0xFA } };

    // A scheduled frame left the card; `completedFrame` is the pointer that was scheduled.
    virtual HRESULT ScheduledFrameCompleted(
        IDeckLinkVideoFrame* completedFrame, DeckLinkOutputFrameCompletionResult result)
        = 0;
    virtual HRESULT ScheduledPlaybackHasStopped() = 0;
};

class IDeckLinkOutput : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0xB4, 0x96, 0x1C, 0xFA, 0x41, 0x3D, 0x49, 0xD0, 0x82, 0xB8, 0xBA, 0x54, 0x86,
        0xA4, 0x70, 0x06 } };

    virtual HRESULT GetDisplayModeIterator(IDeckLinkDisplayModeIterator** iterator) = 0;
    // `actualMode` (optional) receives the mode the card would really play, kDeckLinkModeUnknown
    // when it plays the requested one unchanged.
    virtual HRESULT DoesSupportVideoMode(DeckLinkVideoConnection connection, DeckLinkDisplayMode requestedMode,
        DeckLinkPixelFormat requestedPixelFormat, DeckLinkVideoOutputConversionMode conversionMode,
        DeckLinkSupportedVideoModeFlags flags, DeckLinkDisplayMode* actualMode, bool* supported)
        = 0;
    virtual HRESULT EnableVideoOutput(DeckLinkDisplayMode displayMode, DeckLinkVideoOutputFlags flags) = 0;
    virtual HRESULT DisableVideoOutput() = 0;

    // A new frame with driver-owned, zero-filled bytes.
    virtual HRESULT CreateVideoFrame(std::int32_t width, std::int32_t height, std::int32_t rowBytes,
        DeckLinkPixelFormat pixelFormat, DeckLinkFrameFlags flags, IDeckLinkMutableVideoFrame** outFrame)
        = 0;
    // A new frame over the caller's buffer (the frame adds a reference to it).
    virtual HRESULT CreateVideoFrameWithBuffer(std::int32_t width, std::int32_t height, std::int32_t rowBytes,
        DeckLinkPixelFormat pixelFormat, DeckLinkFrameFlags flags, IDeckLinkVideoBuffer* buffer,
        IDeckLinkMutableVideoFrame** outFrame)
        = 0;
    virtual HRESULT RowBytesForPixelFormat(DeckLinkPixelFormat pixelFormat, std::int32_t width, std::int32_t* rowBytes)
        = 0;

    virtual HRESULT DisplayVideoFrameSync(IDeckLinkVideoFrame* frame) = 0;
    // The output keeps its own reference to a scheduled frame until ScheduledFrameCompleted.
    virtual HRESULT ScheduleVideoFrame(IDeckLinkVideoFrame* frame, DeckLinkTimeValue displayTime,
        DeckLinkTimeValue displayDuration, DeckLinkTimeScale timeScale)
        = 0;
    virtual HRESULT SetScheduledFrameCompletionCallback(IDeckLinkVideoOutputCallback* callback) = 0;
    virtual HRESULT GetBufferedVideoFrameCount(std::uint32_t* bufferedFrameCount) = 0;
    virtual HRESULT StartScheduledPlayback(
        DeckLinkTimeValue playbackStartTime, DeckLinkTimeScale timeScale, double playbackSpeed)
        = 0;
    virtual HRESULT StopScheduledPlayback(
        DeckLinkTimeValue stopPlaybackAtTime, DeckLinkTimeValue* actualStopTime, DeckLinkTimeScale timeScale)
        = 0;
    virtual HRESULT GetScheduledStreamTime(
        DeckLinkTimeScale desiredTimeScale, DeckLinkTimeValue* streamTime, double* playbackSpeed)
        = 0;
};

// A platform pixel buffer lent to IDeckLinkMacOutput: the bytes stay valid from retain(owner) until
// the matching release(owner), which the wrapping frame calls when it is destroyed.
struct DeckLinkPixelBufferRef {
    const void* bytes;
    std::int32_t width;
    std::int32_t height;
    std::int32_t rowBytes;
    DeckLinkPixelFormat pixelFormat;
    void* owner;
    void (*retain)(void* owner);
    void (*release)(void* owner);
};

// Optional companion of IDeckLinkOutput (QueryInterface on the output): wraps a platform pixel
// buffer as an output frame without copying it.
class IDeckLinkMacOutput : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0xBE, 0x66, 0x3D, 0x7B, 0xA3, 0xAB, 0x4A, 0xBE, 0xA6, 0x32, 0xA5, 0x97, 0xCB,
        0x64, 0x03, 0xC2 } };

    virtual HRESULT CreateVideoFrameFromPixelBuffer(
        const DeckLinkPixelBufferRef* pixelBuffer, IDeckLinkVideoFrame** outFrame)
        = 0;
};

// ---------------------------------------------------------------------------------------------
// Conversion

class IDeckLinkVideoConversion : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0x2C, 0x46, 0x24, 0x28, 0x2B, 0xB8, 0x44, 0xEB, 0x85, 0xFD, 0x47, 0xD7, 0x87,
        0x44, 0x92, 0x6B } };

    // Converts `srcFrame` into the existing `dstFrame` (same size; typically BGRA into a 10-bit
    // output frame).
    virtual HRESULT ConvertFrame(IDeckLinkVideoFrame* srcFrame, IDeckLinkVideoFrame* dstFrame) = 0;
    // Converts `srcFrame` into a new frame of `dstPixelFormat`. `dstColorspace` of
    // kDeckLinkColorspaceUnspecified keeps the source's colour space. With `dstBuffer` the new
    // frame's bytes are written into that buffer (the frame adds a reference); null lets the
    // converter allocate them.
    virtual HRESULT ConvertNewFrame(IDeckLinkVideoFrame* srcFrame, DeckLinkPixelFormat dstPixelFormat,
        DeckLinkColorspace dstColorspace, IDeckLinkVideoBuffer* dstBuffer, IDeckLinkVideoFrame** dstFrame)
        = 0;
};

// ---------------------------------------------------------------------------------------------
// Status, attributes, configuration (a failed read means "absent")

class IDeckLinkStatus : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0xD2, 0x5E, 0x24, 0x58, 0x36, 0xE7, 0x40, 0x72, 0xA3, 0x9C, 0x3F, 0xB6, 0x53,
        0x80, 0x71, 0xB4 } };

    virtual HRESULT GetFlag(DeckLinkStatusID id, bool* value) = 0;
    virtual HRESULT GetInt(DeckLinkStatusID id, std::int64_t* value) = 0;
    virtual HRESULT GetFloat(DeckLinkStatusID id, double* value) = 0;
    // With a null buffer, *bufferSize receives the item's size. Otherwise at most *bufferSize
    // bytes are copied and *bufferSize receives the number copied.
    virtual HRESULT GetBytes(DeckLinkStatusID id, void* buffer, std::uint32_t* bufferSize) = 0;
};

class IDeckLinkAttributes : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0x2D, 0x84, 0x5D, 0xC1, 0xD3, 0xDD, 0x43, 0xA4, 0x9B, 0xEB, 0x21, 0xA4, 0x7A,
        0xDA, 0xC7, 0x78 } };

    virtual HRESULT GetFlag(DeckLinkAttributeID id, bool* value) = 0;
    virtual HRESULT GetInt(DeckLinkAttributeID id, std::int64_t* value) = 0;
    virtual HRESULT GetFloat(DeckLinkAttributeID id, double* value) = 0;
};

class IDeckLinkConfiguration : public IUnknown {
public:
    static constexpr DeckLinkIID kIID { { 0x4B, 0x0A, 0x15, 0xFF, 0xF0, 0x5A, 0x41, 0x28, 0xA7, 0x57, 0xC5, 0x6C, 0x9A,
        0xC0, 0x47, 0x9C } };

    virtual HRESULT GetInt(DeckLinkConfigurationID id, std::int64_t* value) = 0;
    virtual HRESULT GetFlag(DeckLinkConfigurationID id, bool* value) = 0;
    virtual HRESULT SetInt(DeckLinkConfigurationID id, std::int64_t value) = 0;
    virtual HRESULT SetFlag(DeckLinkConfigurationID id, bool value) = 0;
};

// ---------------------------------------------------------------------------------------------
// Identifiers under the names the station's log lines use ("QueryInterface(IID_IDeckLinkOutput)")

inline constexpr const DeckLinkIID& IID_IUnknown = IUnknown::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkIterator = IDeckLinkIterator::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLink = IDeckLink::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkDisplayMode = IDeckLinkDisplayMode::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkDisplayModeIterator = IDeckLinkDisplayModeIterator::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkVideoBuffer = IDeckLinkVideoBuffer::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkVideoFrame = IDeckLinkVideoFrame::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkMutableVideoFrame = IDeckLinkMutableVideoFrame::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkVideoInputFrame = IDeckLinkVideoInputFrame::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkAudioInputPacket = IDeckLinkAudioInputPacket::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkVideoFrameMetadataExtensions
    = IDeckLinkVideoFrameMetadataExtensions::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkVideoFrameMutableMetadataExtensions
    = IDeckLinkVideoFrameMutableMetadataExtensions::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkInputCallback = IDeckLinkInputCallback::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkInput = IDeckLinkInput::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkVideoOutputCallback = IDeckLinkVideoOutputCallback::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkOutput = IDeckLinkOutput::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkMacOutput = IDeckLinkMacOutput::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkVideoConversion = IDeckLinkVideoConversion::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkStatus = IDeckLinkStatus::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkAttributes = IDeckLinkAttributes::kIID;
inline constexpr const DeckLinkIID& IID_IDeckLinkConfiguration = IDeckLinkConfiguration::kIID;

// ---------------------------------------------------------------------------------------------
// What a card driver library exports (C linkage)

extern "C" {
using CorvaleDeckLinkABIVersionFunc = std::uint32_t (*)();
using CreateDeckLinkIteratorInstanceFunc = IDeckLinkIterator* (*)();
using CreateVideoConversionInstanceFunc = IDeckLinkVideoConversion* (*)();
}
