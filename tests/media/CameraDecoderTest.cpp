#include "media/camera/CameraDecoder.h"
#include "media/camera/CameraColor.h"

#include <gtest/gtest.h>

#include <linux/videodev2.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <cstdlib>
#include <vector>

using namespace media;

namespace {

constexpr int kW = 64;
constexpr int kH = 48;

// Studio-range Y'CbCr of a few colours (BT.601): white, black, and the 75 % red bar.
struct Yuv {
    std::uint8_t y, u, v;
};
constexpr Yuv kWhite { 235, 128, 128 };
constexpr Yuv kBlack { 16, 128, 128 };
constexpr Yuv kRed601 { 65, 100, 212 }; // R'G'B' 191, 0, 0

// Top half `top`, bottom half `bottom`, in YUYV.
std::vector<std::uint8_t> yuyv(Yuv top, Yuv bottom)
{
    std::vector<std::uint8_t> data;
    for (int y = 0; y < kH; ++y) {
        const Yuv c = y < kH / 2 ? top : bottom;
        for (int x = 0; x < kW; x += 2)
            data.insert(data.end(), { c.y, c.u, c.y, c.v });
    }
    return data;
}

std::vector<std::uint8_t> nv12(Yuv c)
{
    std::vector<std::uint8_t> data(std::size_t(kW) * kH, c.y);
    for (int i = 0; i < kW * kH / 4; ++i)
        data.insert(data.end(), { c.u, c.v });
    return data;
}

// One MJPEG packet of a single full-range colour, as cameras send them.
std::vector<std::uint8_t> mjpeg(std::uint8_t y, std::uint8_t u, std::uint8_t v)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->width = kW;
    context->height = kH;
    context->pix_fmt = AV_PIX_FMT_YUVJ422P;
    context->time_base = { 1, 30 };
    context->flags |= AV_CODEC_FLAG_QSCALE;
    context->global_quality = FF_QP2LAMBDA * 2;
    EXPECT_EQ(avcodec_open2(context, codec, nullptr), 0);
    AVFrame* frame = av_frame_alloc();
    frame->width = kW;
    frame->height = kH;
    frame->format = AV_PIX_FMT_YUVJ422P;
    frame->quality = context->global_quality;
    EXPECT_EQ(av_frame_get_buffer(frame, 0), 0);
    for (int row = 0; row < kH; ++row) {
        std::memset(frame->data[0] + row * frame->linesize[0], y, kW);
        std::memset(frame->data[1] + row * frame->linesize[1], u, kW / 2);
        std::memset(frame->data[2] + row * frame->linesize[2], v, kW / 2);
    }
    std::vector<std::uint8_t> bytes;
    AVPacket* packet = av_packet_alloc();
    if (avcodec_send_frame(context, frame) == 0 && avcodec_receive_packet(context, packet) == 0)
        bytes.assign(packet->data, packet->data + packet->size);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
    return bytes;
}

// B, G, R, A of one pixel.
std::array<int, 4> pixel(const Frame& frame, int x, int y)
{
    if (frame.isNull())
        return { -1, -1, -1, -1 };
    const std::uint8_t* p = frame.row(y) + std::size_t(x) * 4;
    return { p[0], p[1], p[2], p[3] };
}

void expectNear(std::array<int, 4> actual, std::array<int, 4> expected, int tolerance, const char* what)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_LE(std::abs(actual[i] - expected[i]), tolerance) << what << " channel " << i << ": " << actual[i];
}

// A fresh decoder's picture from one buffer; null when either fails.
Frame decodeOne(CameraPixelFormat format, const std::vector<std::uint8_t>& data, const CameraColor& driver = {},
    int threads = 0, double time = 0.0)
{
    auto decoder = CameraDecoder::create(format, kW, kH, driver, threads);
    EXPECT_TRUE(decoder);
    return decoder ? decoder.value()->decode(data.data(), data.size(), time) : Frame();
}

CameraColor srgbDriver(unsigned quantization = 0)
{
    // The usual webcam description: sRGB colorspace, defaults for the rest.
    CameraV4L2Colorimetry c;
    c.colorspace = V4L2_COLORSPACE_SRGB;
    c.quantization = quantization;
    return cameraColorFromV4L2(c, CameraPixelFormat::yuyv);
}

} // namespace

