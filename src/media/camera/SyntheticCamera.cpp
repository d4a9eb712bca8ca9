#include "media/camera/SyntheticCamera.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <set>

namespace media {

namespace {

constexpr int kCounterBits = 24;
constexpr int kMaxCameras = 8;

std::mutex& unpluggedMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::set<std::string>& unplugged()
{
    static std::set<std::string> ids;
    return ids;
}

std::optional<int> parseInt(std::string_view text)
{
    if (text.empty() || text.size() > 6)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "25" -> 25/1, "29.97" -> 30000/1001, "12.5" -> 25/2.
std::optional<std::pair<int, int>> parseRate(std::string_view text)
{
    const auto dot = text.find('.');
    const auto whole = parseInt(text.substr(0, dot));
    if (!whole)
        return std::nullopt;
    int numerator = *whole;
    int denominator = 1;
    if (dot != std::string_view::npos) {
        const std::string_view fraction = text.substr(dot + 1);
        const auto digits = parseInt(fraction);
        if (!digits || fraction.size() > 3)
            return std::nullopt;
        for (std::size_t i = 0; i < fraction.size(); ++i) {
            numerator *= 10;
            denominator *= 10;
        }
        numerator += *digits;
    }
    const double rate = double(numerator) / denominator;
    if (rate < 1.0 || rate > 240.0)
        return std::nullopt;
    for (const int nominal : { 24, 30, 48, 60, 120, 240 }) {
        const double ntsc = nominal * 1000.0 / 1001.0;
        if (std::abs(rate - ntsc) < 0.006)
            return std::pair { nominal * 1000, 1001 };
    }
    const int g = std::gcd(numerator, denominator);
    return std::pair { numerator / g, denominator / g };
}

// Colour bars at 75 %: white, yellow, cyan, green, magenta, red, blue (as 0xAARRGGBB).
constexpr std::uint32_t kBars[]
    = { 0xFFBFBFBF, 0xFFBFBF00, 0xFF00BFBF, 0xFF00BF00, 0xFFBF00BF, 0xFFBF0000, 0xFF0000BF };

void fillRect(MutableFrame& frame, int x0, int y0, int w, int h, std::uint32_t color)
{
    const int x1 = std::min(frame.width(), x0 + w);
    const int y1 = std::min(frame.height(), y0 + h);
    x0 = std::max(0, x0);
    y0 = std::max(0, y0);
    for (int y = y0; y < y1; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(frame.row(y));
        std::fill(row + x0, row + std::max(x0, x1), color);
    }
}

// Seven segments per digit: a (top), b, c (right, top to bottom), d (bottom), e, f (left, bottom
// to top), g (middle).
constexpr std::uint8_t kSegments[10] = { 0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F };

void drawDigit(MutableFrame& frame, int x, int y, int w, int h, int t, int digit, std::uint32_t color)
{
    const std::uint8_t s = kSegments[digit];
    const int half = h / 2;
    if (s & 0x01)
        fillRect(frame, x, y, w, t, color);
    if (s & 0x02)
        fillRect(frame, x + w - t, y, t, half + t / 2, color);
    if (s & 0x04)
        fillRect(frame, x + w - t, y + half - t / 2, t, h - half + t / 2, color);
    if (s & 0x08)
        fillRect(frame, x, y + h - t, w, t, color);
    if (s & 0x10)
        fillRect(frame, x, y + half - t / 2, t, h - half + t / 2, color);
    if (s & 0x20)
        fillRect(frame, x, y, t, half + t / 2, color);
    if (s & 0x40)
        fillRect(frame, x, y + half - t / 2, w, t, color);
}

int counterCell(int width)
{
    return std::max(2, width / (2 * kCounterBits));
}

} // namespace

std::optional<std::vector<CameraDevice>> SyntheticCamera::devicesFromSpec(std::string_view spec)
{
    std::vector<CameraDevice> devices;
    while (!spec.empty() && spec.front() == ' ')
        spec.remove_prefix(1);
    while (!spec.empty() && spec.back() == ' ')
        spec.remove_suffix(1);
    if (spec.empty())
        return devices;

    CameraMode mode { CameraPixelFormat::bgra, 1920, 1080, 30, 1 };
    const auto colon = spec.find(':');
    const auto count = parseInt(spec.substr(0, colon));
    if (!count || *count > kMaxCameras)
        return std::nullopt;
    if (colon != std::string_view::npos) {
        const std::string_view format = spec.substr(colon + 1);
        const auto x = format.find('x');
        const auto at = format.find('@');
        if (x == std::string_view::npos || at == std::string_view::npos || at < x)
            return std::nullopt;
        const auto width = parseInt(format.substr(0, x));
        const auto height = parseInt(format.substr(x + 1, at - x - 1));
        const auto rate = parseRate(format.substr(at + 1));
        if (!width || !height || !rate || *width < 64 || *height < 36 || *width > 7680 || *height > 4320)
            return std::nullopt;
        mode.width = *width;
        mode.height = *height;
        mode.rateNumerator = rate->first;
        mode.rateDenominator = rate->second;
    }
    for (int k = 1; k <= *count; ++k) {
        CameraDevice device;
        device.uniqueID = "corvale-synthetic-camera-" + std::to_string(k);
        device.localizedName = "Synthetic Camera " + std::to_string(k);
        device.syntheticMode = mode;
        devices.push_back(std::move(device));
    }
    return devices;
}

void SyntheticCamera::setPlugged(const std::string& uniqueID, bool plugged)
{
    std::lock_guard lock(unpluggedMutex());
    if (plugged)
        unplugged().erase(uniqueID);
    else
        unplugged().insert(uniqueID);
}

bool SyntheticCamera::isPlugged(const std::string& uniqueID)
{
    std::lock_guard lock(unpluggedMutex());
    return unplugged().count(uniqueID) == 0;
}

SyntheticCamera::SyntheticCamera(
    const CameraDevice& device, CameraSink sink, platform::MediaClock& clock, FramePool& pool)
    : device_(device)
    , mode_(device.syntheticMode.value_or(CameraMode { CameraPixelFormat::bgra, 1920, 1080, 30, 1 }))
    , sink_(std::move(sink))
    , clock_(clock)
    , pool_(pool)
    , queue_("Corvale.SyntheticCamera." + device.uniqueID, clock)
    , start_(clock.now())
{
    const double interval = 1.0 / mode_.frameRate();
    {
        std::lock_guard lock(mutex_);
        timer_ = queue_.scheduleRepeating(
            interval, [this] { tick(); }, 0.0);
    }
    // Frame 0 is out before the camera counts as started, whatever the clock does next.
    queue_.sync([] {});
}

SyntheticCamera::~SyntheticCamera()
{
    stop();
    queue_.shutdown();
}

void SyntheticCamera::stop()
{
    platform::SerialQueue::TimerId timer;
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        timer = std::exchange(timer_, 0);
    }
    if (timer)
        queue_.cancel(timer);
    // A tick that is running finishes before stop() returns.
    queue_.sync([] {});
}

void SyntheticCamera::waitUntilCurrent()
{
    queue_.sync([] {});
}

void SyntheticCamera::tick()
{
    {
        std::lock_guard lock(mutex_);
        if (stopped_)
            return;
    }
    if (!isPlugged(device_.uniqueID)) {
        platform::SerialQueue::TimerId timer;
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
            timer = std::exchange(timer_, 0);
        }
        queue_.cancel(timer);
        if (sink_.ended)
            sink_.ended(CameraError::deviceGone);
        return;
    }

