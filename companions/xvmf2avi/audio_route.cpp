// A sound stream AVI cannot carry: decoded, resampled to what the encoder
// takes (mono or stereo, a rate it supports) and encoded as MP3, or as 16-bit
// PCM when this FFmpeg has no MP3 encoder. The encoder gets whole frames of
// its own size out of a sample queue.
#include <algorithm>
#include <cstdlib>

#include "stream_routes.h"

namespace xvmf {

namespace {

constexpr int kPcmFrame = 1024;  // samples per PCM packet

// The rate closest to the source's among those the encoder lists.
int ChooseRate(const AVCodec* encoder, int wanted) {
    if (wanted <= 0) wanted = 44100;
    if (encoder->supported_samplerates == nullptr) return wanted;
    int best = encoder->supported_samplerates[0];
    for (const int* rate = encoder->supported_samplerates; *rate != 0; ++rate)
        if (std::abs(*rate - wanted) < std::abs(best - wanted)) best = *rate;
    return best;
}

class AudioRoute : public StreamRoute {
public:
    AudioRoute(AviOutput& output, AVStream* input, int index, CodecPtr decoder, CodecPtr encoder)
        : m_output(output), m_input(input), m_index(index), m_decoder(std::move(decoder)),
          m_encoder(std::move(encoder)) {}

    int Open() {
        m_frameSize = m_encoder->frame_size > 0 ? m_encoder->frame_size : kPcmFrame;
        m_decoded.reset(av_frame_alloc());
        m_packet.reset(av_packet_alloc());
        m_queue.reset(av_audio_fifo_alloc(m_encoder->sample_fmt, m_encoder->ch_layout.nb_channels, m_frameSize));
        return m_decoded && m_packet && m_queue ? 0 : AVERROR(ENOMEM);
    }

    int Feed(AVPacket* packet) override {
        int error = avcodec_send_packet(m_decoder.get(), packet);
        if (error < 0 && error != AVERROR_INVALIDDATA) return error;
        while ((error = avcodec_receive_frame(m_decoder.get(), m_decoded.get())) >= 0) {
            error = Queue(m_decoded.get());
            av_frame_unref(m_decoded.get());
            if (error < 0) return error;
        }
        if (error != AVERROR(EAGAIN) && error != AVERROR_EOF && error != AVERROR_INVALIDDATA) return error;
        if (packet != nullptr) return 0;
        if (m_resample && (error = Resample(nullptr, 0)) < 0) return error;
        if ((error = EncodeQueued(true)) < 0) return error;
        return Drain(nullptr);
    }
    bool Produced() const override { return m_produced; }

private:
    int Queue(const AVFrame* decoded) {
        if (!m_resample) {
            int error = StartResampler(decoded);
            if (error < 0) return error;
            // The sound starts where its first frame says.
            if (decoded->best_effort_timestamp != AV_NOPTS_VALUE && decoded->best_effort_timestamp > 0)
                m_nextPts = av_rescale_q(decoded->best_effort_timestamp, m_input->time_base, m_encoder->time_base);
        }
        int error = Resample(const_cast<const uint8_t**>(decoded->extended_data), decoded->nb_samples);
        return error < 0 ? error : EncodeQueued(false);
    }

    int StartResampler(const AVFrame* decoded) {
        AVChannelLayout layout{};
        if (decoded->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || decoded->ch_layout.nb_channels == 0)
            av_channel_layout_default(&layout, decoded->ch_layout.nb_channels > 0 ? decoded->ch_layout.nb_channels : 1);
        else if (av_channel_layout_copy(&layout, &decoded->ch_layout) < 0)
            return AVERROR(ENOMEM);
        SwrContext* made = nullptr;
        int error = swr_alloc_set_opts2(&made, &m_encoder->ch_layout, m_encoder->sample_fmt, m_encoder->sample_rate,
                                        &layout, static_cast<AVSampleFormat>(decoded->format), decoded->sample_rate, 0,
                                        nullptr);
        av_channel_layout_uninit(&layout);
        m_resample.reset(made);
        if (error < 0) return error;
        return swr_init(made);
    }

    // Converts count samples (null: what the resampler still holds) into the queue.
    int Resample(const uint8_t** data, int count) {
        const int room = swr_get_out_samples(m_resample.get(), count);
        if (room <= 0) return 0;
        uint8_t** converted = nullptr;
        int error = av_samples_alloc_array_and_samples(&converted, nullptr, m_encoder->ch_layout.nb_channels, room,
                                                       m_encoder->sample_fmt, 0);
        if (error < 0) return error;
        const int got = swr_convert(m_resample.get(), converted, room, data, count);
        error = got < 0 ? got : av_audio_fifo_write(m_queue.get(), reinterpret_cast<void**>(converted), got);
        av_freep(&converted[0]);
        av_freep(&converted);
        return error < 0 ? error : 0;
    }

