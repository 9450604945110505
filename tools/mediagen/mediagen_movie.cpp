// Small real movies, encoded with FFmpeg's libraries: a moving gradient and a
// steady tone in any container and codecs FFmpeg writes, under any file name.
// And the reading side the tests use to check what a converter produced.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <memory>

#include "mediagen.h"

namespace zelmediagen {

namespace {

struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct OutputFree {
    void operator()(AVFormatContext* c) const {
        if (c->pb != nullptr) avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
struct InputClose {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct ScaleFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// One encoded stream of the movie being written.
struct Track {
    CodecPtr codec;
    AVStream* stream = nullptr;
    FramePtr frame;
    int64_t next = 0;  // pts of the next frame, in the codec's time base
};

bool OpenTrack(AVFormatContext* output, Track& track, const AVCodec* encoder) {
    if ((output->oformat->flags & AVFMT_GLOBALHEADER) != 0) track.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(track.codec.get(), encoder, nullptr) < 0) return false;
    track.stream = avformat_new_stream(output, nullptr);
    if (track.stream == nullptr || avcodec_parameters_from_context(track.stream->codecpar, track.codec.get()) < 0)
        return false;
    track.stream->time_base = track.codec->time_base;
    track.frame.reset(av_frame_alloc());
    return track.frame != nullptr;
}

bool OpenVideo(AVFormatContext* output, const MovieOptions& options, Track& track) {
    const AVCodec* encoder = avcodec_find_encoder_by_name(options.video.c_str());
    if (encoder == nullptr || encoder->type != AVMEDIA_TYPE_VIDEO) return false;
    track.codec.reset(avcodec_alloc_context3(encoder));
    if (!track.codec) return false;
    track.codec->width = options.width;
    track.codec->height = options.height;
    track.codec->pix_fmt = encoder->pix_fmts != nullptr ? encoder->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    track.codec->time_base = AVRational{1, options.fps};
    track.codec->framerate = AVRational{options.fps, 1};
    track.codec->gop_size = options.fps;
    if (!OpenTrack(output, track, encoder)) return false;
    track.frame->format = track.codec->pix_fmt;
    track.frame->width = options.width;
    track.frame->height = options.height;
    return av_frame_get_buffer(track.frame.get(), 0) >= 0;
}

// 44.1 kHz, or the first rate an encoder lists when it does not take that.
int SampleRate(const AVCodec* encoder) {
    if (encoder->supported_samplerates == nullptr) return 44100;
    for (const int* rate = encoder->supported_samplerates; *rate != 0; ++rate)
        if (*rate == 44100) return 44100;
    return encoder->supported_samplerates[0];
}

bool OpenAudio(AVFormatContext* output, const MovieOptions& options, Track& track) {
    const AVCodec* encoder = avcodec_find_encoder_by_name(options.audio.c_str());
    if (encoder == nullptr || encoder->type != AVMEDIA_TYPE_AUDIO) return false;
    track.codec.reset(avcodec_alloc_context3(encoder));
    if (!track.codec) return false;
    av_channel_layout_default(&track.codec->ch_layout, options.channels);
    track.codec->sample_rate = SampleRate(encoder);
    track.codec->sample_fmt = encoder->sample_fmts != nullptr ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    track.codec->time_base = AVRational{1, track.codec->sample_rate};
    track.codec->bit_rate = 96000;
    if (!OpenTrack(output, track, encoder)) return false;
    track.frame->format = track.codec->sample_fmt;
    track.frame->sample_rate = track.codec->sample_rate;
    track.frame->nb_samples = track.codec->frame_size > 0 ? track.codec->frame_size : 1024;
    return av_channel_layout_copy(&track.frame->ch_layout, &track.codec->ch_layout) >= 0 &&
           av_frame_get_buffer(track.frame.get(), 0) >= 0;
}

// The picture at frame number n: a gradient that moves one step per picture.
bool Paint(Track& track, SwsContext* scale, std::vector<uint8_t>& rgb, int width, int height, int64_t n) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = &rgb[static_cast<size_t>((y * width + x) * 3)];
            pixel[0] = static_cast<uint8_t>(x * 255 / width + n * 8);
            pixel[1] = static_cast<uint8_t>(y * 255 / height);
            pixel[2] = static_cast<uint8_t>(n * 16);
        }
    if (av_frame_make_writable(track.frame.get()) < 0) return false;
    const uint8_t* planes[1] = {rgb.data()};
    const int strides[1] = {width * 3};
    sws_scale(scale, planes, strides, 0, height, track.frame->data, track.frame->linesize);
    return true;
}

// A 440 Hz tone in whatever sample format the encoder takes.
bool Sound(Track& track) {
    if (av_frame_make_writable(track.frame.get()) < 0) return false;
    AVFrame* frame = track.frame.get();
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const int channels = frame->ch_layout.nb_channels;
    for (int i = 0; i < frame->nb_samples; ++i) {
        const double value =
            0.3 * std::sin(2 * M_PI * 440.0 * static_cast<double>(track.next + i) / track.codec->sample_rate);
        for (int c = 0; c < channels; ++c) {
            const int slot = planar ? i : i * channels + c;
            uint8_t* plane = frame->extended_data[planar ? c : 0];
            switch (av_get_packed_sample_fmt(format)) {
            case AV_SAMPLE_FMT_S16: reinterpret_cast<int16_t*>(plane)[slot] = static_cast<int16_t>(value * 32767); break;
            case AV_SAMPLE_FMT_S32: reinterpret_cast<int32_t*>(plane)[slot] = static_cast<int32_t>(value * 2147483647.0); break;
            case AV_SAMPLE_FMT_FLT: reinterpret_cast<float*>(plane)[slot] = static_cast<float>(value); break;
            case AV_SAMPLE_FMT_DBL: reinterpret_cast<double*>(plane)[slot] = value; break;
            default: return false;
            }
        }
    }
    return true;
}

// Encodes frame (null: the end) and writes the packets.
bool Encode(AVFormatContext* output, Track& track, AVFrame* frame) {
    if (avcodec_send_frame(track.codec.get(), frame) < 0) return false;
    PacketPtr packet(av_packet_alloc());
    int error = 0;
    while (packet && (error = avcodec_receive_packet(track.codec.get(), packet.get())) >= 0) {
        av_packet_rescale_ts(packet.get(), track.codec->time_base, track.stream->time_base);
        packet->stream_index = track.stream->index;
        if (av_interleaved_write_frame(output, packet.get()) < 0) return false;
    }
    return packet && (error == AVERROR(EAGAIN) || error == AVERROR_EOF);
}

}  // namespace

bool WriteMovie(const std::string& path, const MovieOptions& options) {
    av_log_set_level(AV_LOG_ERROR);  // encoders report statistics at the default level
    AVFormatContext* made = nullptr;
    if (avformat_alloc_output_context2(&made, nullptr, options.container.c_str(), nullptr) < 0 || made == nullptr)
        return false;
    std::unique_ptr<AVFormatContext, OutputFree> output(made);
    Track video, audio;
    if (!options.video.empty() && !OpenVideo(made, options, video)) return false;
    if (!options.audio.empty() && !OpenAudio(made, options, audio)) return false;
    if (avio_open2(&made->pb, ("file:" + path).c_str(), AVIO_FLAG_WRITE, nullptr, nullptr) < 0) return false;
    if (avformat_write_header(made, nullptr) < 0) return false;

    std::unique_ptr<SwsContext, ScaleFree> scale;
    std::vector<uint8_t> rgb(static_cast<size_t>(options.width * options.height * 3));
    if (video.codec) {
        scale.reset(sws_getContext(options.width, options.height, AV_PIX_FMT_RGB24, options.width, options.height,
                                   video.codec->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!scale) return false;
    }
    const int64_t pictures = static_cast<int64_t>(options.seconds * options.fps);
    const int64_t samples = audio.codec ? static_cast<int64_t>(options.seconds * audio.codec->sample_rate) : 0;
    bool videoOpen = video.codec != nullptr, audioOpen = audio.codec != nullptr;
    while (videoOpen || audioOpen) {
        // The stream that is behind in time goes next, so the container interleaves them.
        const bool pictureNext =
            videoOpen && (!audioOpen || av_compare_ts(video.next, video.codec->time_base, audio.next,
                                                      audio.codec->time_base) <= 0);
        Track& track = pictureNext ? video : audio;
        const bool more = pictureNext ? track.next < pictures : track.next < samples;
        if (!more) {
            if (!Encode(made, track, nullptr)) return false;
            (pictureNext ? videoOpen : audioOpen) = false;
            continue;
        }
        if (!(pictureNext ? Paint(track, scale.get(), rgb, options.width, options.height, track.next) : Sound(track)))
            return false;
        track.frame->pts = track.next;
        track.next += pictureNext ? 1 : track.frame->nb_samples;
        if (!Encode(made, track, track.frame.get())) return false;
    }
    if (av_write_trailer(made) < 0) return false;
    return avio_closep(&made->pb) >= 0;
}

MovieInfo ReadMovie(const std::string& path) {
    MovieInfo info;
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, ("file:" + path).c_str(), nullptr, nullptr) < 0) return info;
    std::unique_ptr<AVFormatContext, InputClose> input(opened);
    if (avformat_find_stream_info(opened, nullptr) < 0) return info;
    info.opened = true;
    info.container = opened->iformat->name;
    info.seconds = opened->duration == AV_NOPTS_VALUE ? 0 : static_cast<double>(opened->duration) / AV_TIME_BASE;
    for (unsigned k = 0; k < opened->nb_streams; ++k) {
        const AVCodecParameters* codec = opened->streams[k]->codecpar;
        MovieInfo::Stream stream;
        stream.video = codec->codec_type == AVMEDIA_TYPE_VIDEO;
        if (!stream.video && codec->codec_type != AVMEDIA_TYPE_AUDIO) continue;
        stream.codec = avcodec_get_name(codec->codec_id);
        stream.width = codec->width;
        stream.height = codec->height;
        info.streams.push_back(stream);
    }
    // Every packet is decoded, so a stream that only looks right does not pass.
    std::vector<CodecPtr> decoders(opened->nb_streams);
    for (unsigned k = 0; k < opened->nb_streams; ++k) {
        const AVCodecParameters* codec = opened->streams[k]->codecpar;
        const AVCodec* decoder = avcodec_find_decoder(codec->codec_id);
        if (decoder == nullptr || codec->codec_type != AVMEDIA_TYPE_VIDEO) continue;
        decoders[k].reset(avcodec_alloc_context3(decoder));
        if (!decoders[k] || avcodec_parameters_to_context(decoders[k].get(), codec) < 0 ||
            avcodec_open2(decoders[k].get(), decoder, nullptr) < 0)
            decoders[k].reset();
    }
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    auto drain = [&](AVCodecContext* decoder) {
        while (avcodec_receive_frame(decoder, frame.get()) >= 0) ++info.pictures;
    };
    while (packet && frame && av_read_frame(opened, packet.get()) >= 0) {
        AVCodecContext* decoder = decoders[static_cast<size_t>(packet->stream_index)].get();
        if (decoder != nullptr && avcodec_send_packet(decoder, packet.get()) >= 0) drain(decoder);
        av_packet_unref(packet.get());
    }
    for (auto& decoder : decoders)
        if (decoder && avcodec_send_packet(decoder.get(), nullptr) >= 0) drain(decoder.get());
    return info;
}

}  // namespace zelmediagen
