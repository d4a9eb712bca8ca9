#pragma once

// The video formats the station names: "auto" (detect the incoming format) and 29 SD, HD and UHD
// modes. The case order is the order of every picker, and a format's mode code (the number the
// card bridge takes and reports) is its position minus one, so "auto" is -1.

#include "settings/ProjectScanMode.h"
#include "settings/StringEnum.h"

#include <cstdint>

namespace settings {

enum class CaptureFormat {
    auto_,
    sd525i5994,
    sd625i50,
    hd720p50,
    hd720p5994,
    hd720p60,
    hd1080p2398,
    hd1080p24,
    hd1080p25,
    hd1080p2997,
    hd1080p30,
    hd1080p4795,
    hd1080p48,
    hd1080p50,
    hd1080p5994,
    hd1080p60,
    hd1080psf25,
    hd1080psf2997,
    hd1080psf30,
    hd1080i50,
    hd1080i5994,
    hd1080i60,
    uhd2160p2398,
    uhd2160p24,
    uhd2160p25,
    uhd2160p2997,
    uhd2160p30,
    uhd2160p50,
    uhd2160p5994,
    uhd2160p60,
};

template <> struct EnumTable<CaptureFormat> {
    static constexpr std::array<EnumCase<CaptureFormat>, 30> cases { {
        { CaptureFormat::auto_, "auto", "Auto (Format Detect)" },
        { CaptureFormat::sd525i5994, "sd525i5994", "SD 525i59.94 (NTSC)" },
        { CaptureFormat::sd625i50, "sd625i50", "SD 625i50 (PAL)" },
        { CaptureFormat::hd720p50, "hd720p50", "HD 720p50" },
        { CaptureFormat::hd720p5994, "hd720p5994", "HD 720p59.94" },
        { CaptureFormat::hd720p60, "hd720p60", "HD 720p60" },
        { CaptureFormat::hd1080p2398, "hd1080p2398", "HD 1080p23.98" },
        { CaptureFormat::hd1080p24, "hd1080p24", "HD 1080p24" },
        { CaptureFormat::hd1080p25, "hd1080p25", "HD 1080p25" },
        { CaptureFormat::hd1080p2997, "hd1080p2997", "HD 1080p29.97" },
        { CaptureFormat::hd1080p30, "hd1080p30", "HD 1080p30" },
        { CaptureFormat::hd1080p4795, "hd1080p4795", "HD 1080p47.95" },
        { CaptureFormat::hd1080p48, "hd1080p48", "HD 1080p48" },
        { CaptureFormat::hd1080p50, "hd1080p50", "HD 1080p50" },
        { CaptureFormat::hd1080p5994, "hd1080p5994", "HD 1080p59.94" },
        { CaptureFormat::hd1080p60, "hd1080p60", "HD 1080p60" },
        { CaptureFormat::hd1080psf25, "hd1080psf25", "HD 1080PsF25" },
        { CaptureFormat::hd1080psf2997, "hd1080psf2997", "HD 1080PsF29.97" },
        { CaptureFormat::hd1080psf30, "hd1080psf30", "HD 1080PsF30" },
        { CaptureFormat::hd1080i50, "hd1080i50", "HD 1080i50" },
        { CaptureFormat::hd1080i5994, "hd1080i5994", "HD 1080i59.94" },
        { CaptureFormat::hd1080i60, "hd1080i60", "HD 1080i60" },
        { CaptureFormat::uhd2160p2398, "uhd2160p2398", "UHD 2160p23.98" },
        { CaptureFormat::uhd2160p24, "uhd2160p24", "UHD 2160p24" },
        { CaptureFormat::uhd2160p25, "uhd2160p25", "UHD 2160p25" },
        { CaptureFormat::uhd2160p2997, "uhd2160p2997", "UHD 2160p29.97" },
        { CaptureFormat::uhd2160p30, "uhd2160p30", "UHD 2160p30" },
        { CaptureFormat::uhd2160p50, "uhd2160p50", "UHD 2160p50" },
        { CaptureFormat::uhd2160p5994, "uhd2160p5994", "UHD 2160p59.94" },
        { CaptureFormat::uhd2160p60, "uhd2160p60", "UHD 2160p60" },
    } };
    static_assert(enumTableIsDense(cases));
};

namespace capture_format_detail {

struct FormatInfo {
    double fpsValue; // frames (not fields) per second; 0 for auto
    int fps; // whole rate for timecode and recording: fractional rates round up, auto is 30
    ProjectScanMode scanMode;
};

inline constexpr std::array<FormatInfo, 30> kFormatInfo { {
    { 0.0, 30, ProjectScanMode::progressive }, // auto
    { 29.97, 30, ProjectScanMode::interlaced }, // sd525i5994
    { 25.0, 25, ProjectScanMode::interlaced }, // sd625i50
    { 50.0, 50, ProjectScanMode::progressive }, // hd720p50
    { 59.94, 60, ProjectScanMode::progressive }, // hd720p5994
    { 60.0, 60, ProjectScanMode::progressive }, // hd720p60
    { 23.98, 24, ProjectScanMode::progressive }, // hd1080p2398
    { 24.0, 24, ProjectScanMode::progressive }, // hd1080p24
    { 25.0, 25, ProjectScanMode::progressive }, // hd1080p25
    { 29.97, 30, ProjectScanMode::progressive }, // hd1080p2997
    { 30.0, 30, ProjectScanMode::progressive }, // hd1080p30
    { 47.95, 48, ProjectScanMode::progressive }, // hd1080p4795
    { 48.0, 48, ProjectScanMode::progressive }, // hd1080p48
    { 50.0, 50, ProjectScanMode::progressive }, // hd1080p50
    { 59.94, 60, ProjectScanMode::progressive }, // hd1080p5994
    { 60.0, 60, ProjectScanMode::progressive }, // hd1080p60
    { 25.0, 25, ProjectScanMode::psf }, // hd1080psf25
    { 29.97, 30, ProjectScanMode::psf }, // hd1080psf2997
    { 30.0, 30, ProjectScanMode::psf }, // hd1080psf30
    { 25.0, 25, ProjectScanMode::interlaced }, // hd1080i50
    { 29.97, 30, ProjectScanMode::interlaced }, // hd1080i5994
    { 30.0, 30, ProjectScanMode::interlaced }, // hd1080i60
    { 23.98, 24, ProjectScanMode::progressive }, // uhd2160p2398
    { 24.0, 24, ProjectScanMode::progressive }, // uhd2160p24
    { 25.0, 25, ProjectScanMode::progressive }, // uhd2160p25
    { 29.97, 30, ProjectScanMode::progressive }, // uhd2160p2997
    { 30.0, 30, ProjectScanMode::progressive }, // uhd2160p30
    { 50.0, 50, ProjectScanMode::progressive }, // uhd2160p50
    { 59.94, 60, ProjectScanMode::progressive }, // uhd2160p5994
    { 60.0, 60, ProjectScanMode::progressive }, // uhd2160p60
} };

} // namespace capture_format_detail

constexpr double fpsValue(CaptureFormat format)
{
    return capture_format_detail::kFormatInfo[static_cast<std::size_t>(format)].fpsValue;
}

constexpr int fps(CaptureFormat format)
{
    return capture_format_detail::kFormatInfo[static_cast<std::size_t>(format)].fps;
}

constexpr ProjectScanMode scanMode(CaptureFormat format)
{
    return capture_format_detail::kFormatInfo[static_cast<std::size_t>(format)].scanMode;
}

constexpr std::int32_t modeCode(CaptureFormat format)
{
    return static_cast<std::int32_t>(format) - 1;
}

} // namespace settings
