#include "media/frame/FrameCompositor.h"

#include "media/frame/FramePool.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

namespace media {

namespace {

FramePool& poolOr(FramePool* pool)
{
    return pool ? *pool : FramePool::shared();
}

// One destination row from two source rows, each output pixel the rounded mean of a 2x2 block.
void halveRow(std::uint8_t* out, const std::uint8_t* top, const std::uint8_t* bottom, int width)
{
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const auto* t = reinterpret_cast<const __m128i*>(top + 8 * x);
        const auto* b = reinterpret_cast<const __m128i*>(bottom + 8 * x);
        const __m128 v0 = _mm_castsi128_ps(_mm_avg_epu8(_mm_loadu_si128(t), _mm_loadu_si128(b)));
        const __m128 v1 = _mm_castsi128_ps(_mm_avg_epu8(_mm_loadu_si128(t + 1), _mm_loadu_si128(b + 1)));
        const __m128i even = _mm_castps_si128(_mm_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i odd = _mm_castps_si128(_mm_shuffle_ps(v0, v1, _MM_SHUFFLE(3, 1, 3, 1)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), _mm_avg_epu8(even, odd));
    }
    for (; x < width; ++x) {
        for (int c = 0; c < 4; ++c) {
            const int sum = top[8 * x + c] + top[8 * x + 4 + c] + bottom[8 * x + c] + bottom[8 * x + 4 + c];
            out[4 * x + c] = static_cast<std::uint8_t>((sum + 2) >> 2);
        }
    }
}

// Where each destination column or row samples the source: the first of two neighbours and the
// weight of the second, in 1/256.
struct Tap {
    int index;
    int weight;
};

void buildTaps(std::vector<Tap>& taps, int from, int count, int sourceSize, double scale, double offset)
{
    taps.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double position = (from + i + 0.5 - offset) / scale - 0.5;
        const double clamped = std::clamp(position, 0.0, double(sourceSize - 1));
        int index = static_cast<int>(clamped);
        int weight = static_cast<int>((clamped - index) * 256.0 + 0.5);
        if (index >= sourceSize - 1) {
            index = sourceSize - 1;
            weight = 0;
        }
        taps[static_cast<std::size_t>(i)] = { index, weight };
    }
}

void drawBilinear(MutableFrame& canvas, const Frame& picture, const QRect& target, const QRect& visible)
{
    thread_local std::vector<Tap> columns;
    thread_local std::vector<Tap> rows;
    thread_local std::vector<std::uint16_t> blended;
    const double scaleX = double(target.width()) / picture.width();
    const double scaleY = double(target.height()) / picture.height();
    buildTaps(columns, visible.left(), visible.width(), picture.width(), scaleX, target.left());
    buildTaps(rows, visible.top(), visible.height(), picture.height(), scaleY, target.top());
    const std::size_t sourceWidth = static_cast<std::size_t>(picture.width());
    blended.resize(sourceWidth * 4);
    for (int y = 0; y < visible.height(); ++y) {
        const Tap row = rows[static_cast<std::size_t>(y)];
        const std::uint8_t* a = picture.row(row.index);
        const std::uint8_t* b = picture.row(std::min(row.index + 1, picture.height() - 1));
        // Vertical pass over the source row first (8.8 fixed point), then horizontal per pixel.
        const int wb = row.weight;
        const int wa = 256 - wb;
        for (std::size_t i = 0; i < sourceWidth * 4; ++i)
            blended[i] = static_cast<std::uint16_t>(a[i] * wa + b[i] * wb);
        std::uint8_t* out = canvas.row(visible.top() + y) + 4 * visible.left();
        for (int x = 0; x < visible.width(); ++x) {
            const Tap column = columns[static_cast<std::size_t>(x)];
            const std::size_t left = 4 * static_cast<std::size_t>(column.index);
            const std::size_t right = column.weight ? left + 4 : left;
            const int wr = column.weight;
            const int wl = 256 - wr;
            for (int c = 0; c < 4; ++c) {
                const std::uint32_t value = blended[left + c] * wl + blended[right + c] * wr;
                out[4 * x + c] = static_cast<std::uint8_t>((value + (1u << 15)) >> 16);
            }
        }
    }
}

} // namespace

MutableFrame FrameCompositor::blackCanvas(QSize size, std::span<const QRect> covered, FramePool* pool)
{
    if (size.width() < 1 || size.height() < 1)
        return {};
    MutableFrame canvas = poolOr(pool).acquire(PixelFormat::BGRA, size.width(), size.height());
    if (covered.empty()) {
        fill(canvas, QRect(QPoint(0, 0), size), 0xFF000000u);
        return canvas;
    }
    // Row by row, black only between the covered spans (a grid of full cells fills nothing).
    thread_local std::vector<std::pair<int, int>> spans;
    for (int y = 0; y < size.height(); ++y) {
        spans.clear();
        for (const QRect& rect : covered) {
            if (y >= rect.top() && y <= rect.bottom())
                spans.emplace_back(std::max(rect.left(), 0), std::min(rect.right() + 1, size.width()));
        }
        std::sort(spans.begin(), spans.end());
        auto* row = reinterpret_cast<std::uint32_t*>(canvas.row(y));
        int x = 0;
        for (const auto& [from, to] : spans) {
            if (from > x)
                std::fill(row + x, row + from, 0xFF000000u);
            x = std::max(x, to);
        }
        if (x < size.width())
            std::fill(row + x, row + size.width(), 0xFF000000u);
    }
    return canvas;
}