    // Encodes whole frames from the queue; at the end the rest too, filled with silence
    // when the encoder takes only whole frames.
    int EncodeQueued(bool end) {
        while (av_audio_fifo_size(m_queue.get()) >= m_frameSize || (end && av_audio_fifo_size(m_queue.get()) > 0)) {
            const int available = av_audio_fifo_size(m_queue.get());
            const bool shortFrameTaken =
                (m_encoder->codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) != 0;
            const int take = std::min(available, m_frameSize);
            FramePtr frame(av_frame_alloc());
            if (!frame) return AVERROR(ENOMEM);
            frame->nb_samples = take < m_frameSize && !shortFrameTaken ? m_frameSize : take;
            frame->format = m_encoder->sample_fmt;
            frame->sample_rate = m_encoder->sample_rate;
            int error = av_channel_layout_copy(&frame->ch_layout, &m_encoder->ch_layout);
            if (error < 0 || (error = av_frame_get_buffer(frame.get(), 0)) < 0) return error;
            av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, frame->ch_layout.nb_channels,
                                   m_encoder->sample_fmt);
            if (av_audio_fifo_read(m_queue.get(), reinterpret_cast<void**>(frame->extended_data), take) < take)
                return AVERROR(EIO);
            frame->pts = m_nextPts;
            m_nextPts += frame->nb_samples;
            if ((error = Drain(frame.get())) < 0) return error;
        }
        return 0;
    }

    int Drain(AVFrame* frame) {
        return m_output.Encode(m_encoder.get(), frame, m_packet.get(), m_index, m_produced);
    }

    AviOutput& m_output;
    AVStream* m_input;
    int m_index;
    CodecPtr m_decoder, m_encoder;
    FramePtr m_decoded;
    PacketPtr m_packet;
    ResamplePtr m_resample;
    FifoPtr m_queue;
    int m_frameSize = kPcmFrame;
    int64_t m_nextPts = 0;
    bool m_produced = false;
};

const AVCodec* ChooseEncoder() {
    const AVCodec* mp3 = avcodec_find_encoder(AV_CODEC_ID_MP3);
    return mp3 != nullptr ? mp3 : avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
}

}  // namespace

std::unique_ptr<StreamRoute> MakeAudioRoute(AviOutput& output, AVStream* stream, int& error) {
    const AVCodec* decoding = avcodec_find_decoder(stream->codecpar->codec_id);
    const AVCodec* encoding = ChooseEncoder();
    error = AVERROR_DECODER_NOT_FOUND;
    if (decoding == nullptr || encoding == nullptr) return nullptr;

    CodecPtr decoder(avcodec_alloc_context3(decoding)), encoder(avcodec_alloc_context3(encoding));
    error = AVERROR(ENOMEM);
    if (!decoder || !encoder) return nullptr;
    if ((error = avcodec_parameters_to_context(decoder.get(), stream->codecpar)) < 0) return nullptr;
    decoder->pkt_timebase = stream->time_base;
    if ((error = avcodec_open2(decoder.get(), decoding, nullptr)) < 0) return nullptr;

    av_channel_layout_default(&encoder->ch_layout, stream->codecpar->ch_layout.nb_channels >= 2 ? 2 : 1);
    encoder->sample_rate = ChooseRate(encoding, stream->codecpar->sample_rate);
    encoder->sample_fmt = encoding->sample_fmts != nullptr ? encoding->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    encoder->time_base = AVRational{1, encoder->sample_rate};
    if (encoding->id == AV_CODEC_ID_MP3) encoder->bit_rate = encoder->ch_layout.nb_channels == 2 ? 192000 : 96000;
    if ((error = avcodec_open2(encoder.get(), encoding, nullptr)) < 0) return nullptr;

    AVStream* out = avformat_new_stream(output.Context(), nullptr);
    error = AVERROR(ENOMEM);
    if (out == nullptr) return nullptr;
    if ((error = avcodec_parameters_from_context(out->codecpar, encoder.get())) < 0) return nullptr;
    // MP3 has no sample width of its own; the AVI writer stores none and would warn about one.
    if (encoding->id == AV_CODEC_ID_MP3) out->codecpar->bits_per_coded_sample = 0;
    out->time_base = encoder->time_base;
    auto route = std::make_unique<AudioRoute>(output, stream, out->index, std::move(decoder), std::move(encoder));
    if ((error = route->Open()) < 0) return nullptr;
    return route;
}

}  // namespace xvmf
