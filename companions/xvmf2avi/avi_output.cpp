// Writing packets into the AVI file, and what the routes share.
#include "stream_routes.h"

namespace xvmf {

int AviOutput::Write(AVPacket* packet, AVRational from, int index) {
    const AVRational to = m_context->streams[index]->time_base;
    packet->stream_index = index;
    packet->pos = -1;
    av_packet_rescale_ts(packet, from, to);
    if (packet->dts == AV_NOPTS_VALUE) packet->dts = packet->pts;
    const auto last = m_lastDts.find(index);
    if (last != m_lastDts.end() && (packet->dts == AV_NOPTS_VALUE || packet->dts <= last->second))
        packet->dts = last->second + 1;
    if (packet->dts == AV_NOPTS_VALUE) packet->dts = 0;
    if (packet->pts == AV_NOPTS_VALUE || packet->pts < packet->dts) packet->pts = packet->dts;
    m_lastDts[index] = packet->dts;
    return av_interleaved_write_frame(m_context, packet);
}

bool AviCarries(const AVFormatContext* output, const AVCodecParameters* codec) {
    return avformat_query_codec(output->oformat, codec->codec_id, FF_COMPLIANCE_NORMAL) == 1;
}

AVRational PictureRate(AVFormatContext* input, AVStream* stream) {
    const AVRational rate = av_guess_frame_rate(input, stream, nullptr);
    // A rate a player could show; anything else is a guess gone wrong.
    if (rate.num <= 0 || rate.den <= 0 || av_q2d(rate) > 240.0 || av_q2d(rate) < 1.0) return AVRational{25, 1};
    return rate;
}

int AviOutput::Encode(AVCodecContext* encoder, AVFrame* frame, AVPacket* packet, int index, bool& produced) {
    int error = avcodec_send_frame(encoder, frame);
    if (error < 0) return error;
    while ((error = avcodec_receive_packet(encoder, packet)) >= 0) {
        produced = true;
        if ((error = Write(packet, encoder->time_base, index)) < 0) return error;
    }
    return error == AVERROR(EAGAIN) || error == AVERROR_EOF ? 0 : error;
}

}  // namespace xvmf
