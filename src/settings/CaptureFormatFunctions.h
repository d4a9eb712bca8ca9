#pragma once

// Pure format functions of the capture engine: they turn between a CaptureFormat, a card mode code
// and a measured frame (size, rate, scan), snap measured rates to nominal ones, read a frame's
// field layout, shorten colour tag names and blend the fields of an interlaced frame. None of them
// keeps state; all may be called from any thread.

#include "settings/CaptureFormat.h"
#include "settings/ProjectScanMode.h"

#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace settings {

// The card mode code of a measured frame. A rate of 0.1 or less counts as unknown; a rate matches
// a nominal one within 0.6 (nearest wins, the earlier listed on a tie). None when the size, or the
// rate at that size, has no mode.
std::optional<std::int32_t> modeCodeFor(int width, int height, double fps, std::optional<ProjectScanMode> scanMode);

// Frame rate and frame size of a mode code 0...28; none for any other code (including -1).
std::optional<double> fpsForModeCode(std::int32_t modeCode);
std::optional<QSize> sizeForModeCode(std::int32_t modeCode);

// The output cadence rate: the nearest nominal rate when within 2.5, else the rate clamped to 24...60.
double normalizedOutputFPS(double fps);
// For diagnostics: the nearest nominal rate when within 0.25, else the rate unchanged.
double normalizedCadenceRate(double fps);

// A short name for a primaries, transfer or matrix name: "Rec.709", "Rec.2020", "P3", "PQ", "HLG",
// "Rec.601", or "-" for nothing known.
QString compactColorTag(const QString& name);

// Field dominance reported by the card input ('prog', 'psf ', 'uppr', 'lowr'); none for anything
// else, including 0 (unknown).
std::optional<ProjectScanMode> projectScanMode(std::int64_t deckLinkField);

} // namespace settings
