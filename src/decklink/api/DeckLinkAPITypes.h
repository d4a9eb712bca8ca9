#pragma once

// Scalar types, result codes, interface identifiers and four-character constants of our capture
// card interface. The card driver is a separate shared library built with the same compiler and
// these same headers; the loader refuses a library that does not announce
// kCorvaleDeckLinkABIVersion.
//
// Four-character codes are written as multi-character literals ('Hp50'): the first character is
// the most significant byte. Targets that include this header compile with -Wno-multichar.

#include <cstdint>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// Results and reference counts

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x80000002u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80000003u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80000004u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80000005u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80000008u);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80000009u);

inline constexpr bool SUCCEEDED(HRESULT result)
{
    return result >= 0;
}
inline constexpr bool FAILED(HRESULT result)
{
    return result < 0;
}

// ---------------------------------------------------------------------------------------------
// Interface identifiers (ours; 16 bytes each)

struct DeckLinkIID {
    std::uint8_t bytes[16];
    friend bool operator==(const DeckLinkIID& a, const DeckLinkIID& b)
    {
        return std::memcmp(a.bytes, b.bytes, sizeof a.bytes) == 0;
    }
};
using REFIID = const DeckLinkIID&;

// The version of this interface that both sides were built from. Raise it whenever any interface,
// method order or signature, or the meaning of a constant changes.
inline constexpr std::uint32_t kCorvaleDeckLinkABIVersion = 1;

// Symbols a card driver library exports with C linkage.
inline constexpr const char* kDeckLinkABIVersionSymbol = "CorvaleDeckLinkABIVersion";
inline constexpr const char* kDeckLinkIteratorFactorySymbol = "CreateDeckLinkIteratorInstance_0004";
inline constexpr const char* kDeckLinkConversionFactorySymbol = "CreateVideoConversionInstance_0002";

// ---------------------------------------------------------------------------------------------
// Value types

using DeckLinkFourCC = std::uint32_t;
using DeckLinkDisplayMode = DeckLinkFourCC;
using DeckLinkPixelFormat = DeckLinkFourCC;
using DeckLinkColorspace = DeckLinkFourCC;
using DeckLinkFieldDominance = DeckLinkFourCC;
using DeckLinkStatusID = DeckLinkFourCC;
using DeckLinkAttributeID = DeckLinkFourCC;
using DeckLinkConfigurationID = DeckLinkFourCC;
using DeckLinkFrameMetadataID = DeckLinkFourCC;
using DeckLinkVideoOutputConversionMode = DeckLinkFourCC;
using DeckLinkVideoConnection = std::uint32_t; // bit mask
using DeckLinkVideoInputFlags = std::uint32_t; // bit mask
using DeckLinkVideoOutputFlags = std::uint32_t; // bit mask
using DeckLinkFrameFlags = std::uint32_t; // bit mask
using DeckLinkBufferAccessFlags = std::uint32_t; // bit mask
using DeckLinkSupportedVideoModeFlags = std::uint32_t; // bit mask
using DeckLinkVideoInputFormatChangedEvents = std::uint32_t; // bit mask
using DeckLinkDetectedVideoInputFormatFlags = std::uint32_t; // bit mask
using DeckLinkOutputFrameCompletionResult = std::uint32_t;
using DeckLinkTimeValue = std::int64_t;
using DeckLinkTimeScale = std::int64_t;

// ---------------------------------------------------------------------------------------------
// Display modes