TEST(CameraDecoder, ConvertsRawYuyvAndNv12WithTheirRangeAndMatrix)
{
    for (const int threads : { 1, 3 }) { // the threaded path must give the same picture
        const Frame frame = decodeOne(CameraPixelFormat::yuyv, yuyv(kWhite, kRed601), {}, threads, 12.5);
        ASSERT_FALSE(frame.isNull());
        EXPECT_EQ(frame.hostTime(), 12.5);
        expectNear(pixel(frame, 5, 2), { 255, 255, 255, 255 }, 2, "white");
        expectNear(pixel(frame, 40, kH - 3), { 0, 0, 191, 255 }, 4, "red");
        // Nothing said, below 720 lines: assumed 601 at video range, and tagged so.
        EXPECT_EQ(frame.colorTags().matrix, YCbCrMatrix::ITU_R_601_4);
    }
    expectNear(pixel(decodeOne(CameraPixelFormat::nv12, nv12(kBlack)), 10, 10), { 0, 0, 0, 255 }, 2, "black");
}

TEST(CameraDecoder, DriverColoursTagTheFramesAndAFullRangeDriverIsBelieved)
{
    const Frame frame = decodeOne(CameraPixelFormat::yuyv, yuyv(kWhite, kWhite), srgbDriver());
    EXPECT_EQ(frame.colorTags().transfer, TransferFunction::IEC_sRGB);
    expectNear(pixel(frame, 0, 0), { 255, 255, 255, 255 }, 2, "white at video range");
    // Y' 235 is then light grey, not white.
    const Frame grey
        = decodeOne(CameraPixelFormat::yuyv, yuyv(kWhite, kWhite), srgbDriver(V4L2_QUANTIZATION_FULL_RANGE));
    expectNear(pixel(grey, 0, 0), { 235, 235, 235, 255 }, 2, "full-range 235");
}

TEST(CameraDecoder, DecodesMjpegAtFullRange)
{
    // Full-range 601 pure red: Y' 76, Cb 85, Cr 255.
    const Frame red = decodeOne(CameraPixelFormat::mjpeg, mjpeg(76, 85, 255));
    ASSERT_FALSE(red.isNull());
    expectNear(pixel(red, 30, 20), { 0, 0, 255, 255 }, 6, "JPEG red");
    EXPECT_EQ(red.colorTags().matrix, YCbCrMatrix::ITU_R_601_4);
}

TEST(CameraDecoder, DamagedInputGivesNoFrameAndTheDecoderGoesOn)
{
    auto raw = CameraDecoder::create(CameraPixelFormat::yuyv, kW, kH);
    ASSERT_TRUE(raw);
    const auto data = yuyv(kWhite, kWhite);
    EXPECT_TRUE(raw.value()->decode(data.data(), data.size() / 2, 0.0).isNull()); // a short buffer
    EXPECT_FALSE(raw.value()->decode(data.data(), data.size(), 0.0).isNull());

    auto jpeg = CameraDecoder::create(CameraPixelFormat::mjpeg, kW, kH);
    ASSERT_TRUE(jpeg);
    std::vector<std::uint8_t> garbage(500);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = std::uint8_t(i * 37 + 11);
    EXPECT_TRUE(jpeg.value()->decode(garbage.data(), garbage.size(), 0.0).isNull());
    const auto whole = mjpeg(128, 128, 128);
    jpeg.value()->decode(whole.data(), whole.size() / 3, 0.0); // torn: anything but a crash
    EXPECT_FALSE(jpeg.value()->decode(whole.data(), whole.size(), 0.0).isNull());

    EXPECT_EQ(CameraDecoder::create(CameraPixelFormat::yuyv, -1, 480).error(), CameraError::noUsableMode);
}

TEST(CameraColor, DriverDescriptionsMapToTheStationVocabulary)
{
    auto tags = [](unsigned colorspace, unsigned xfer = 0) {
        CameraV4L2Colorimetry c;
        c.colorspace = colorspace;
        c.transfer = xfer;
        return cameraColorFromV4L2(c, CameraPixelFormat::yuyv);
    };
    EXPECT_EQ(tags(V4L2_COLORSPACE_BT2020, V4L2_XFER_FUNC_SMPTE2084).tags,
        (ColorTags { ColorPrimaries::ITU_R_2020, TransferFunction::SMPTE_ST_2084_PQ, YCbCrMatrix::ITU_R_2020 }));
    EXPECT_TRUE(tags(V4L2_COLORSPACE_JPEG).fullRange);
    EXPECT_FALSE(tags(0).rangeKnown); // the driver says nothing
    // The decoder's word beats the driver's where it has one.
    CameraColor decoded;
    decoded.tags.matrix = YCbCrMatrix::ITU_R_709_2;
    const auto merged = mergeCameraColor(decoded, tags(V4L2_COLORSPACE_SRGB));
    EXPECT_EQ(merged.tags.matrix, YCbCrMatrix::ITU_R_709_2);
    EXPECT_EQ(merged.tags.transfer, TransferFunction::IEC_sRGB);
    EXPECT_EQ(completeCameraColor({}, CameraPixelFormat::nv12, 1080).tags.matrix, YCbCrMatrix::ITU_R_709_2);
}
