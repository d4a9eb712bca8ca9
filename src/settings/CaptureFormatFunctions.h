#pragma once

// Pure format functions of the capture engine: they turn between a CaptureFormat, a card mode code
// and a measured frame (size, rate, scan), snap measured rates to nominal ones, read a frame's
// field layout, shorten colour tag names and blend the fields of an interlaced frame. None of them
// keeps state; all may be called from any thread.

#include "media/Frame.h"
#include "settings/CaptureFormat.h"
#include "settings/ProjectScanMode.h"

#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

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

// True when the frame carries two fields, or a field detail that is temporal (top or bottom field
// first in time).
bool isPixelBufferInterlaced(const media::Frame& frame);

// The field layout of each format description of a movie track, none where a description says
// nothing. Interlaced as soon as one says two fields or a temporal field order.
bool trackLooksInterlaced(const std::vector<std::optional<media::FieldInfo>>& formatDescriptions);

// A short name for a primaries, transfer or matrix name: "Rec.709", "Rec.2020", "P3", "PQ", "HLG",
// "Rec.601", or "-" for nothing known.
QString compactColorTag(const QString& name);

// Field dominance reported by the card input ('prog', 'psf ', 'uppr', 'lowr'); none for anything
// else, including 0 (unknown).
std::optional<ProjectScanMode> projectScanMode(std::int64_t deckLinkField);

// Line-blend deinterlace of a BGRA frame: even rows pass, each odd row becomes the mean of its
// neighbours (the last row of an even-height frame averages with itself). Colour tags and
// presentation time are kept; the result is progressive. A null frame for an empty frame or any
// other pixel format.
media::Frame deinterlacePixelBuffer(const media::Frame& source);

// Copies the colour tags the source carries (primaries, transfer, matrix: each one that is known)
// onto a copy of the destination, which shares its pixels; tags the source lacks stay as they
// were.
media::Frame copyColorAttachments(const media::Frame& from, const media::Frame& to);