inline constexpr DeckLinkDisplayMode kDeckLinkModeNTSC = 'ntsc'; // 720 x 486, 29.97 interlaced
inline constexpr DeckLinkDisplayMode kDeckLinkModePAL = 'pal '; // 720 x 576, 25 interlaced
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD720p50 = 'hp50';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD720p5994 = 'hp59';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD720p60 = 'hp60';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080p2398 = '23ps';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080p24 = '24ps';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080p25 = 'Hp25';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080p2997 = 'Hp29';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080p30 = 'Hp30';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080p4795 = 'Hp47';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080p48 = 'Hp48';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080p50 = 'Hp50';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080p5994 = 'Hp59';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080p6000 = 'Hp60';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080i50 = 'Hi50';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080i5994 = 'Hi59';
inline constexpr DeckLinkDisplayMode kDeckLinkModeHD1080i6000 = 'Hi60';
inline constexpr DeckLinkDisplayMode kDeckLinkMode4K2160p2398 = '4k23';
inline constexpr DeckLinkDisplayMode kDeckLinkMode4K2160p24 = '4k24';
inline constexpr DeckLinkDisplayMode kDeckLinkMode4K2160p25 = '4k25';
inline constexpr DeckLinkDisplayMode kDeckLinkMode4K2160p2997 = '4k29';
inline constexpr DeckLinkDisplayMode kDeckLinkMode4K2160p30 = '4k30';
inline constexpr DeckLinkDisplayMode kDeckLinkMode4K2160p50 = '4k50';
inline constexpr DeckLinkDisplayMode kDeckLinkMode4K2160p5994 = '4k59';
inline constexpr DeckLinkDisplayMode kDeckLinkMode4K2160p60 = '4k60';
// Not a mode: "whatever the card detects" when enabling an input with format detection.
inline constexpr DeckLinkDisplayMode kDeckLinkModeUnknown = 'iunk';

// ---------------------------------------------------------------------------------------------
// Pixel formats

inline constexpr DeckLinkPixelFormat kDeckLinkFormat8BitYUV = '2vuy'; // 4:2:2, Cb Y0 Cr Y1
inline constexpr DeckLinkPixelFormat kDeckLinkFormat8BitBGRA = 'BGRA'; // B, G, R, A in memory
inline constexpr DeckLinkPixelFormat kDeckLinkFormat10BitYUV = 'v210'; // 4:2:2, 6 pixels in 16 bytes
inline constexpr DeckLinkPixelFormat kDeckLinkFormat10BitRGB = 'r210'; // big-endian, 2 spare bits high
inline constexpr DeckLinkPixelFormat kDeckLinkFormat10BitRGBX = 'R10b'; // big-endian, 2 spare bits low
inline constexpr DeckLinkPixelFormat kDeckLinkFormat10BitRGBXLE = 'R10l'; // little-endian, 2 spare bits low

// ---------------------------------------------------------------------------------------------
// Colour spaces (conversion target, configuration 'vccs' / 'vccd', frame metadata 'cspc',
// detected colour space 'dscl')

inline constexpr DeckLinkColorspace kDeckLinkColorspaceUnspecified = 'Ncol';
inline constexpr DeckLinkColorspace kDeckLinkColorspaceRec601 = 'r601';
inline constexpr DeckLinkColorspace kDeckLinkColorspaceRec709 = 'r709';
inline constexpr DeckLinkColorspace kDeckLinkColorspaceRec2020 = '2020';
inline constexpr DeckLinkColorspace kDeckLinkColorspaceP3D65 = 'P3D6';

// Electro-optical transfer functions as CTA-861 numbers them (frame metadata 'eotf').
inline constexpr std::int64_t kDeckLinkEOTFSDR = 0;
inline constexpr std::int64_t kDeckLinkEOTFHDRTraditional = 1;
inline constexpr std::int64_t kDeckLinkEOTFPQ = 2;
inline constexpr std::int64_t kDeckLinkEOTFHLG = 3;

// ---------------------------------------------------------------------------------------------
// Field dominance (status 'dvfd')

inline constexpr DeckLinkFieldDominance kDeckLinkFieldDominanceUnknown = 0;
inline constexpr DeckLinkFieldDominance kDeckLinkLowerFieldFirst = 'lowr';
inline constexpr DeckLinkFieldDominance kDeckLinkUpperFieldFirst = 'uppr';
inline constexpr DeckLinkFieldDominance kDeckLinkProgressiveFrame = 'prog';
inline constexpr DeckLinkFieldDominance kDeckLinkProgressiveSegmentedFrame = 'psf ';

// ---------------------------------------------------------------------------------------------
// Input

inline constexpr DeckLinkVideoInputFlags kDeckLinkVideoInputFlagDefault = 0;
inline constexpr DeckLinkVideoInputFlags kDeckLinkVideoInputEnableFormatDetection = 1;

// Events of VideoInputFormatChanged.
inline constexpr DeckLinkVideoInputFormatChangedEvents kDeckLinkVideoInputDisplayModeChanged = 1u << 0;
inline constexpr DeckLinkVideoInputFormatChangedEvents kDeckLinkVideoInputFieldDominanceChanged = 1u << 1;
inline constexpr DeckLinkVideoInputFormatChangedEvents kDeckLinkVideoInputColorspaceChanged = 1u << 2;

