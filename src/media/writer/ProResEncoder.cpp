#include "media/writer/ProResEncoder.h"

#include "media/writer/ProResSliceCoder.h"
#include "media/writer/ProResTables.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace media {

namespace {

constexpr int kLog2SliceWidth = 3; // eight macroblocks per slice where the row allows it
constexpr int kFrameHeaderBytes = 20;
constexpr int kPictureHeaderBytes = 8;
constexpr int kFramePrefixBytes = 8; // frame size and 'icpf'
// Quantisation index a slice starts its search at before it has a history.
constexpr int kFirstGuess = 8;

struct ProfileFacts {
    const char* fourcc;
    bool chroma444;
    double megabitsAt1080p25; // the published data rate at 1920x1080, 25 frames a second
};

constexpr ProfileFacts kProfiles[] = {
    { "apco", false, 38 },
    { "apcs", false, 85 },
    { "apcn", false, 122 },
    { "apch", false, 184 },
    { "ap4h", true, 275 },
    { "ap4x", true, 413 },
};

const ProfileFacts& facts(ProResEncoder::Profile p)
{
    return kProfiles[static_cast<int>(p)];
}

std::uint8_t frameRateCode(int fps)
{
    switch (fps) {
    case 24:
        return 2;
    case 25:
        return 3;
    case 30:
        return 5;
    case 50:
        return 6;
    case 60:
        return 8;
    case 100:
        return 9;
    case 120:
        return 11;
    default:
        return 0;
    }
}

void putBe16(std::uint8_t* p, unsigned v)
{
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
void putBe32(std::uint8_t* p, std::uint32_t v)
{
    putBe16(p, v >> 16);
    putBe16(p + 2, v & 0xffff);
}

} // namespace

// Slices, rows and their share of the budget for one kind of frame (whole or two fields).
struct ProResEncoder::PictureLayout {
    int pictures = 1;
    int mbWidth = 0;
    int mbRows = 0; // per picture
    std::vector<int> sliceMbX; // per slice of a row
    std::vector<int> sliceMbs;
    int rowBudget = 0; // bytes of slice data a row aims at
    int rowCapacity = 0;
    std::vector<std::uint16_t> sliceBytes; // per slice of the frame
    std::vector<std::uint8_t> quantIndex; // per slice of the frame, the last one used
    std::vector<int> rowBytes; // per row of the frame

    int slicesPerRow() const { return static_cast<int>(sliceMbX.size()); }
    int rows() const { return pictures * mbRows; }
};

// Everything one frame in flight uses; an encoder has two, so a frame can be coded while the
// previous one's last rows finish.
struct ProResEncoder::Slot {
    ProResEncoder* encoder = nullptr;
    PictureLayout progressive;
    PictureLayout fields;
    std::vector<std::uint8_t> arena; // each row's slices, at row * rowCapacity
    std::vector<std::uint8_t> output;
    ProResSliceCoder::Settings coderSettings;
    SliceThreadPool::Batch batch;

