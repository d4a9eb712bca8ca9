#pragma once

// How the performance widget writes and colours its figures. Texts never follow the locale: the
// figures read the same on every station.

#include "ui/AppTheme.h"

#include <QString>

#include <cstdint>

namespace record_screen {

// 1024-based: below 1 GiB in MB with at most one decimal, else in GB with at most two, never in
// larger units; no trailing zeros ("0 MB", "512 MB", "1.5 GB", "3725.29 GB").
QString formatBytesMBGB(std::uint64_t bytes);

// The value rounded to a whole number and a percent sign ("42%").
QString formatPercent(double percent);

// Red at or above `critical`, orange at or above `warning`, else green.
ui::ThemeColor colorForPercent(double percent, double warning, double critical);

} // namespace record_screen