// Detected signal flags (VideoInputFormatChanged, status 'dvff').
inline constexpr DeckLinkDetectedVideoInputFormatFlags kDeckLinkDetectedVideoInputYCbCr422 = 1u << 0;
inline constexpr DeckLinkDetectedVideoInputFormatFlags kDeckLinkDetectedVideoInputRGB444 = 1u << 1;
inline constexpr DeckLinkDetectedVideoInputFormatFlags kDeckLinkDetectedVideoInput8BitDepth = 1u << 2;
inline constexpr DeckLinkDetectedVideoInputFormatFlags kDeckLinkDetectedVideoInput10BitDepth = 1u << 3;
inline constexpr DeckLinkDetectedVideoInputFormatFlags kDeckLinkDetectedVideoInput12BitDepth = 1u << 4;

// ---------------------------------------------------------------------------------------------
// Frames and buffers

inline constexpr DeckLinkFrameFlags kDeckLinkFrameFlagDefault = 0;
inline constexpr DeckLinkFrameFlags kDeckLinkFrameContainsHDRMetadata = 1u << 1;

inline constexpr DeckLinkBufferAccessFlags kDeckLinkBufferAccessRead = 1u << 0;
inline constexpr DeckLinkBufferAccessFlags kDeckLinkBufferAccessWrite = 1u << 1;
inline constexpr DeckLinkBufferAccessFlags kDeckLinkBufferAccessReadAndWrite = 3u;

// ---------------------------------------------------------------------------------------------
// Output

inline constexpr DeckLinkVideoOutputFlags kDeckLinkVideoOutputFlagDefault = 0;
inline constexpr DeckLinkSupportedVideoModeFlags kDeckLinkSupportedVideoModeDefault = 0;
inline constexpr DeckLinkVideoOutputConversionMode kDeckLinkNoVideoOutputConversion = 'none';

inline constexpr DeckLinkOutputFrameCompletionResult kDeckLinkOutputFrameCompleted = 0;
inline constexpr DeckLinkOutputFrameCompletionResult kDeckLinkOutputFrameDisplayedLate = 1;
inline constexpr DeckLinkOutputFrameCompletionResult kDeckLinkOutputFrameDropped = 2;
inline constexpr DeckLinkOutputFrameCompletionResult kDeckLinkOutputFrameFlushed = 3;

// Video connections (bit mask; attribute and configuration 'vocn').
inline constexpr DeckLinkVideoConnection kDeckLinkVideoConnectionUnspecified = 0;
inline constexpr DeckLinkVideoConnection kDeckLinkVideoConnectionSDI = 1u << 0;
inline constexpr DeckLinkVideoConnection kDeckLinkVideoConnectionHDMI = 1u << 1;
inline constexpr DeckLinkVideoConnection kDeckLinkVideoConnectionOpticalSDI = 1u << 2;
inline constexpr DeckLinkVideoConnection kDeckLinkVideoConnectionComponent = 1u << 3;
inline constexpr DeckLinkVideoConnection kDeckLinkVideoConnectionComposite = 1u << 4;
inline constexpr DeckLinkVideoConnection kDeckLinkVideoConnectionSVideo = 1u << 5;

// Dynamic ranges a device supports (attribute 'sudr'); 0 means SDR only.
inline constexpr std::int64_t kDeckLinkDynamicRangeSDR = 0;
inline constexpr std::int64_t kDeckLinkDynamicRangeHDRStaticPQ = std::int64_t(1) << 29;
inline constexpr std::int64_t kDeckLinkDynamicRangeHDRStaticHLG = std::int64_t(1) << 30;

// HDMI output format flags (status 'hiaf').
inline constexpr std::int64_t kDeckLinkHDMIFormatRGB444 = 1 << 0;
inline constexpr std::int64_t kDeckLinkHDMIFormatYCbCr444 = 1 << 1;
inline constexpr std::int64_t kDeckLinkHDMIFormatYCbCr422 = 1 << 2;
inline constexpr std::int64_t kDeckLinkHDMIFormatYCbCr420 = 1 << 3;
inline constexpr std::int64_t kDeckLinkHDMIFormat8Bit = 1 << 4;
inline constexpr std::int64_t kDeckLinkHDMIFormat10Bit = 1 << 5;
inline constexpr std::int64_t kDeckLinkHDMIFormat12Bit = 1 << 6;

