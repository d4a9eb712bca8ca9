#include "media/frame/FramePool.h"

#include <gtest/gtest.h>

#include <QImage>

#include <atomic>
#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

using namespace media;

TEST(FrameLayout, RowBytesPerFormat)
{
    const std::tuple<PixelFormat, int, std::size_t> minimum[] = { { PixelFormat::BGRA, 1920, 7680 },
        { PixelFormat::UYVY422, 720, 1440 }, { PixelFormat::UYVY422, 721, 1444 }, // pixels come in pairs
        { PixelFormat::V210, 1920, 5120 }, { PixelFormat::V210, 1280, 3456 }, { PixelFormat::R10B, 3840, 15360 },
        { PixelFormat::BGRA, 0, 0 }, { PixelFormat::BGRA, -5, 0 } };
    for (const auto& [format, width, bytes] : minimum)
        EXPECT_EQ(minimumRowBytes(format, width), bytes) << width;
    EXPECT_EQ(alignedRowBytes(PixelFormat::BGRA, 1920), 7680u);
    EXPECT_EQ(alignedRowBytes(PixelFormat::BGRA, 721), 2944u); // 2884 aligned up
}

TEST(Frame, CopiesShareThePixelsAndCarryTheirOwnMetadata)
{
    MutableFrame m(PixelFormat::BGRA, 64, 32);
    m.setHostTime(1.5);
    m.setColorTags({ ColorPrimaries::ITU_R_2020, TransferFunction::SMPTE_ST_2084_PQ, YCbCrMatrix::ITU_R_2020 });
    m.setFieldInfo({ 2, FieldDetail::TemporalTopFirst });
    const Frame frame = std::move(m).share();

    // A captured frame shown on an item's time line keeps both times apart.
    const Frame later = frame.withItemTime(2.0).withFieldInfo({});
    EXPECT_TRUE(later.sharesPixelsWith(frame));
    EXPECT_FALSE(frame.itemTime());
    EXPECT_DOUBLE_EQ(later.hostTime(), 1.5);
    EXPECT_DOUBLE_EQ(later.itemTime().value_or(-1), 2.0);
    EXPECT_FALSE(later.fieldInfo().interlaced());
    EXPECT_EQ(later.colorTags(), frame.colorTags());
    EXPECT_EQ(frame.useCount(), 2);
    EXPECT_TRUE(MutableFrame(PixelFormat::BGRA, 10, -1).isNull());
}

TEST(Frame, WrapKeepsTheForeignOwnerAliveAndCopiesNothing)
{
    struct DriverBuffer {
        std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(2 * 200, 0x5a);
        std::atomic<int>* released;
        ~DriverBuffer() { ++*released; }
    };
    std::atomic<int> released { 0 };
    auto owner = std::make_shared<DriverBuffer>();
    owner->released = &released;
    const std::uint8_t* planes[] = { owner->bytes.data() };
    const std::size_t strides[] = { 200 }; // 48 BGRA pixels need 192: padded rows are fine
    Frame frame = Frame::wrap({ PixelFormat::BGRA, 48, 2 }, planes, strides, std::move(owner));
    ASSERT_FALSE(frame.isNull());
    EXPECT_EQ(frame.data(), planes[0]);
    EXPECT_EQ(frame.row(1), planes[0] + 200);
    QImage view = frame.withHostTime(3.0).imageView();
    frame = Frame();
    EXPECT_EQ(released.load(), 0); // the image view still reads the driver's pixels
    EXPECT_EQ(view.constBits(), planes[0]);
    view = QImage();
    EXPECT_EQ(released.load(), 1);

    // Rows shorter than the format needs give no frame.
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(4096);
    const std::uint8_t* one[] = { bytes->data() };
    const std::size_t shortStride[] = { 100 };
    EXPECT_TRUE(Frame::wrap({ PixelFormat::BGRA, 64, 4 }, one, shortStride, bytes).isNull());
}

TEST(FramePool, ReusesStorageOnlyForTheSameFormatAndSize)
{
    FramePool pool(2);
    const std::uint8_t* first = pool.acquire(PixelFormat::BGRA, 1920, 1080).data();
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % 64, 0u);
    EXPECT_EQ(pool.idleCount(PixelFormat::BGRA, 1920, 1080), 1u);
    {
        MutableFrame other = pool.acquire(PixelFormat::BGRA, 1280, 720);
        EXPECT_NE(other.data(), first);
        MutableFrame again = pool.acquire(PixelFormat::BGRA, 1920, 1080);
        EXPECT_EQ(again.data(), first);
    }
    EXPECT_TRUE(pool.acquire(PixelFormat::BGRA, 0, 1080).isNull());
}

TEST(FramePool, KeepsAtMostItsLimitAndSurvivesFramesOutlivingIt)
{
    Frame held;
    {
        FramePool pool(2);
        std::vector<MutableFrame> many(5);
        for (auto& m : many)
            m = pool.acquire(PixelFormat::UYVY422, 720, 486);
        many.clear();
        EXPECT_EQ(pool.idleCount(), 2u);
        held = pool.acquire(PixelFormat::BGRA, 16, 16).share();
    }
    // The pool is gone; releasing the last frame frees its storage instead of touching the pool.
    EXPECT_EQ(held.useCount(), 1);
    held = Frame();
}

TEST(FramePool, ManyThreadsAcquireAndReleaseConcurrently)
{
    FramePool pool(4);
    std::vector<std::thread> threads;
    std::atomic<int> bad { 0 };
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            std::vector<Frame> window;
            for (int i = 0; i < 300; ++i) {
                MutableFrame m = pool.acquire(PixelFormat::BGRA, 64, 64);
                std::memset(m.data(), t, m.rowBytes() * 64);
                window.push_back(std::move(m).share());
                // A frame still held must not have been handed to another thread meanwhile.
                bad += window.front().data()[0] != t || window.front().data()[64 * 64 * 4 - 1] != t;
                if (window.size() > 3)
                    window.erase(window.begin());
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_LE(pool.idleCount(), 4u);
}
