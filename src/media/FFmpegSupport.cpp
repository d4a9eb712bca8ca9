#include "media/FFmpegSupport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <mutex>

namespace media {

void initializeFFmpeg()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

void AVDeleter::operator()(AVCodecContext* context) const
{
    avcodec_free_context(&context);
}

void AVDeleter::operator()(AVFrame* frame) const
{
    av_frame_free(&frame);
}

void AVDeleter::operator()(AVPacket* packet) const
{
    av_packet_free(&packet);
}

QString avErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace media
