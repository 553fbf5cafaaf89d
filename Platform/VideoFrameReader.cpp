#include "Platform/VideoFrameReader.h"

#include <QTransform>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <memory>

namespace corvanta::VideoFrameReader {
namespace {

// A crafted file must not keep us decoding forever.
constexpr int kMaxPackets = 20000;

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

QImage toImage(const AVFrame* frame)
{
    const int width = frame->width, height = frame->height;
    if (width <= 0 || height <= 0)
        return {};
    SwsContext* sws = sws_getContext(width, height, AVPixelFormat(frame->format), width, height, AV_PIX_FMT_RGBA,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws)
        return {};
    QImage image(width, height, QImage::Format_RGBA8888);
    if (image.isNull()) {
        sws_freeContext(sws);
        return {};
    }
    uint8_t* destination[4] = {image.bits(), nullptr, nullptr, nullptr};
    int destinationStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    const int rows = sws_scale(sws, frame->data, frame->linesize, 0, height, destination, destinationStride);
    sws_freeContext(sws);
    return rows == height ? image : QImage();
}

// Degrees clockwise that turn the stored picture upright, from the stream's display matrix.
double uprightRotation(const AVStream* stream)
{
    const auto* matrix = reinterpret_cast<const int32_t*>(
        av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (!matrix)
        return 0;
    const double angle = -av_display_rotation_get(matrix);
    if (std::isnan(angle))
        return 0;
    return angle - 360.0 * std::floor(angle / 360.0);
}

} // namespace

QImage frameNear(const QString& path, double seconds, double tolerance)
{
    AVFormatContext* rawFormat = nullptr;
    if (avformat_open_input(&rawFormat, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return {};
    std::unique_ptr<AVFormatContext, FormatCloser> format(rawFormat);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return {};
    const AVCodec* codec = nullptr;
    const int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (streamIndex < 0 || !codec)
        return {};
    AVStream* stream = format->streams[streamIndex];
    std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0
        || avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return {};

    const AVRational timeBase = stream->time_base;
    if (timeBase.num <= 0 || timeBase.den <= 0)
        return {};
    const auto toSeconds = [&](int64_t ts) { return double(ts) * timeBase.num / timeBase.den; };
    const int64_t target = int64_t(seconds * timeBase.den / timeBase.num);
    // Seek to the key frame at or before the target; a failed seek just decodes from the start.
    av_seek_frame(format.get(), streamIndex, target, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(decoder.get());

    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    std::unique_ptr<AVFrame, FrameFreer> best(av_frame_alloc());
    if (!packet || !frame || !best)
        return {};
    bool haveBest = false, reached = false;

    const auto drain = [&]() {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            const int64_t ts = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
            const double time = ts == AV_NOPTS_VALUE ? 0.0 : toSeconds(ts);
            if (std::abs(time - seconds) <= tolerance) {
                av_frame_unref(best.get());
                av_frame_move_ref(best.get(), frame.get());
                haveBest = true;
            } else {
                av_frame_unref(frame.get());
            }
            if (time >= seconds) {
                reached = true;
                return;
            }
        }
    };

    for (int packets = 0; !reached && packets < kMaxPackets; ++packets) {
        const int read = av_read_frame(format.get(), packet.get());
        if (read < 0) {
            avcodec_send_packet(decoder.get(), nullptr); // flush what the decoder still holds
            drain();
            break;
        }
        if (packet->stream_index == streamIndex && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
    }
    if (!haveBest)
        return {};
    QImage image = toImage(best.get());
    if (image.isNull())
        return {};
    const double rotation = uprightRotation(stream);
    if (rotation != 0)
        image = image.transformed(QTransform().rotate(rotation));
    return image;
}

} // namespace corvanta::VideoFrameReader
