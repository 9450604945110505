// A picture stream AVI cannot carry: decoded, converted to the encoder's
// picture format and encoded as MPEG-4 Part 2 (Motion JPEG when this FFmpeg
// has no MPEG-4 encoder), at the source's picture rate.
#include "stream_routes.h"

namespace xvmf {

namespace {

// The encoder and the picture format it takes; false when neither encoder exists.
bool ChooseEncoder(const AVCodec*& encoder, AVPixelFormat& format) {
    if ((encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4)) != nullptr) {
        format = AV_PIX_FMT_YUV420P;
        return true;
    }
    if ((encoder = avcodec_find_encoder(AV_CODEC_ID_MJPEG)) != nullptr) {
        format = AV_PIX_FMT_YUVJ420P;
        return true;
    }
    return false;
}

// MPEG-4 Part 2 counts time in at most 16 bits.
AVRational EncoderTimeBase(AVRational rate) {
    int num = 0, den = 0;
    av_reduce(&num, &den, rate.den, rate.num, 65535);
    return AVRational{num, den};
}

class VideoRoute : public StreamRoute {
public:
    VideoRoute(AviOutput& output, AVStream* input, int index, CodecPtr decoder, CodecPtr encoder)
        : m_output(output), m_input(input), m_index(index), m_decoder(std::move(decoder)),
          m_encoder(std::move(encoder)) {}

    int Open() {
        m_decoded.reset(av_frame_alloc());
        m_picture.reset(av_frame_alloc());
        m_packet.reset(av_packet_alloc());
        if (!m_decoded || !m_picture || !m_packet) return AVERROR(ENOMEM);
        m_picture->format = m_encoder->pix_fmt;
        m_picture->width = m_encoder->width;
        m_picture->height = m_encoder->height;
        return av_frame_get_buffer(m_picture.get(), 0);
    }

    int Feed(AVPacket* packet) override {
        int error = avcodec_send_packet(m_decoder.get(), packet);
        // A damaged picture is skipped rather than failing the whole movie.
        if (error < 0 && error != AVERROR_INVALIDDATA) return error;
        while ((error = avcodec_receive_frame(m_decoder.get(), m_decoded.get())) >= 0) {
            error = Encode(m_decoded.get());
            av_frame_unref(m_decoded.get());
            if (error < 0) return error;
        }
        if (error != AVERROR(EAGAIN) && error != AVERROR_EOF && error != AVERROR_INVALIDDATA) return error;
        return packet == nullptr ? Drain(nullptr) : 0;
    }
    bool Produced() const override { return m_produced; }

private:
    int Encode(AVFrame* decoded) {
        // Pictures that would not follow the previous one at the encoder's rate are dropped.
        int64_t pts = decoded->best_effort_timestamp;
        pts = pts == AV_NOPTS_VALUE ? m_lastPts + 1 : av_rescale_q(pts, m_input->time_base, m_encoder->time_base);
        if (m_lastPts != AV_NOPTS_VALUE && pts <= m_lastPts) return 0;
        m_lastPts = pts;

        SwsContext* scale = sws_getCachedContext(
            m_scale.release(), decoded->width, decoded->height, static_cast<AVPixelFormat>(decoded->format),
            m_encoder->width, m_encoder->height, m_encoder->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr);
        m_scale.reset(scale);
        if (scale == nullptr) return AVERROR(EINVAL);
        int error = av_frame_make_writable(m_picture.get());
        if (error < 0) return error;
        sws_scale(scale, decoded->data, decoded->linesize, 0, decoded->height, m_picture->data, m_picture->linesize);
        m_picture->pts = pts;
        m_picture->quality = m_encoder->global_quality;
        return Drain(m_picture.get());
    }

    // Hands a picture (null: the end) to the encoder and writes what it yields.
    int Drain(AVFrame* picture) {
        return m_output.Encode(m_encoder.get(), picture, m_packet.get(), m_index, m_produced);
    }

    AviOutput& m_output;
    AVStream* m_input;
    int m_index;
    CodecPtr m_decoder, m_encoder;
    FramePtr m_decoded, m_picture;
    PacketPtr m_packet;
    ScalePtr m_scale;
    int64_t m_lastPts = AV_NOPTS_VALUE;
    bool m_produced = false;
};

}  // namespace

std::unique_ptr<StreamRoute> MakeVideoRoute(AviOutput& output, AVFormatContext* input, AVStream* stream, int& error) {
    const AVCodec* decoding = avcodec_find_decoder(stream->codecpar->codec_id);
    const AVCodec* encoding = nullptr;
    AVPixelFormat format = AV_PIX_FMT_NONE;
    error = AVERROR_DECODER_NOT_FOUND;
    if (decoding == nullptr || !ChooseEncoder(encoding, format)) return nullptr;

    CodecPtr decoder(avcodec_alloc_context3(decoding)), encoder(avcodec_alloc_context3(encoding));
    error = AVERROR(ENOMEM);
    if (!decoder || !encoder) return nullptr;
    if ((error = avcodec_parameters_to_context(decoder.get(), stream->codecpar)) < 0) return nullptr;
    decoder->pkt_timebase = stream->time_base;
    if ((error = avcodec_open2(decoder.get(), decoding, nullptr)) < 0) return nullptr;

    const AVRational rate = PictureRate(input, stream);
    // 4:2:0 pictures need even sizes.
    encoder->width = stream->codecpar->width & ~1;
    encoder->height = stream->codecpar->height & ~1;
    encoder->pix_fmt = format;
    encoder->time_base = EncoderTimeBase(rate);
    encoder->framerate = rate;
    encoder->sample_aspect_ratio = stream->codecpar->sample_aspect_ratio;
    encoder->gop_size = 12;
    encoder->max_b_frames = 0;  // AVI players expect pictures in the order they are shown
    encoder->flags |= AV_CODEC_FLAG_QSCALE;
    encoder->global_quality = FF_QP2LAMBDA * 4;
    if (format == AV_PIX_FMT_YUVJ420P) encoder->color_range = AVCOL_RANGE_JPEG;
    // The tag most AVI players know MPEG-4 Part 2 by.
    if (encoding->id == AV_CODEC_ID_MPEG4) encoder->codec_tag = MKTAG('X', 'V', 'I', 'D');
    error = AVERROR(EINVAL);
    if (encoder->width <= 0 || encoder->height <= 0) return nullptr;
    if ((error = avcodec_open2(encoder.get(), encoding, nullptr)) < 0) return nullptr;

    AVStream* out = avformat_new_stream(output.Context(), nullptr);
    error = AVERROR(ENOMEM);
    if (out == nullptr) return nullptr;
    if ((error = avcodec_parameters_from_context(out->codecpar, encoder.get())) < 0) return nullptr;
    out->time_base = encoder->time_base;
    out->avg_frame_rate = rate;
    auto route = std::make_unique<VideoRoute>(output, stream, out->index, std::move(decoder), std::move(encoder));
    if ((error = route->Open()) < 0) return nullptr;
    return route;
}

}  // namespace xvmf
