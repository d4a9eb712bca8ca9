#pragma once

// The program output on one capture card: opens the device at an index in the display mode of a
// capture-format mode code, chooses the video connection, the pixel format (8-bit BGRA for SDR, a
// 10-bit format for HDR) and the transport (scheduled playback or synchronous display), and turns
// every BGRA frame it is handed into a card frame with colour and HDR metadata.
//
// The capture engine owns one and calls every instance method from one serial queue; nothing here
// locks. Only the completion callback runs on the card's thread, and it touches nothing but frame
// references. deviceNames() runs on the main thread.
//
// The behaviour is split by concern: DeckLinkOutput.cpp (lifecycle: start, stop, mode timing),
// DeckLinkOutput_Frames.cpp (frame sending), DeckLinkOutput_Color.cpp (colour modes, HDR metadata,
// HDR pixel formats), DeckLinkOutput_HDMI.cpp (HDMI status, EDID, summary, sink check).

#include "decklink/DeckLinkOutputFormats.h"
#include "decklink/HDMISinkEDID.h"
#include "decklink/OutputScheduledCallback.h"
#include "decklink/api/ComPtr.h"

#include "media/frame/Frame.h"

#include <QStringList>

#include <cstdint>
#include <string>

namespace decklink {

class DeckLinkOutput {
public:
    // Takes the next instance number and logs it; no device is opened.
    DeckLinkOutput();
    ~DeckLinkOutput();
    DeckLinkOutput(const DeckLinkOutput&) = delete;
    DeckLinkOutput& operator=(const DeckLinkOutput&) = delete;

    // The display name of every device in iterator order (positions are device indexes).
    static QStringList deviceNames();

    // Opens and starts the output; true when frames can now be sent. Colour mode, forced HDR and
    // HDR metadata set before the call survive it. Every start begins with a full stop.
    bool startWithDeviceIndex(std::int32_t deviceIndex, std::int32_t modeCode);
    // Stops and releases everything, including every frame still scheduled, and resets all
    // per-start state: colour mode 0, forced HDR off, default HDR metadata.
    void stop();
    // Sends one 32-bit BGRA frame of exactly the mode's size. Every problem drops the frame and
    // logs a line (once per start for repeating problems).
    void displayPixelBuffer(const media::Frame& pixelBuffer);

    // Colour (DeckLinkOutput_Color.cpp)
    void setColorMode(std::int32_t mode);
    void setForceHDR(bool force);
    void setHDRMetadataMaxNits(double maxNits, double minNits, double maxCLL, double maxFALL);
    void applyColorModeIfPossible();
    bool switchToAlternateHDRPixelFormatIfPossible(const char* context);

    // HDMI (DeckLinkOutput_HDMI.cpp)
    std::string hdmiStatusSummary();
    void refreshHDMIOutputStatusIfPossible(bool log);
    void logHDMIOutputStatusIfPossible();
    bool validateHDMISinkHDRCompatibility();

    // Read-only views for the engine's diagnostics and for tests.
    bool isRunning() const { return _running; }
    std::int32_t instanceId() const { return _instanceId; }
    std::int32_t modeCode() const { return _modeCode; }
    DeckLinkDisplayMode displayMode() const { return _displayMode; }
    std::int32_t width() const { return _width; }
    std::int32_t height() const { return _height; }
    std::int32_t colorMode() const { return _colorMode; }
    bool forceHDR() const { return _forceHDR; }
    std::int32_t forcedHDRMode() const { return _forcedHDRMode; }
    double hdrMaxNits() const { return _hdrMaxNits; }
    double hdrMinNits() const { return _hdrMinNits; }
    double hdrMaxCLL() const { return _hdrMaxCLL; }
    double hdrMaxFALL() const { return _hdrMaxFALL; }
    DeckLinkVideoConnection outputConnection() const { return _outputConnection; }
    DeckLinkPixelFormat hdrPixelFormat() const { return _hdrPixelFormat; }
    std::int32_t hdrExpectedRowBytes() const { return _hdrExpectedRowBytes; }
    std::int32_t hdrFallbackAttempts() const { return _hdrFallbackAttempts; }
    bool usesScheduledPlayback() const { return _useScheduledPlayback; }
    bool scheduledPlaybackStarted() const { return _scheduledPlaybackStarted; }
    bool hasMacOutput() const { return static_cast<bool>(_macOutput); }
    // Frames scheduled and still owed a completion.
    std::size_t framesInFlight() const { return _outputCallback ? _outputCallback->outstandingFrameCount() : 0; }

private:
    // DeckLinkOutput.cpp
    bool applyModeTiming(DeckLinkDisplayMode displayMode);
    bool failStart(const char* line);