void FrameCompositor::fill(MutableFrame& canvas, const QRect& rect, std::uint32_t argb)
{
    const QRect area = rect.intersected(QRect(0, 0, canvas.width(), canvas.height()));
    if (area.isEmpty() || canvas.format() != PixelFormat::BGRA)
        return;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(canvas.row(y)) + area.left();
        std::fill(out, out + area.width(), argb); // BGRA bytes in memory are 0xAARRGGBB little-endian
    }
}

bool FrameCompositor::draw(MutableFrame& canvas, const Frame& picture, const QRect& target)
{
    if (picture.isNull() || picture.format() != PixelFormat::BGRA || picture.width() < 1 || picture.height() < 1
        || target.isEmpty() || canvas.format() != PixelFormat::BGRA)
        return false;
    const QRect visible = target.intersected(QRect(0, 0, canvas.width(), canvas.height()));
    if (visible.isEmpty())
        return true;
    const int dx = visible.left() - target.left();
    const int dy = visible.top() - target.top();
    if (target.size() == QSize(picture.width(), picture.height())) {
        for (int y = 0; y < visible.height(); ++y)
            std::memcpy(canvas.row(visible.top() + y) + 4 * visible.left(), picture.row(dy + y) + 4 * dx,
                4 * static_cast<std::size_t>(visible.width()));
        return true;
    }
    if (2 * target.width() == picture.width() && 2 * target.height() == picture.height()) {
        for (int y = 0; y < visible.height(); ++y) {
            const int sy = 2 * (dy + y);
            halveRow(canvas.row(visible.top() + y) + 4 * visible.left(), picture.row(sy) + 8 * dx,
                picture.row(sy + 1) + 8 * dx, visible.width());
        }
        return true;
    }
    drawBilinear(canvas, picture, target, visible);
    return true;
}

QRect FrameCompositor::aspectFit(QSize picture, const QRect& box)
{
    if (picture.width() <= 0 || picture.height() <= 0)
        return box;
    const double scale = std::min(double(box.width()) / picture.width(), double(box.height()) / picture.height());
    const int width = std::max(1, static_cast<int>(std::lround(picture.width() * scale)));
    const int height = std::max(1, static_cast<int>(std::lround(picture.height() * scale)));
    return QRect(box.left() + (box.width() - width) / 2, box.top() + (box.height() - height) / 2, width, height);
}

QRect FrameCompositor::pixelRect(const QRectF& rect)
{
    const int left = static_cast<int>(std::lround(rect.left()));
    const int top = static_cast<int>(std::lround(rect.top()));
    return QRect(left, top, static_cast<int>(std::lround(rect.right())) - left,
        static_cast<int>(std::lround(rect.bottom())) - top);
}

Frame FrameCompositor::scaled(const Frame& source, QSize size, FramePool* pool)
{
    if (size.width() < 1 || size.height() < 1 || source.isNull())
        return {};
    MutableFrame target = poolOr(pool).acquire(PixelFormat::BGRA, size.width(), size.height());
    if (target.isNull())
        return {};
    if (source.format() == PixelFormat::BGRA) {
        draw(target, source, QRect(QPoint(0, 0), size));
    } else if (source.format() == PixelFormat::UYVY422) {
        thread_local SwsContext* context = nullptr;
        context = sws_getCachedContext(context, source.width(), source.height(), AV_PIX_FMT_UYVY422, size.width(),
            size.height(), AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!context)
            return {};
        const std::uint8_t* sourcePlanes[4] = { source.data(), nullptr, nullptr, nullptr };
        const int sourceStrides[4] = { static_cast<int>(source.rowBytes()), 0, 0, 0 };
        std::uint8_t* targetPlanes[4] = { target.data(), nullptr, nullptr, nullptr };
        const int targetStrides[4] = { static_cast<int>(target.rowBytes()), 0, 0, 0 };
        sws_scale(context, sourcePlanes, sourceStrides, 0, source.height(), targetPlanes, targetStrides);
    } else {
        return {};
    }
    target.setHostTime(source.hostTime());
    if (source.itemTime())
        target.setItemTime(*source.itemTime());
    target.setColorTags(source.colorTags());
    target.setFieldInfo(source.fieldInfo());
    return std::move(target).share();
}

} // namespace media