    // The frame being coded.
    PictureLayout* current = nullptr;
    const std::uint8_t* bgra = nullptr;
    std::size_t rowBytes = 0;
    bool bottomFirst = false;
};

ProResEncoder::ProResEncoder(Settings settings)
    : settings_(std::move(settings))
{
    if (!settings_.kernels)
        settings_.kernels = &ProResKernels::best();
    for (auto& slot : slots_) {
        slot = std::make_unique<Slot>();
        Slot& s = *slot;
        s.encoder = this;
        s.coderSettings.kernels = settings_.kernels;
        s.coderSettings.weights = ProResColorWeights::forMatrix(settings_.kr, settings_.kb);
        s.coderSettings.chroma444 = facts(settings_.profile).chroma444;
        s.coderSettings.minQuantIndex = kProResMinQuantIndex;
        layOut(s.progressive, false);
        layOut(s.fields, true);
        s.arena.resize(std::max(s.progressive.rows() * std::size_t(s.progressive.rowCapacity),
            s.fields.rows() * std::size_t(s.fields.rowCapacity)));
        std::size_t largest = 0;
        for (const PictureLayout* l : { &s.progressive, &s.fields })
            largest = std::max(largest,
                kFramePrefixBytes + kFrameHeaderBytes
                    + std::size_t(l->pictures) * (kPictureHeaderBytes + 2 * std::size_t(l->mbRows * l->slicesPerRow()))
                    + std::size_t(l->rows()) * std::size_t(l->rowCapacity));
        s.output.resize(largest);
    }
    lastQuantIndex_[0] = slots_[0]->progressive.quantIndex;
    lastQuantIndex_[1] = slots_[0]->fields.quantIndex;
}

ProResEncoder::~ProResEncoder()
{
    // The pool's threads may still be coding our rows.
    while (inFlight() > 0)
        finish();
}

bool ProResEncoder::supports(int width, int height)
{
    if (width < 1 || height < 1 || width > 65535 || height > 65535)
        return false;
    const int mbWidth = (width + 15) / 16;
    const int mbRows = (height + 15) / 16;
    const int slicesPerRow = (mbWidth >> kLog2SliceWidth) + __builtin_popcount(mbWidth & ((1 << kLog2SliceWidth) - 1));
    return std::int64_t(slicesPerRow) * mbRows <= 65535;
}

const char* ProResEncoder::fourcc(Profile profile)
{
    return facts(profile).fourcc;
}

std::int64_t ProResEncoder::targetFrameBits(Profile profile, int width, int height)
{
    constexpr double kMacroblocks1080 = 120.0 * 68.0;
    const double perMacroblock = facts(profile).megabitsAt1080p25 * 1e6 / 25.0 / kMacroblocks1080;
    const double macroblocks = double((width + 15) / 16) * double((height + 15) / 16);
    return static_cast<std::int64_t>(perMacroblock * macroblocks);
}

void ProResEncoder::layOut(PictureLayout& l, bool interlaced) const
{
    l.pictures = interlaced ? 2 : 1;
    l.mbWidth = (settings_.width + 15) / 16;
    l.mbRows = interlaced ? (settings_.height + 31) / 32 : (settings_.height + 15) / 16;
    // Full slices, then the rest of the row in halving slices.
    int x = 0;
    for (int size = 1 << kLog2SliceWidth; size >= 1; size /= 2) {
        while (l.mbWidth - x >= size && (size == (1 << kLog2SliceWidth) || l.mbWidth - x < 2 * size)) {
            l.sliceMbX.push_back(x);
            l.sliceMbs.push_back(size);
            x += size;
        }
    }
    const int slices = l.rows() * l.slicesPerRow();
    const std::int64_t overhead = kFramePrefixBytes + kFrameHeaderBytes + std::int64_t(l.pictures) * kPictureHeaderBytes
        + 2 * std::int64_t(slices);
    const double frameBytes
        = double(targetFrameBits(settings_.profile, settings_.width, settings_.height)) * settings_.rateScale / 8.0;
    const double dataBytes = std::max(0.0, frameBytes - double(overhead));
    l.rowBudget = static_cast<int>(dataBytes / l.rows());
    l.rowCapacity = l.rowBudget + l.slicesPerRow() * ProResSliceCoder::kDcOnlyBytes;
    l.sliceBytes.assign(static_cast<std::size_t>(slices), 0);
    l.quantIndex.assign(static_cast<std::size_t>(slices), kFirstGuess);
    l.rowBytes.assign(static_cast<std::size_t>(l.rows()), 0);
}

void ProResEncoder::codeRow(Slot& f, int task)
{
    // One coder per thread, made the first time the thread codes a row.
    thread_local std::unique_ptr<ProResSliceCoder> coder;
    if (!coder)
        coder = std::make_unique<ProResSliceCoder>();

    PictureLayout& l = *f.current;
    const int picture = task / l.mbRows;
    ProResSliceCoder::Source source;
    source.width = settings_.width;
    if (l.pictures == 1) {
        source.bgra = f.bgra;
        source.stride = static_cast<std::ptrdiff_t>(f.rowBytes);
        source.height = settings_.height;
    } else {
        // The first picture is the field that comes first in time.
        const bool bottom = (picture == 0) == f.bottomFirst;
        source.bgra = f.bgra + (bottom ? f.rowBytes : 0);
        source.stride = 2 * static_cast<std::ptrdiff_t>(f.rowBytes);
        source.height = bottom ? settings_.height / 2 : (settings_.height + 1) / 2;
    }
    source.mbY = task % l.mbRows;

    std::uint8_t* out = f.arena.data() + std::size_t(task) * std::size_t(l.rowCapacity);
    const int slices = l.slicesPerRow();
    int used = 0;
    int mbsLeft = l.mbWidth;
    for (int s = 0; s < slices; ++s) {
        const std::size_t slice = std::size_t(task) * std::size_t(slices) + std::size_t(s);
        source.mbX = l.sliceMbX[s];
        source.mbCount = l.sliceMbs[s];
        // What is left of the row's budget, shared by macroblock count; never into the room
        // kept for the remaining slices' smallest form.
        const int reserve = (slices - s - 1) * ProResSliceCoder::kDcOnlyBytes;
        const int limit = std::min(65535, l.rowCapacity - used - reserve);
        const int target
            = std::clamp(static_cast<int>(std::int64_t(l.rowBudget - used) * source.mbCount / mbsLeft), 0, limit);
        coder->load(f.coderSettings, source);
        int chosen = 0;
        const int bytes = coder->encode(l.quantIndex[slice], target, out + used, chosen);
        l.sliceBytes[slice] = static_cast<std::uint16_t>(bytes);
        l.quantIndex[slice] = static_cast<std::uint8_t>(chosen);
        used += bytes;
        mbsLeft -= source.mbCount;
    }
    l.rowBytes[std::size_t(task)] = used;
}

void ProResEncoder::start(const std::uint8_t* bgra, std::size_t rowBytes, FieldDetail fieldDetail)
{
    if (inFlight() == 2)
        finish(); // the caller did not want the oldest frame; keep to two
    Slot& f = *slots_[started_ % 2];
    ++started_;
    // A picture of one row has no second field.
    const bool interlaced = fieldDetail != FieldDetail::None && settings_.height > 1;
    PictureLayout& l = interlaced ? f.fields : f.progressive;
    // Slices start their search where they ended in the last finished frame.
    l.quantIndex = lastQuantIndex_[interlaced ? 1 : 0];
    f.current = &l;
    f.bgra = bgra;
    f.rowBytes = rowBytes;
    f.bottomFirst = fieldDetail == FieldDetail::TemporalBottomFirst || fieldDetail == FieldDetail::SpatialFirstLineLate;
    f.coderSettings.interlaced = interlaced;
    auto task = [](void* slot, int row) {
        auto* s = static_cast<Slot*>(slot);
        s->encoder->codeRow(*s, row);
    };
    if (settings_.pool)
        settings_.pool->start(f.batch, l.rows(), task, &f);
    else
        for (int row = 0; row < l.rows(); ++row)
            codeRow(f, row);
}

std::span<const std::uint8_t> ProResEncoder::encode(
    const std::uint8_t* bgra, std::size_t rowBytes, FieldDetail fieldDetail)
{
    while (inFlight() > 0)
        finish();
    start(bgra, rowBytes, fieldDetail);
    return finish();
}

std::span<const std::uint8_t> ProResEncoder::finish()
{
    if (inFlight() == 0)
        return {};
    Slot& f = *slots_[finished_ % 2];
    ++finished_;
    if (settings_.pool)
        settings_.pool->finish(f.batch);
    PictureLayout& l = *f.current;
    const bool interlaced = f.coderSettings.interlaced;
    lastQuantIndex_[interlaced ? 1 : 0] = l.quantIndex;

    // Frame header.
    std::uint8_t* p = f.output.data();
    std::memcpy(p + 4, "icpf", 4);
    std::uint8_t* h = p + kFramePrefixBytes;
    std::memset(h, 0, kFrameHeaderBytes);
    putBe16(h, kFrameHeaderBytes);
    const bool chroma444 = f.coderSettings.chroma444;
    h[3] = chroma444 ? 1 : 0; // bitstream version: 1 allows 4:4:4
    std::memcpy(h + 4, "crvl", 4);
    putBe16(h + 8, static_cast<unsigned>(settings_.width));
    putBe16(h + 10, static_cast<unsigned>(settings_.height));
    const unsigned interlaceMode = !interlaced ? 0 : f.bottomFirst ? 2 : 1;
    h[12] = static_cast<std::uint8_t>((chroma444 ? 3 : 2) << 6 | interlaceMode << 2);
    h[13] = frameRateCode(settings_.fps);
    h[14] = settings_.colorPrimaries;
    h[15] = settings_.transfer;
    h[16] = settings_.matrix;
    p = h + kFrameHeaderBytes;

    const int slicesPerPicture = l.mbRows * l.slicesPerRow();
    long quantSum = 0;
    for (int picture = 0; picture < l.pictures; ++picture) {
        std::uint8_t* start = p;
        p += kPictureHeaderBytes;
        const std::size_t firstSlice = std::size_t(picture) * std::size_t(slicesPerPicture);
        for (int s = 0; s < slicesPerPicture; ++s) {
            putBe16(p, l.sliceBytes[firstSlice + std::size_t(s)]);
            quantSum += l.quantIndex[firstSlice + std::size_t(s)];
            p += 2;
        }
        for (int r = 0; r < l.mbRows; ++r) {
            const std::size_t row = std::size_t(picture * l.mbRows + r);
            std::memcpy(p, f.arena.data() + row * std::size_t(l.rowCapacity), std::size_t(l.rowBytes[row]));
            p += l.rowBytes[row];
        }
        start[0] = kPictureHeaderBytes << 3;
        putBe32(start + 1, static_cast<std::uint32_t>(p - start));
        putBe16(start + 5, static_cast<unsigned>(slicesPerPicture));
        start[7] = kLog2SliceWidth << 4;
    }
    const auto total = static_cast<std::size_t>(p - f.output.data());
    putBe32(f.output.data(), static_cast<std::uint32_t>(total));
    lastMeanQuantIndex_ = double(quantSum) / double(slicesPerPicture * l.pictures);
    return { f.output.data(), total };
}

} // namespace media
