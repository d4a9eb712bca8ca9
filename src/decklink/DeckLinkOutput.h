#pragma once

// The program output on one capture card: opens the device at an index in the display mode of a
// capture-format mode code, chooses the video connection, the pixel format (8-bit BGRA for SDR, a
// 10-bit format for HDR) and the transport (scheduled playback or synchronous display), and turns
// every BGRA frame it is handed into a card frame with colour and HDR metadata.
//
// What one start creates (the card's interfaces, the transport, the HDR path, the lines logged
// once) lives in a session that stop() destroys whole; the colour settings live beside it and
// survive the stop each start begins with.
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
#include "platform/Result.h"

#include <QStringList>

#include <bitset>
#include <cstdint>
#include <memory>
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

    // Why a start failed. The output is stopped after each; only a missing driver or device leaves
    // the settings made before the start in place.
    enum class StartError {
        NoDriver,
        DeviceNotFound,
        NoOutputInterface,
        ModeUnsupported,
        ModeChangesFrameSize,
        NoTenBitFormat,
        NoVideoConversion,
        EnableFailed,
        SinkRejectsHDR,
    };
    using StartResult = platform::Result<void, StartError>;
    static const char* startErrorName(StartError error);

    // Opens and starts the output; success when frames can now be sent. Colour mode, forced HDR
    // and HDR metadata set before the call survive it. Every start begins with a full stop.
    StartResult startWithDeviceIndex(std::int32_t deviceIndex, std::int32_t modeCode);
    // Stops the card and drops everything the start made, including every frame still scheduled,
    // and resets the settings: colour mode 0, forced HDR off, default HDR metadata.
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
    bool isRunning() const { return _session->running; }
    std::int32_t instanceId() const { return _instanceId; }
    std::int32_t modeCode() const { return _session->modeCode; }
    DeckLinkDisplayMode displayMode() const { return _session->displayMode; }
    std::int32_t width() const { return _session->width; }
    std::int32_t height() const { return _session->height; }
    std::int32_t colorMode() const { return _colorMode; }
    bool forceHDR() const { return _forceHDR; }
    std::int32_t forcedHDRMode() const { return _forcedHDRMode; }
    double hdrMaxNits() const { return _hdrMaxNits; }
    double hdrMinNits() const { return _hdrMinNits; }
    double hdrMaxCLL() const { return _hdrMaxCLL; }
    double hdrMaxFALL() const { return _hdrMaxFALL; }
    DeckLinkVideoConnection outputConnection() const { return _session->outputConnection; }
    DeckLinkPixelFormat hdrPixelFormat() const { return _session->hdrPixelFormat; }
    std::int32_t hdrExpectedRowBytes() const { return _session->hdrExpectedRowBytes; }
    std::int32_t hdrFallbackAttempts() const { return _session->hdrFallbackAttempts; }
    bool usesScheduledPlayback() const { return _session->useScheduledPlayback; }
    bool scheduledPlaybackStarted() const { return _session->scheduledPlaybackStarted; }
    bool hasMacOutput() const { return static_cast<bool>(_session->macOutput); }
    // Frames scheduled and still owed a completion.
    std::size_t framesInFlight() const
    {
        return _session->outputCallback ? _session->outputCallback->outstandingFrameCount() : 0;
    }

private:
    // Lines a start logs once, however often their problem repeats.
    enum LoggedLine : std::size_t {
        LoggedHDRConvertFail,
        LoggedHDRConvertOK,
        LoggedHDRConverterMissing,
        LoggedHDRV210Unsupported,
        LoggedHDRMetadataUnsupported,
        LoggedHDRSupport,
        LoggedHDRMetadataSetFail,
        LoggedScheduleFail,
        LoggedScheduleDrop,
        LoggedMacWrapOK,
        LoggedMacWrapFail,
        LoggedCopyFail,
        LoggedSourceSizeMismatch,
        LoggedHDRInvalidFrameDetail,
        LoggedSourceFormatMismatch,
        LoggedLineCount
    };

    // DeckLinkOutput.cpp
    bool applyModeTiming(DeckLinkDisplayMode displayMode);
    StartResult failStart(StartError error, const char* line);

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

    // What one start creates and stop() destroys: the card's interfaces and transport, the mode,
    // the HDR path, the HDMI status last read, and the lines logged once per start. Destroying it
    // stops the card and gives back every frame still scheduled.
    struct Session {
        ~Session();

        ComPtr<IDeckLink> deckLink;
        ComPtr<IDeckLinkOutput> output;
        ComPtr<IDeckLinkMacOutput> macOutput;
        ComPtr<IDeckLinkVideoConversion> videoConversion;
        ComPtr<OutputScheduledCallback> outputCallback;
        bool running = false;
        std::int32_t modeCode = -1;
        DeckLinkDisplayMode displayMode = 0;
        std::int32_t width = 0;
        std::int32_t height = 0;
        DeckLinkVideoConnection outputConnection = 0;

        // Transport
        bool useScheduledPlayback = false;
        bool scheduledPlaybackStarted = false;
        std::uint32_t scheduledPrerollCount = 0;
        std::int64_t frameDuration = 0;
        std::int64_t timeScale = 0;
        std::int64_t nextFrameTime = 0;

        // HDR path
        bool hdrV210Supported = false;
        bool hdrR10lSupported = false;
        bool hdrR10bSupported = false;
        bool hdrR210Supported = false;
        DeckLinkPixelFormat hdrPixelFormat = kDeckLinkFormat8BitBGRA;
        std::int32_t hdrExpectedRowBytes = 0;
        std::int32_t hdrFallbackAttempts = 0;
        // A running output switched to HDR: whether its 10-bit path was prepared since, and why HDR
        // cannot be honoured (empty when it can). Frames then go out as SDR.
        bool hdrPreparedWhileRunning = false;
        std::string hdrUnavailableReason;

        // HDMI status and sink capabilities last read
        std::int32_t lastLoggedColorMode = -1;
        bool lastLoggedIsHDR = false;
        bool lastHDMIStatusValid = false;
        std::int64_t lastHDMIMode = 0;
        std::int64_t lastHDMIFormatFlags = 0;
        std::int64_t lastHDMILastPix = 0;
        std::int64_t lastHDMIOutFlags = 0;
        bool lastSinkHDRValid = false;
        bool lastSinkHasStaticHDRBlock = false;
        bool lastSinkSupportsPQ = false;
        bool lastSinkSupportsHLG = false;

        std::bitset<LoggedLineCount> logged;
    };

    // Settings kept across starts until stop().
    std::int32_t _colorMode = 0;
    double _hdrMaxNits = 0;
    double _hdrMinNits = 0;
    double _hdrMaxCLL = 0;
    double _hdrMaxFALL = 0;
    bool _forceHDR = false;
    std::int32_t _forcedHDRMode = 0;
    const std::int32_t _instanceId;
    std::unique_ptr<Session> _session = std::make_unique<Session>();
};

} // namespace decklink