// ---------------------------------------------------------------------------------------------
// Status items (IDeckLinkStatus)

inline constexpr DeckLinkStatusID kDeckLinkStatusVideoInputSignalLocked = 'visl'; // flag
inline constexpr DeckLinkStatusID kDeckLinkStatusReferenceSignalLocked = 'refl'; // flag
inline constexpr DeckLinkStatusID kDeckLinkStatusDetectedVideoInputMode = 'dvim'; // int: display mode
inline constexpr DeckLinkStatusID kDeckLinkStatusDetectedVideoInputFieldDominance = 'dvfd'; // int
inline constexpr DeckLinkStatusID kDeckLinkStatusDetectedVideoInputColorspace = 'dscl'; // int: colour space
inline constexpr DeckLinkStatusID kDeckLinkStatusDetectedVideoInputFormatFlags = 'dvff'; // int: flags
inline constexpr DeckLinkStatusID kDeckLinkStatusHDMIOutputActualMode = 'hiam'; // int: display mode
inline constexpr DeckLinkStatusID kDeckLinkStatusHDMIOutputActualFormatFlags = 'hiaf'; // int: HDMI format flags
inline constexpr DeckLinkStatusID kDeckLinkStatusLastVideoOutputPixelFormat = 'opix'; // int: pixel format
inline constexpr DeckLinkStatusID kDeckLinkStatusCurrentVideoOutputFlags = 'cvof'; // int: output flags
inline constexpr DeckLinkStatusID kDeckLinkStatusSinkEDID = 'edid'; // bytes

// ---------------------------------------------------------------------------------------------
// Attributes (IDeckLinkAttributes)

inline constexpr DeckLinkAttributeID kDeckLinkAttributeVideoOutputConnections = 'vocn'; // int: connection mask
inline constexpr DeckLinkAttributeID kDeckLinkAttributeSupportsHDRMetadata = 'hdrm'; // flag
inline constexpr DeckLinkAttributeID kDeckLinkAttributeSupportedDynamicRange = 'sudr'; // int: dynamic ranges

// ---------------------------------------------------------------------------------------------
// Configuration items (IDeckLinkConfiguration)

inline constexpr DeckLinkConfigurationID kDeckLinkConfigVideoOutputConnection = 'vocn'; // int: connection
inline constexpr DeckLinkConfigurationID kDeckLinkConfigVideoOutputConversionMode = 'vocm'; // int: conversion
inline constexpr DeckLinkConfigurationID kDeckLinkConfigOutput1080pAsPsF = 'pfpr'; // flag
inline constexpr DeckLinkConfigurationID kDeckLinkConfigVideoOutputSourceColorspace = 'vccs'; // int: colour space
inline constexpr DeckLinkConfigurationID kDeckLinkConfigVideoOutputDestColorspace = 'vccd'; // int: colour space
inline constexpr DeckLinkConfigurationID kDeckLinkConfigRec2020Output = 'rec2'; // flag

// ---------------------------------------------------------------------------------------------
// Frame metadata items (IDeckLinkVideoFrameMetadataExtensions)

inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataColorspace = 'cspc'; // int
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDREOTF = 'eotf'; // int
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRDisplayPrimariesRedX = 'hdrx'; // float
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRDisplayPrimariesRedY = 'hdry'; // float
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRDisplayPrimariesGreenX = 'hdgx'; // float
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRDisplayPrimariesGreenY = 'hdgy'; // float
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRDisplayPrimariesBlueX = 'hdbx'; // float
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRDisplayPrimariesBlueY = 'hdby'; // float
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRWhitePointX = 'hdwx'; // float
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRWhitePointY = 'hdwy'; // float
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRMaxDisplayMasteringLuminance = 'hdml'; // float
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRMinDisplayMasteringLuminance = 'hmil'; // float
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRMaximumContentLightLevel = 'mcll'; // float
inline constexpr DeckLinkFrameMetadataID kDeckLinkFrameMetadataHDRMaximumFrameAverageLightLevel = 'fall'; // float
