// A stream AVI can carry: its packets are copied without decoding. H.264
// stored the MP4 way (lengths before each unit) is rewritten to start codes,
// the form AVI players read.
#include "stream_routes.h"

namespace xvmf {

namespace {

class CopyRoute : public StreamRoute {
public:
    CopyRoute(AviOutput& output, int index, AVRational timeBase, BsfPtr filter)
        : m_output(output), m_index(index), m_timeBase(timeBase), m_filter(std::move(filter)) {}

    int Feed(AVPacket* packet) override {
        if (!m_filter) return packet == nullptr ? 0 : Write(packet);
        int error = av_bsf_send_packet(m_filter.get(), packet);
        if (error < 0) return error;
        PacketPtr out(av_packet_alloc());
        if (!out) return AVERROR(ENOMEM);
        while ((error = av_bsf_receive_packet(m_filter.get(), out.get())) >= 0) {
            if ((error = Write(out.get())) < 0) return error;
        }
        return error == AVERROR(EAGAIN) || error == AVERROR_EOF ? 0 : error;
    }
    bool Produced() const override { return m_produced; }

private:
    int Write(AVPacket* packet) {
        m_produced = true;
        return m_output.Write(packet, m_timeBase, m_index);
    }

    AviOutput& m_output;
    int m_index;
    AVRational m_timeBase;
    BsfPtr m_filter;
    bool m_produced = false;
};

// The filter that turns length-prefixed H.264 into start codes; null when none is needed.
int StartCodeFilter(const AVStream* input, BsfPtr& filter) {
    const AVCodecParameters* codec = input->codecpar;
    if (codec->codec_id != AV_CODEC_ID_H264 || codec->extradata_size < 1 || codec->extradata[0] != 1) return 0;
    const AVBitStreamFilter* kind = av_bsf_get_by_name("h264_mp4toannexb");
    if (kind == nullptr) return AVERROR_BSF_NOT_FOUND;
    AVBSFContext* made = nullptr;
    int error = av_bsf_alloc(kind, &made);
    if (error < 0) return error;
    filter.reset(made);
    if ((error = avcodec_parameters_copy(made->par_in, codec)) < 0) return error;
    made->time_base_in = input->time_base;
    return av_bsf_init(made);
}

}  // namespace

std::unique_ptr<StreamRoute> MakeCopyRoute(AviOutput& output, AVFormatContext* input, AVStream* stream, int& error) {
    BsfPtr filter;
    if ((error = StartCodeFilter(stream, filter)) < 0) return nullptr;
    AVStream* out = avformat_new_stream(output.Context(), nullptr);
    if (out == nullptr) {
        error = AVERROR(ENOMEM);
        return nullptr;
    }
    if ((error = avcodec_parameters_copy(out->codecpar, filter ? filter->par_out : stream->codecpar)) < 0)
        return nullptr;
    // The source container's tag may mean nothing in AVI; the writer picks its own.
    out->codecpar->codec_tag = 0;
    // AVI counts pictures, so a picture stream is timed in whole pictures.
    AVRational timeBase = stream->time_base;
    if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        out->time_base = av_inv_q(PictureRate(input, stream));
        out->avg_frame_rate = PictureRate(input, stream);
    } else {
        out->time_base = stream->time_base;
    }
    if (filter) timeBase = filter->time_base_out;
    return std::make_unique<CopyRoute>(output, out->index, timeBase, std::move(filter));
}

}  // namespace xvmf
