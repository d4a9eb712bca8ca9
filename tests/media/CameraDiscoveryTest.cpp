#include "CameraTestSupport.h"
#include "kit/Files.h"

#include "media/camera/CameraDiscovery.h"
#include "media/camera/SyntheticCamera.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace media;
using cameratest::SyntheticOptions;

TEST(CameraDiscovery, NodesThatAreNotCamerasAreLeftOut)
{
    QTemporaryDir folder;
    namespace fs = std::filesystem;
    const fs::path root = folder.path().toStdString();
    ASSERT_TRUE(testkit::writeFile(QString::fromStdString((root / "video0").string()), "not a camera"));
    fs::create_symlink("/dev/null", root / "video1"); // a character device that ignores ioctls
    fs::create_symlink(root / "nowhere", root / "video3"); // dangling
    fs::create_directories(root / "v4l" / "by-id");
    fs::create_symlink(root / "video1", root / "v4l" / "by-id" / "usb-Fake-video-index0");

    CameraDiscovery::Options options;
    options.deviceFolder = root.string();
    EXPECT_TRUE(CameraDiscovery::devices(options).empty());
    // A machine without a device folder at all has no cameras either.
    options.deviceFolder = root.string() + "/missing";
    EXPECT_TRUE(CameraDiscovery::devices(options).empty());
}

TEST(CameraDiscovery, IdentifiersPreferTheByIdName)
{
    EXPECT_EQ(CameraDiscovery::identifierFor("usb-Cam_123-video-index0", "usb-0000:00:14.0-1", "Cam"),
        "usb-Cam_123-video-index0");
    EXPECT_EQ(
        CameraDiscovery::identifierFor("", "usb-0000:00:14.0-1", "HD Webcam"), "v4l2:usb-0000:00:14.0-1:HD Webcam");
}

TEST(CameraDiscovery, SyntheticCamerasOnlyWhenAskedFor)
{
    qputenv(SyntheticCamera::kEnvironmentVariable, "2:320x180@25");
    EXPECT_EQ(CameraDiscovery::Options::fromEnvironment().syntheticSpec, "2:320x180@25");
    qunsetenv(SyntheticCamera::kEnvironmentVariable);

    SyntheticOptions synthetic("2:320x180@25");
    const auto devices = CameraDiscovery::devices(synthetic.options);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].uniqueID, "corvale-synthetic-camera-1");
    EXPECT_EQ(devices[1].syntheticMode->width, 320);

    // An unplugged synthetic camera is not listed.
    SyntheticCamera::setPlugged("corvale-synthetic-camera-1", false);
    EXPECT_EQ(CameraDiscovery::devices(synthetic.options).size(), 1u);
    SyntheticCamera::setPlugged("corvale-synthetic-camera-1", true);

    // A malformed description gives no synthetic cameras rather than a guess.
    SyntheticOptions malformed("two");
    EXPECT_TRUE(CameraDiscovery::devices(malformed.options).empty());
}

TEST(SyntheticCameraSpec, ParsesCountSizeAndRate)
{
    EXPECT_EQ(SyntheticCamera::devicesFromSpec("")->size(), 0u);
    EXPECT_EQ(SyntheticCamera::devicesFromSpec(" 1 ")->front().syntheticMode->width, 1920);
    const auto ntsc = SyntheticCamera::devicesFromSpec("1:1280x720@29.97").value().front().syntheticMode;
    EXPECT_EQ(std::pair(ntsc->rateNumerator, ntsc->rateDenominator), std::pair(30000, 1001));
    for (const char* bad : { "9", "1:640x360", "1:640x360@0", "1:640x360@241", "1:32x32@25", "1:8000x360@25",
             "1:640x360@25fps", "99999999999" })
        EXPECT_FALSE(SyntheticCamera::devicesFromSpec(bad)) << bad;
}
