#include "MovieTestSupport.h"
#include "PlayerTestSupport.h"
#include "media/FFmpegSupport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
}

#include <cmath>
#include <memory>

namespace testclips {

namespace {
QString errorText(const char* what, int rc)
{
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(what), media::avErrorText(rc));
}

// The frame number in the pattern the movie tests use, on neutral chroma.
template <class Sample> void drawPicture(AVFrame* frame, int number, Sample black, Sample white, Sample neutral)
{
    const int w = frame->width;
    const int h = frame->height;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<Sample*>(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0]);
        for (int x = 0; x < w; ++x)
            row[x] = movietest::counterPatternWhite(number, x, y, w, h) ? white : black;
    }
    const bool is420 = frame->format == AV_PIX_FMT_YUV420P;
    const int chromaH = is420 ? (h + 1) / 2 : h;
    const int chromaW = (w + 1) / 2;
    for (int plane = 1; plane <= 2; ++plane)
        for (int y = 0; y < chromaH; ++y) {
            auto* row = reinterpret_cast<Sample*>(
                frame->data[plane] + static_cast<std::ptrdiff_t>(y) * frame->linesize[plane]);
            for (int x = 0; x < chromaW; ++x)
                row[x] = neutral;
        }
}

struct Closer {
    void operator()(AVFormatContext* f) const
    {
        if (f && f->pb)
            avio_closep(&f->pb);
        avformat_free_context(f);
    }
};

int drain(AVCodecContext* codec, AVFormatContext* format, AVStream* stream, AVPacket* packet)
{
    for (;;) {
        int rc = avcodec_receive_packet(codec, packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return 0;
        if (rc < 0)
            return rc;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        rc = av_interleaved_write_frame(format, packet);
        if (rc < 0)
            return rc;
    }
}
} // namespace

QString writeClip(const QString& path, const ClipSpec& spec)
{
    AVFormatContext* raw = nullptr;
    const QByteArray name = path.toUtf8();
    int rc = avformat_alloc_output_context2(&raw, nullptr, "mov", name.constData());
    if (rc < 0)
        return errorText("output", rc);
    std::unique_ptr<AVFormatContext, Closer> format(raw);

    const bool prores = spec.codec == Codec::ProRes;
    const AVCodec* encoder = avcodec_find_encoder_by_name(prores ? "prores" : "libx264");
    if (!encoder)
        return QStringLiteral("no encoder");
    media::AVCodecContextPtr codec(avcodec_alloc_context3(encoder));
    codec->width = spec.width;
    codec->height = spec.height;
    codec->time_base = AVRational { spec.rateDen, spec.rateNum };
    codec->framerate = AVRational { spec.rateNum, spec.rateDen };
    codec->pix_fmt = prores ? AV_PIX_FMT_YUV422P10LE : AV_PIX_FMT_YUV420P;
    codec->thread_count = 1;
    codec->color_primaries = AVCOL_PRI_BT709;
    codec->color_trc = AVCOL_TRC_BT709;
    codec->colorspace = AVCOL_SPC_BT709;
    if (!prores) {
        codec->gop_size = spec.gop > 0 ? spec.gop : (spec.rateNum + spec.rateDen / 2) / spec.rateDen;
        codec->max_b_frames = 2;
        av_opt_set(codec->priv_data, "preset", "ultrafast", 0);
        av_opt_set(codec->priv_data, "crf", "12", 0);
        av_opt_set(codec->priv_data, "x264-params", "bframes=2:scenecut=0", 0);
    }
    if (spec.interlaced) {
        codec->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
        codec->field_order = AV_FIELD_TT;
    }
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    rc = avcodec_open2(codec.get(), encoder, nullptr);
    if (rc < 0)
        return errorText("open encoder", rc);

    AVStream* stream = avformat_new_stream(format.get(), nullptr);
    avcodec_parameters_from_context(stream->codecpar, codec.get());
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = codec->framerate;
    if (spec.interlaced)
        stream->codecpar->field_order = AV_FIELD_TT;
    if (spec.rotation != 0) {
        auto* matrix = reinterpret_cast<int32_t*>(av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * 4));
        av_display_rotation_set(matrix, spec.rotation);
    }

    rc = avio_open(&format->pb, name.constData(), AVIO_FLAG_WRITE);
    if (rc < 0)
        return errorText("create", rc);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "write_colr", 0);
    rc = avformat_write_header(format.get(), &options);
    av_dict_free(&options);
    if (rc < 0)
        return errorText("header", rc);

    media::AVFramePtr frame(av_frame_alloc());
    media::AVPacketPtr packet(av_packet_alloc());
    frame->format = codec->pix_fmt;
    frame->width = spec.width;
    frame->height = spec.height;
    rc = av_frame_get_buffer(frame.get(), 0);
    if (rc < 0)
        return errorText("frame", rc);
    for (int i = 0; i < spec.frames; ++i) {
        av_frame_make_writable(frame.get());
        if (prores)
            drawPicture<uint16_t>(frame.get(), i, 64, 940, 512);
        else
            drawPicture<uint8_t>(frame.get(), i, 16, 235, 128);
        frame->pts = i;
        frame->interlaced_frame = spec.interlaced ? 1 : 0;
        frame->top_field_first = spec.interlaced ? 1 : 0;
        frame->pict_type = AV_PICTURE_TYPE_NONE;
        rc = avcodec_send_frame(codec.get(), frame.get());
        if (rc < 0)
            return errorText("encode", rc);
        rc = drain(codec.get(), format.get(), stream, packet.get());
        if (rc < 0)
            return errorText("write", rc);
    }
    avcodec_send_frame(codec.get(), nullptr);
    rc = drain(codec.get(), format.get(), stream, packet.get());
    if (rc < 0)
        return errorText("flush", rc);

    rc = av_write_trailer(format.get());
    if (rc < 0)
        return errorText("trailer", rc);
    return {};
}

int readFrameNumber(const media::Frame& frame)
{
    if (frame.isNull() || frame.format() != media::PixelFormat::BGRA)
        return -1;
    return movietest::readCounterPattern(
        frame.width(), frame.height(), [&frame](int x, int y) { return double(frame.row(y)[x * 4 + 1]); });
}

int frameIndexAt(double seconds, const ClipSpec& spec)
{
    return static_cast<int>(std::floor(seconds * spec.rateNum / spec.rateDen + 1e-9));
}

double frameStart(int index, const ClipSpec& spec)
{
    return static_cast<double>(index) * spec.rateDen / spec.rateNum;
}

} // namespace testclips
