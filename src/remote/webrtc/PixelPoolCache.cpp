#include "remote/webrtc/PixelPoolCache.h"

#include <gst/video/video.h>

#include <cstring>

namespace remote {

namespace {

void deactivate(GstRef<GstBufferPool>& pool)
{
    // Buffers still out (in an encoder) are freed when they come back.
    if (pool)
        gst_buffer_pool_set_active(pool.get(), FALSE);
    pool.reset();
}

} // namespace

PixelPoolCache::~PixelPoolCache()
{
    reset();
}

GstRef<GstBufferPool> PixelPoolCache::ensurePool(int width, int height, int inputIndex)
{
    if (inputIndex < 0 || inputIndex >= trackCount || width < 1 || height < 1)
        return nullptr;
    ensureGstInitialised();
    std::lock_guard lock(lock_);
    const auto slot = std::size_t(inputIndex);
    if (pools_[slot] && lastW_[slot] == width && lastH_[slot] == height)
        return gstRef(pools_[slot].get());
    lastW_[slot] = width;
    lastH_[slot] = height;
    deactivate(pools_[slot]);

    GstVideoInfo info;
    if (!gst_video_info_set_format(&info, GST_VIDEO_FORMAT_BGRA, guint(width), guint(height)))
        return nullptr;
    // Returned as a full reference, not a floating one.
    GstRef<GstBufferPool> pool(gst_video_buffer_pool_new());
    GstStructure* config = gst_buffer_pool_get_config(pool.get());
    GstCapsPtr caps(gst_video_info_to_caps(&info));
    gst_buffer_pool_config_set_params(config, caps.get(), guint(GST_VIDEO_INFO_SIZE(&info)), 2, 0);
    if (!gst_buffer_pool_set_config(pool.get(), config) || !gst_buffer_pool_set_active(pool.get(), TRUE))
        return nullptr;
    ++poolsMade_;
    pools_[slot] = gstRef(pool.get());
    return pool;
}

GstBufferPtr PixelPoolCache::makePixelBuffer(const QImage& image, int width, int height, int inputIndex)
{
    if (image.isNull() || width < 1 || height < 1 || image.width() != width || image.height() != height)
        return nullptr;
    GstRef<GstBufferPool> pool = ensurePool(width, height, inputIndex);
    if (!pool)
        return nullptr;
    GstBuffer* raw = nullptr;
    if (gst_buffer_pool_acquire_buffer(pool.get(), &raw, nullptr) != GST_FLOW_OK || !raw)
        return nullptr;
    GstBufferPtr buffer(raw);

    // Premultiplied ARGB32 is BGRA in memory on this little-endian machine.
    const QImage source = image.format() == QImage::Format_ARGB32_Premultiplied
        ? image
        : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_BGRA, guint(width), guint(height));
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer.get(), GST_MAP_WRITE))
        return nullptr;
    auto* pixels = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels + std::size_t(y) * std::size_t(stride), source.constScanLine(y), std::size_t(width) * 4);
    gst_video_frame_unmap(&frame);
    return buffer;
}

void PixelPoolCache::reset()
{
    std::lock_guard lock(lock_);
    for (auto& pool : pools_)
        deactivate(pool);
    lastW_ = {};
    lastH_ = {};
}

int PixelPoolCache::poolsMade() const
{
    std::lock_guard lock(lock_);
    return poolsMade_;
}

} // namespace remote