    const double now = clock_.now();
    // The number of the grid slot this tick serves: ticks the queue had to coalesce show up as
    // gaps in the numbers, as a real camera's dropped frames do.
    const double gridSlots = (now - start_) * mode_.rateNumerator / mode_.rateDenominator;
    const auto counter = static_cast<std::uint32_t>(std::max(0.0, std::round(gridSlots)));

    MutableFrame frame = pool_.acquire(PixelFormat::BGRA, mode_.width, mode_.height);
    if (frame.isNull())
        return;
    drawTestPicture(frame, counter);
    frame.setHostTime(now);
    frame.setColorTags({ ColorPrimaries::ITU_R_709_2, TransferFunction::ITU_R_709_2, YCbCrMatrix::ITU_R_709_2 });
    if (sink_.frame)
        sink_.frame(std::move(frame).share());
}

void SyntheticCamera::drawTestPicture(MutableFrame& frame, std::uint32_t counter)
{
    if (frame.isNull() || frame.format() != PixelFormat::BGRA)
        return;
    const int width = frame.width();
    const int height = frame.height();
    const int barsHeight = height * 2 / 3;
    const int offset = int((std::uint64_t(counter) * std::uint64_t(std::max(1, width / 120))) % std::uint64_t(width));

    // Two rows drawn pixel by pixel, the others copied from them.
    auto* bars = reinterpret_cast<std::uint32_t*>(frame.row(0));
    for (int x = 0; x < width; ++x) {
        const int source = (x + offset) % width;
        bars[x] = kBars[std::min(6, source * 7 / width)];
    }
    if (barsHeight < height) {
        auto* ramp = reinterpret_cast<std::uint32_t*>(frame.row(barsHeight));
        for (int x = 0; x < width; ++x) {
            const auto level = std::uint32_t(((x + offset) % width) * 255 / std::max(1, width - 1));
            ramp[x] = 0xFF000000u | level << 16 | level << 8 | level;
        }
    }
    const std::size_t bytes = std::size_t(width) * 4;
    for (int y = 1; y < height; ++y) {
        if (y == barsHeight)
            continue;
        std::memcpy(frame.row(y), frame.row(y < barsHeight ? 0 : barsHeight), bytes);
    }

    // The counter for machines: one cell per bit, white for 1.
    const int cell = counterCell(width);
    fillRect(frame, 0, 0, cell * kCounterBits + cell, cell + cell / 2, 0xFF000000);
    for (int bit = 0; bit < kCounterBits; ++bit) {
        const bool set = (counter >> (kCounterBits - 1 - bit)) & 1u;
        if (set)
            fillRect(frame, bit * cell, 0, cell, cell, 0xFFFFFFFF);
    }

    // The counter for people, in the lower left corner.
    const std::string digits = std::to_string(counter);
    const int digitHeight = std::max(7, height / 8);
    const int digitWidth = std::max(4, digitHeight / 2);
    const int thickness = std::max(1, digitHeight / 8);
    const int gap = std::max(2, digitWidth / 3);
    const int boxWidth = int(digits.size()) * (digitWidth + gap) + gap;
    const int boxY = height - digitHeight - 2 * gap;
    fillRect(frame, gap, boxY, boxWidth, digitHeight + 2 * gap, 0xFF000000);
    for (std::size_t i = 0; i < digits.size(); ++i)
        drawDigit(frame, 2 * gap + int(i) * (digitWidth + gap), boxY + gap, digitWidth, digitHeight, thickness,
            digits[i] - '0', 0xFFFFFFFF);
}

std::optional<std::uint32_t> SyntheticCamera::frameCounter(const Frame& frame)
{
    if (frame.isNull() || frame.format() != PixelFormat::BGRA || frame.width() < 64 || frame.height() < 36)
        return std::nullopt;
    const int cell = counterCell(frame.width());
    std::uint32_t counter = 0;
    const std::uint8_t* row = frame.row(cell / 2);
    for (int bit = 0; bit < kCounterBits; ++bit) {
        const std::uint8_t* pixel = row + std::size_t(bit * cell + cell / 2) * 4;
        const int sum = pixel[0] + pixel[1] + pixel[2];
        // Cells are pure black or white; anything else means this is not a test picture.
        if (sum > 96 && sum < 669)
            return std::nullopt;
        counter = counter << 1 | (sum >= 669 ? 1u : 0u);
    }
    return counter;
}

} // namespace media
