#include "record_screen/PerformanceFigures.h"

#include <cmath>

namespace record_screen {

namespace {

QString withoutTrailingZeros(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

constexpr double mebibyte = 1024.0 * 1024.0;
constexpr double gibibyte = 1024.0 * mebibyte;

} // namespace

QString formatBytesMBGB(std::uint64_t bytes)
{
    const double megabytes = std::round(static_cast<double>(bytes) / mebibyte * 10.0) / 10.0;
    // A count just under 1 GiB that rounds up to 1024 MB is shown as the 1 GB it reads as.
    if (megabytes < 1024.0)
        return withoutTrailingZeros(megabytes, 1) + QStringLiteral(" MB");
    const double gigabytes = std::round(static_cast<double>(bytes) / gibibyte * 100.0) / 100.0;
    return withoutTrailingZeros(gigabytes, 2) + QStringLiteral(" GB");
}

QString formatPercent(double percent)
{
    return QString::asprintf("%.0f%%", percent);
}

ui::ThemeColor colorForPercent(double percent, double warning, double critical)
{
    if (percent >= critical)
        return ui::ColorRole::systemRed;
    if (percent >= warning)
        return ui::ColorRole::systemOrange;
    return ui::ColorRole::systemGreen;
}

} // namespace record_screen