    // DeckLinkOutput_Color.cpp
    // The colour mode frames use now (forced HDR applied).
    void applyForcedHDRToColorMode(bool log);
    // Asks the device which 10-bit formats it plays in this mode; chooses the first.
    void selectHDRPixelFormat();
    void storeHDRRowBytes(bool logResult);
    // A running output turned to HDR: prepares the 10-bit path, or notes why it cannot.
    void prepareHDRWhileRunning();

    // DeckLinkOutput_Frames.cpp
    void diagnoseFrame(IDeckLinkVideoFrame* frame, const char* context);
    void submitScheduled(IDeckLinkVideoFrame* frame, bool isHDR);
    void submitSync(IDeckLinkVideoFrame* frame, bool isHDR);
    // Writes the colour and HDR items; false when a write failed.
    bool writeFrameMetadata(IDeckLinkVideoFrame* frame, std::int32_t colorMode, bool isHDR);

    ComPtr<IDeckLink> _deckLink;
    ComPtr<IDeckLinkOutput> _output;
    ComPtr<IDeckLinkMacOutput> _macOutput;
    ComPtr<IDeckLinkVideoConversion> _videoConversion;
    ComPtr<OutputScheduledCallback> _outputCallback;
    std::int32_t _modeCode = -1;
    DeckLinkDisplayMode _displayMode = 0;
    std::int32_t _width = 0;
    std::int32_t _height = 0;
    DeckLinkVideoConnection _outputConnection = 0;
    std::int32_t _colorMode = 0;
    double _hdrMaxNits = 0;
    double _hdrMinNits = 0;
    double _hdrMaxCLL = 0;
    double _hdrMaxFALL = 0;
    bool _running = false;
    bool _forceHDR = false;
    std::int32_t _forcedHDRMode = 0;
    bool _loggedHDRConvertFail = false;
    bool _loggedHDRConvertOK = false;
    bool _loggedHDRConverterMissing = false;
    bool _loggedHDRV210Unsupported = false;
    bool _loggedHDRMetadataUnsupported = false;
    bool _loggedHDRSupport = false;
    bool _loggedHDRMetadataSetFail = false;
    bool _hdrV210Supported = false;
    bool _hdrR10lSupported = false;
    bool _hdrR10bSupported = false;
    bool _hdrR210Supported = false;
    DeckLinkPixelFormat _hdrPixelFormat = kDeckLinkFormat8BitBGRA;
    std::int32_t _hdrExpectedRowBytes = 0;
    std::int32_t _hdrFallbackAttempts = 0;
    bool _useScheduledPlayback = false;
    bool _scheduledPlaybackStarted = false;
    bool _loggedScheduleFail = false;
    bool _loggedScheduleDrop = false;
    std::uint32_t _scheduledPrerollCount = 0;
    std::int64_t _frameDuration = 0;
    std::int64_t _timeScale = 0;
    std::int64_t _nextFrameTime = 0;
    const std::int32_t _instanceId;
    std::int32_t _lastLoggedColorMode = -1;
    bool _lastLoggedIsHDR = false;
    bool _lastHDMIStatusValid = false;
    std::int64_t _lastHDMIMode = 0;
    std::int64_t _lastHDMIFormatFlags = 0;
    std::int64_t _lastHDMILastPix = 0;
    std::int64_t _lastHDMIOutFlags = 0;
    bool _lastSinkHDRValid = false;
    bool _lastSinkHasStaticHDRBlock = false;
    bool _lastSinkSupportsPQ = false;
    bool _lastSinkSupportsHLG = false;
    bool _loggedMacWrapOK = false;
    bool _loggedMacWrapFail = false;
    bool _loggedCopyFail = false;
    bool _loggedSourceSizeMismatch = false;
    bool _loggedHDRInvalidFrameDetail = false;

    // A running output switched to HDR: whether its 10-bit path was prepared since, and why HDR
    // cannot be honoured (empty when it can). Frames then go out as SDR.
    bool _hdrPreparedWhileRunning = false;
    std::string _hdrUnavailableReason;
    bool _loggedSourceFormatMismatch = false;
};

} // namespace decklink
