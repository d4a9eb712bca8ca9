#include "media/frame/FrameFields.h"

#include <gtest/gtest.h>

namespace media {

TEST(FrameFields, FieldLayoutOfFramesAndTracks)
{
    const Frame frame = MutableFrame(PixelFormat::BGRA, 4, 2).share();
    EXPECT_FALSE(isPixelBufferInterlaced(frame));
    EXPECT_TRUE(isPixelBufferInterlaced(frame.withFieldInfo({ 2, FieldDetail::None })));
    EXPECT_TRUE(isPixelBufferInterlaced(frame.withFieldInfo({ 1, FieldDetail::TemporalBottomFirst })));
    EXPECT_FALSE(isPixelBufferInterlaced(frame.withFieldInfo({ 1, FieldDetail::SpatialFirstLineEarly })));

    EXPECT_FALSE(trackLooksInterlaced({ std::nullopt, FieldInfo {} }));
    EXPECT_TRUE(trackLooksInterlaced({ std::nullopt, FieldInfo { 2, FieldDetail::SpatialFirstLineLate } }));
    EXPECT_TRUE(trackLooksInterlaced({ FieldInfo { 1, FieldDetail::TemporalBottomFirst } }));
}

TEST(FrameFields, DeinterlaceBlendsTheLowerField)
{
    MutableFrame source(PixelFormat::BGRA, 3, 4);
    const std::uint8_t rowValues[4] = { 10, 200, 31, 255 };
    for (int y = 0; y < 4; ++y)
        std::memset(source.row(y), rowValues[y], source.rowBytes());
    source.setColorTags({ ColorPrimaries::ITU_R_2020, TransferFunction::SMPTE_ST_2084_PQ, YCbCrMatrix::ITU_R_2020 });
    source.setFieldInfo({ 2, FieldDetail::TemporalTopFirst });
    source.setPresentationTime(4.5);
    const Frame input = std::move(source).share();

    const Frame output = deinterlacePixelBuffer(input);
    ASSERT_EQ(output.height(), 4);
    EXPECT_EQ(output.colorTags(), input.colorTags());
    EXPECT_EQ(output.presentationTime(), 4.5);
    const std::uint8_t expected[4] = { 10, 20, 31, 143 }; // (10+31)/2 rounds down; last row with itself
    for (int i = 0; i < 48; ++i)
        ASSERT_EQ(output.row(i / 12)[i % 12], expected[i / 12]) << "row " << i / 12 << " byte " << i % 12;

    EXPECT_TRUE(deinterlacePixelBuffer(MutableFrame(PixelFormat::UYVY422, 4, 4).share()).isNull());
}

TEST(FrameFields, ColorAttachmentCopyKeepsWhatTheSourceLacks)
{
    const Frame from = MutableFrame(PixelFormat::BGRA, 2, 2)
                           .share()
                           .withColorTags({ ColorPrimaries::P3_D65, TransferFunction::Unknown, YCbCrMatrix::Unknown });
    const Frame to
        = MutableFrame(PixelFormat::BGRA, 2, 2)
              .share()
              .withColorTags({ ColorPrimaries::ITU_R_709_2, TransferFunction::ITU_R_709_2, YCbCrMatrix::ITU_R_709_2 });
    const Frame result = copyColorAttachments(from, to);
    EXPECT_TRUE(result.sharesPixelsWith(to));
    EXPECT_EQ(result.colorTags(),
        (ColorTags { ColorPrimaries::P3_D65, TransferFunction::ITU_R_709_2, YCbCrMatrix::ITU_R_709_2 }));
}

} // namespace media
