#include "decklink/sim/SimPixels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace sim {

namespace {

struct MatrixCoefficients {
    double kr;
    double kb;
};

MatrixCoefficients coefficients(YCbCrMatrix matrix)
{
    switch (matrix) {
    case YCbCrMatrix::Rec601:
        return { 0.299, 0.114 };
    case YCbCrMatrix::Rec2020:
        return { 0.2627, 0.0593 };
    case YCbCrMatrix::Rec709:
    default:
        return { 0.2126, 0.0722 };
    }
}

// Full-range R'G'B' (0..1) to limited-range Y'CbCr codes at `scale` (1 for 8 bits, 4 for 10).
struct YCbCr {
    int y, cb, cr;
};
YCbCr rgbToYCbCr(double r, double g, double b, YCbCrMatrix matrix, int scale)
{
    const auto [kr, kb] = coefficients(matrix);
    const double kg = 1.0 - kr - kb;
    const double y = kr * r + kg * g + kb * b;
    const double cb = (b - y) / (2.0 * (1.0 - kb));
    const double cr = (r - y) / (2.0 * (1.0 - kr));
    return { static_cast<int>(std::lround((16.0 + 219.0 * y) * scale)),
        static_cast<int>(std::lround((128.0 + 224.0 * cb) * scale)),
        static_cast<int>(std::lround((128.0 + 224.0 * cr) * scale)) };
}

// Integer coefficients (16.16) of one matrix, limited-range Y'CbCr to full-range R'G'B'.
struct YuvToRgbCoefficients {
    std::int32_t y, rFromCr, gFromCb, gFromCr, bFromCb;
};

YuvToRgbCoefficients integerCoefficients(YCbCrMatrix matrix)
{
    const auto [kr, kb] = coefficients(matrix);
    const double kg = 1.0 - kr - kb;
    const double ys = 255.0 / 219.0 * 65536.0, cs = 255.0 / 224.0 * 65536.0;
    return { static_cast<std::int32_t>(std::lround(ys)), static_cast<std::int32_t>(std::lround(2.0 * (1.0 - kr) * cs)),
        static_cast<std::int32_t>(std::lround(2.0 * kb * (1.0 - kb) / kg * cs)),
        static_cast<std::int32_t>(std::lround(2.0 * kr * (1.0 - kr) / kg * cs)),
        static_cast<std::int32_t>(std::lround(2.0 * (1.0 - kb) * cs)) };
}

inline std::uint32_t clampShift(std::int32_t fixed)
{
    std::int32_t v = (fixed + 32768) >> 16;
    v = v < 0 ? 0 : v;
    v = v > 255 ? 255 : v;
    return static_cast<std::uint32_t>(v);
}

// Plain arithmetic without tables or branches, so the compiler can vectorise the row loop.
__attribute__((optimize("O3"))) void convert2vuyRow(
    const std::uint8_t* __restrict in, std::uint32_t* __restrict out, int pairs, YuvToRgbCoefficients k)
{
    for (int p = 0; p < pairs; ++p) {
        const std::int32_t cb = in[4 * p] - 128, cr = in[4 * p + 2] - 128;
        const std::int32_t y0 = (in[4 * p + 1] - 16) * k.y, y1 = (in[4 * p + 3] - 16) * k.y;
        const std::int32_t rc = cr * k.rFromCr;
        const std::int32_t gc = -cb * k.gFromCb - cr * k.gFromCr;
        const std::int32_t bc = cb * k.bFromCb;
        out[2 * p] = clampShift(y0 + bc) | (clampShift(y0 + gc) << 8) | (clampShift(y0 + rc) << 16) | 0xFF000000u;
        out[2 * p + 1] = clampShift(y1 + bc) | (clampShift(y1 + gc) << 8) | (clampShift(y1 + rc) << 16) | 0xFF000000u;
    }
}

void convert2vuyToBGRA(const PixelPlane& s, const PixelPlane& t, YCbCrMatrix matrix)
{
    const YuvToRgbCoefficients k = integerCoefficients(matrix);
    const int pairs = s.width / 2;
    for (int row = 0; row < s.height; ++row) {
        const std::uint8_t* in = s.bytes + static_cast<std::size_t>(row) * static_cast<std::size_t>(s.rowBytes);
        auto* out = reinterpret_cast<std::uint32_t*>(
            t.bytes + static_cast<std::size_t>(row) * static_cast<std::size_t>(t.rowBytes));
        convert2vuyRow(in, out, pairs, k);
        if (s.width % 2) {
            // The last pixel of an odd width has a pair of its own.
            std::uint32_t last[2];
            const std::uint8_t tail[4] = { in[4 * pairs], in[4 * pairs + 1], in[4 * pairs + 2], in[4 * pairs + 1] };
            convert2vuyRow(tail, last, 1, k);
            out[2 * pairs] = last[0];
        }
    }
}

void copyRows(const PixelPlane& s, const PixelPlane& t, std::size_t bytesPerRow)
{
    for (int row = 0; row < s.height; ++row)
        std::memcpy(t.bytes + static_cast<std::size_t>(row) * static_cast<std::size_t>(t.rowBytes),
            s.bytes + static_cast<std::size_t>(row) * static_cast<std::size_t>(s.rowBytes), bytesPerRow);
}

inline int to10(int v8)
{
    return (v8 << 2) | (v8 >> 6);
}

void storeBig(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}
void storeLittle(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

void convertBGRAToRGB10(const PixelPlane& s, const PixelPlane& t)
{
    for (int row = 0; row < s.height; ++row) {
        const std::uint8_t* in = s.bytes + static_cast<std::size_t>(row) * static_cast<std::size_t>(s.rowBytes);
        std::uint8_t* out = t.bytes + static_cast<std::size_t>(row) * static_cast<std::size_t>(t.rowBytes);
        for (int x = 0; x < s.width; ++x, in += 4, out += 4) {
            const std::uint32_t r = static_cast<std::uint32_t>(to10(in[2]));
            const std::uint32_t g = static_cast<std::uint32_t>(to10(in[1]));
            const std::uint32_t b = static_cast<std::uint32_t>(to10(in[0]));
            switch (t.format) {
            case kDeckLinkFormat10BitRGB:
                storeBig(out, (r << 20) | (g << 10) | b);
                break;
            case kDeckLinkFormat10BitRGBX:
                storeBig(out, (r << 22) | (g << 12) | (b << 2));
                break;
            default: // 'R10l'
                storeLittle(out, (r << 22) | (g << 12) | (b << 2));
                break;
            }
        }
    }
}

// 16.16 contributions of each 8-bit R, G and B value to 10-bit limited-range Y', Cb and Cr, so the
// output conversion runs on table look-ups and additions only.
struct RgbToYuv10Tables {
    std::array<std::int32_t, 256> yR, yG, yB, cbR, cbG, cbB, crR, crG, crB;
};

RgbToYuv10Tables makeRgbToYuv10Tables(YCbCrMatrix matrix)
{
    const auto [kr, kb] = coefficients(matrix);
    const double kg = 1.0 - kr - kb;
    RgbToYuv10Tables t {};
    for (int v = 0; v < 256; ++v) {
        const double x = v / 255.0 * 65536.0;
        auto fixed = [&](double scale) { return static_cast<std::int32_t>(std::lround(scale * x)); };
        t.yR[v] = fixed(876.0 * kr);
        t.yG[v] = fixed(876.0 * kg);
        t.yB[v] = fixed(876.0 * kb);
        t.cbR[v] = fixed(-896.0 * kr / (2.0 * (1.0 - kb)));
        t.cbG[v] = fixed(-896.0 * kg / (2.0 * (1.0 - kb)));
        t.cbB[v] = fixed(448.0);
        t.crR[v] = fixed(448.0);
        t.crG[v] = fixed(-896.0 * kg / (2.0 * (1.0 - kr)));
        t.crB[v] = fixed(-896.0 * kb / (2.0 * (1.0 - kr)));
    }
    return t;
}

const RgbToYuv10Tables& rgbToYuv10TablesFor(YCbCrMatrix matrix)
{
    static const RgbToYuv10Tables rec601 = makeRgbToYuv10Tables(YCbCrMatrix::Rec601);
    static const RgbToYuv10Tables rec709 = makeRgbToYuv10Tables(YCbCrMatrix::Rec709);
    static const RgbToYuv10Tables rec2020 = makeRgbToYuv10Tables(YCbCrMatrix::Rec2020);
    switch (matrix) {
    case YCbCrMatrix::Rec601:
        return rec601;
    case YCbCrMatrix::Rec2020:
        return rec2020;
    default:
        return rec709;
    }
}

void convertBGRAToV210(const PixelPlane& s, const PixelPlane& t, YCbCrMatrix matrix)
{
    const RgbToYuv10Tables& k = rgbToYuv10TablesFor(matrix);
    constexpr std::int32_t yOffset = (64 << 16) + (1 << 15);
    constexpr std::int32_t cOffset = (512 << 17) + (1 << 16); // two pixels summed
    // Full-range input keeps every code inside 64..940 (Y) and 64..960 (Cb, Cr): no clamping.
    auto luma = [&](const std::uint8_t* p) {
        return static_cast<std::uint32_t>((yOffset + k.yR[p[2]] + k.yG[p[1]] + k.yB[p[0]]) >> 16);
    };
    auto cb = [&](const std::uint8_t* a, const std::uint8_t* b) {
        return static_cast<std::uint32_t>(
            (cOffset + k.cbR[a[2]] + k.cbG[a[1]] + k.cbB[a[0]] + k.cbR[b[2]] + k.cbG[b[1]] + k.cbB[b[0]]) >> 17);
    };
    auto cr = [&](const std::uint8_t* a, const std::uint8_t* b) {
        return static_cast<std::uint32_t>(
            (cOffset + k.crR[a[2]] + k.crG[a[1]] + k.crB[a[0]] + k.crR[b[2]] + k.crG[b[1]] + k.crB[b[0]]) >> 17);
    };
    auto group = [&](const std::uint8_t* const p[6], std::uint8_t* out) {
        const std::uint32_t y0 = luma(p[0]), y1 = luma(p[1]), y2 = luma(p[2]);
        const std::uint32_t y3 = luma(p[3]), y4 = luma(p[4]), y5 = luma(p[5]);
        const std::uint32_t cb0 = cb(p[0], p[1]), cb1 = cb(p[2], p[3]), cb2 = cb(p[4], p[5]);
        const std::uint32_t cr0 = cr(p[0], p[1]), cr1 = cr(p[2], p[3]), cr2 = cr(p[4], p[5]);
        storeLittle(out + 0, cb0 | (y0 << 10) | (cr0 << 20));
        storeLittle(out + 4, y1 | (cb1 << 10) | (y2 << 20));
        storeLittle(out + 8, cr1 | (y3 << 10) | (cb2 << 20));
        storeLittle(out + 12, y4 | (cr2 << 10) | (y5 << 20));
    };
    const int whole = s.width / 6 * 6;
    for (int row = 0; row < s.height; ++row) {
        const std::uint8_t* in = s.bytes + static_cast<std::size_t>(row) * static_cast<std::size_t>(s.rowBytes);
        std::uint8_t* out = t.bytes + static_cast<std::size_t>(row) * static_cast<std::size_t>(t.rowBytes);
        int x = 0;
        for (; x < whole; x += 6, out += 16) {
            const std::uint8_t* const p[6]
                = { in + x * 4, in + x * 4 + 4, in + x * 4 + 8, in + x * 4 + 12, in + x * 4 + 16, in + x * 4 + 20 };
            group(p, out);
        }
        if (x < s.width) {
            // Past the right edge the last pixel repeats.
            const std::uint8_t* p[6];
            for (int i = 0; i < 6; ++i)
                p[i] = in + std::min(x + i, s.width - 1) * 4;
            group(p, out);
        }
    }
}

constexpr int kCell = 16;
constexpr int kCells = 34;
constexpr int kOrigin = 16;

void fillCell(const PixelPlane& p, int cellX, bool white)
{
    const int x0 = kOrigin + cellX * kCell;
    for (int row = kOrigin; row < kOrigin + kCell; ++row) {
        std::uint8_t* line = p.bytes + static_cast<std::size_t>(row) * static_cast<std::size_t>(p.rowBytes);
        if (p.format == kDeckLinkFormat8BitYUV) {
            for (int x = x0; x < x0 + kCell; x += 2) {
                std::uint8_t* px = line + x * 2;
                px[0] = 128;
                px[1] = white ? 235 : 16;
                px[2] = 128;
                px[3] = white ? 235 : 16;
            }
        } else {
            for (int x = x0; x < x0 + kCell; ++x) {
                std::uint8_t* px = line + x * 4;
                px[0] = px[1] = px[2] = white ? 255 : 0;
                px[3] = 255;
            }
        }
    }
}

} // namespace

YCbCrMatrix matrixFor(DeckLinkColorspace colorspace, std::int32_t height)
{
    switch (colorspace) {
    case kDeckLinkColorspaceRec601:
        return YCbCrMatrix::Rec601;
    case kDeckLinkColorspaceRec709:
    case kDeckLinkColorspaceP3D65:
        return YCbCrMatrix::Rec709;
    case kDeckLinkColorspaceRec2020:
        return YCbCrMatrix::Rec2020;
    default:
        return height < 720 ? YCbCrMatrix::Rec601 : YCbCrMatrix::Rec709;
    }
}

void renderTestPattern(const PixelPlane& p, int variant, YCbCrMatrix matrix)
{
    // 75 % bars: white, yellow, cyan, green, magenta, red, blue, black.
    static const double bars[8][3] = { { .75, .75, .75 }, { .75, .75, 0 }, { 0, .75, .75 }, { 0, .75, 0 },
        { .75, 0, .75 }, { .75, 0, 0 }, { 0, 0, .75 }, { 0, 0, 0 } };
    const int shift = ((variant % 8) + 8) % 8;
    std::uint8_t* first = p.bytes;
    if (p.format == kDeckLinkFormat8BitYUV) {
        for (int x = 0; x + 1 < p.width + 1; x += 2) {
            const auto& c = bars[((x * 8) / std::max(1, p.width) + shift) % 8];
            const YCbCr v = rgbToYCbCr(c[0], c[1], c[2], matrix, 1);
            std::uint8_t* px = first + x * 2;
            px[0] = static_cast<std::uint8_t>(v.cb);
            px[1] = static_cast<std::uint8_t>(v.y);
            px[2] = static_cast<std::uint8_t>(v.cr);
            px[3] = static_cast<std::uint8_t>(v.y);
        }
    } else if (p.format == kDeckLinkFormat8BitBGRA) {
        for (int x = 0; x < p.width; ++x) {
            const auto& c = bars[((x * 8) / std::max(1, p.width) + shift) % 8];
            std::uint8_t* px = first + x * 4;
            px[0] = static_cast<std::uint8_t>(std::lround(c[2] * 255));
            px[1] = static_cast<std::uint8_t>(std::lround(c[1] * 255));
            px[2] = static_cast<std::uint8_t>(std::lround(c[0] * 255));
            px[3] = 255;
        }
    } else {
        return;
    }
    for (int row = 1; row < p.height; ++row)
        std::memcpy(p.bytes + static_cast<std::size_t>(row) * static_cast<std::size_t>(p.rowBytes), first,
            static_cast<std::size_t>(p.rowBytes));
}

void drawFrameCounter(const PixelPlane& p, std::uint32_t counter)
{
    if (p.width < kOrigin + kCells * kCell || p.height < kOrigin + kCell)
        return;
    if (p.format != kDeckLinkFormat8BitYUV && p.format != kDeckLinkFormat8BitBGRA)
        return;
    fillCell(p, 0, true);
    for (int bit = 0; bit < 32; ++bit)
        fillCell(p, 1 + bit, (counter >> (31 - bit)) & 1u);
    fillCell(p, kCells - 1, false);
}

std::int64_t decodeFrameCounter(const std::uint8_t* bytes, std::int32_t width, std::int32_t height,
    std::int32_t rowBytes, DeckLinkPixelFormat format)
{
    if (!bytes || width < kOrigin + kCells * kCell || height < kOrigin + kCell)
        return -1;
    const int bpp = format == kDeckLinkFormat8BitYUV ? 2 : (format == kDeckLinkFormat8BitBGRA ? 4 : 0);
    if (bpp == 0 || rowBytes < width * bpp)
        return -1;
    const std::uint8_t* line
        = bytes + static_cast<std::size_t>(kOrigin + kCell / 2) * static_cast<std::size_t>(rowBytes);
    auto lit = [&](int cell) {
        const int x = kOrigin + cell * kCell + kCell / 2;
        const std::uint8_t level = bpp == 2 ? line[x * 2 + 1] : line[x * 4 + 1];
        return level >= 128;
    };
    if (!lit(0) || lit(kCells - 1))
        return -1;
    std::uint32_t value = 0;
    for (int bit = 0; bit < 32; ++bit)
        value = (value << 1) | (lit(1 + bit) ? 1u : 0u);
    return value;
}

bool convertPixels(const PixelPlane& s, const PixelPlane& t, YCbCrMatrix matrix)
{
    if (!s.bytes || !t.bytes || s.width != t.width || s.height != t.height || s.width < 1 || s.height < 1)
        return false;
    if (s.format == kDeckLinkFormat8BitYUV && t.format == kDeckLinkFormat8BitBGRA) {
        convert2vuyToBGRA(s, t, matrix);
        return true;
    }
    if (s.format == kDeckLinkFormat8BitBGRA && t.format == kDeckLinkFormat8BitBGRA) {
        copyRows(s, t, static_cast<std::size_t>(s.width) * 4);
        return true;
    }
    if (s.format == kDeckLinkFormat8BitBGRA && t.format == kDeckLinkFormat10BitYUV) {
        convertBGRAToV210(s, t, matrix);
        return true;
    }
    if (s.format == kDeckLinkFormat8BitBGRA
        && (t.format == kDeckLinkFormat10BitRGB || t.format == kDeckLinkFormat10BitRGBX
            || t.format == kDeckLinkFormat10BitRGBXLE)) {
        convertBGRAToRGB10(s, t);
        return true;
    }
    return false;
}

} // namespace sim
