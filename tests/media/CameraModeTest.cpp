#include "media/camera/CameraMode.h"

#include <gtest/gtest.h>

using namespace media;

namespace {
using F = CameraPixelFormat;

// What a common USB 2 webcam offers: raw YUYV only slowly at large sizes, MJPEG at full rate.
std::vector<CameraMode> webcam()
{
    return { { F::yuyv, 640, 480, 30, 1 }, { F::yuyv, 1280, 720, 10, 1 }, { F::yuyv, 1920, 1080, 5, 1 },
        { F::mjpeg, 640, 480, 30, 1 }, { F::mjpeg, 1280, 720, 30, 1 }, { F::mjpeg, 1280, 720, 60, 1 },
        { F::mjpeg, 1920, 1080, 30, 1 }, { F::mjpeg, 1920, 1080, 30000, 1001 } };
}

CameraMode choose(const std::vector<CameraMode>& modes, int w, int h, double rate)
{
    const auto mode = chooseCameraMode(modes, CameraRequest { w, h, rate });
    EXPECT_TRUE(mode);
    return mode.value_or(CameraMode {});
}
} // namespace

TEST(CameraModeChoice, RateDecidesBeforeSizeAndFormat)
{
    // 1080p30 exists only as MJPEG: a 5 fps raw picture would be useless.
    EXPECT_EQ(choose(webcam(), 1920, 1080, 30), (CameraMode { F::mjpeg, 1920, 1080, 30, 1 }));
    // 30 rather than 29.97 or 60 when 30 is asked for; 29.97 serves a request of 29.97.
    EXPECT_EQ(choose(webcam(), 1280, 720, 30), (CameraMode { F::mjpeg, 1280, 720, 30, 1 }));
    EXPECT_EQ(choose(webcam(), 1920, 1080, 29.97), (CameraMode { F::mjpeg, 1920, 1080, 30000, 1001 }));
    // Raw wins over MJPEG where both reach the rate.
    EXPECT_EQ(choose(webcam(), 640, 480, 30), (CameraMode { F::yuyv, 640, 480, 30, 1 }));
    // Nothing reaches 120: the fastest modes are kept, then the size rule applies.
    EXPECT_EQ(choose(webcam(), 1920, 1080, 120), (CameraMode { F::mjpeg, 1280, 720, 60, 1 }));
}

TEST(CameraModeChoice, SizeScalesDownNeverUp)
{
    // No 800x600: the smallest size covering it.
    EXPECT_EQ(choose(webcam(), 800, 600, 30), (CameraMode { F::mjpeg, 1280, 720, 30, 1 }));
    // Covering means both sides: 1600x1200 does not cover 1920x1080.
    const std::vector<CameraMode> odd = { { F::yuyv, 1600, 1200, 30, 1 }, { F::yuyv, 2560, 1440, 30, 1 } };
    EXPECT_EQ(choose(odd, 1920, 1080, 30).width, 2560);
    // "As large as offered" for zero sides and the fastest rate for a zero rate.
    EXPECT_EQ(choose(webcam(), 0, 0, 0), (CameraMode { F::mjpeg, 1920, 1080, 30, 1 }));
}

TEST(CameraModeChoice, NothingUsableGivesNone)
{
    EXPECT_FALSE(chooseCameraMode({}, {}));
    EXPECT_FALSE(chooseCameraMode(
        { { F::yuyv, 0, 480, 30, 1 }, { F::yuyv, 640, 480, 0, 1 }, { F::nv12, 640, 480, 30, 0 } }, {}));
}
