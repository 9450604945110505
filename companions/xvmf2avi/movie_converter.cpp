// Reading the source, choosing a route per stream and writing the AVI file.
//
// The source is opened through the file protocol only, and containers that
// name other files or are single pictures (playlists, concatenation lists,
// image sequences, text screens) are refused: a movie file is read by itself.
#include "movie_converter.h"

#include <cstring>
#include <vector>

#include "stream_routes.h"

namespace xvmf {

namespace {

// Demuxers that read other files or make pictures out of things that are not movies.
bool RefusedContainer(const AVInputFormat* format) {
    static const char* const kRefused[] = {"concat", "hls", "dash", "tty", "image2", "ffmetadata", "webm_dash_manifest"};
    for (const char* name : kRefused)
        if (std::strcmp(format->name, name) == 0) return true;
    const size_t length = std::strlen(format->name);
    // The single-picture readers: jpeg_pipe, png_pipe, ...
    return (format->flags & AVFMT_NOFILE) != 0 || (length > 5 && std::strcmp(format->name + length - 5, "_pipe") == 0);
}

struct InputClose {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct IoClose {
    void operator()(AVIOContext* io) const { avio_closep(&io); }
};
struct OutputFree {
    void operator()(AVFormatContext* c) const {
        if (c->pb != nullptr) avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputClose>;
using IoPtr = std::unique_ptr<AVIOContext, IoClose>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputFree>;

// "file:" keeps a name such as "http:x" a file name.
std::string FileUrl(const std::string& path) { return "file:" + path; }

// The source opened and its streams found. The I/O context is the caller's to
// close after the format context (destroy input before io).
Result OpenSource(const std::string& path, IoPtr& io, InputPtr& input) {
    AVIOContext* opened = nullptr;
    if (avio_open2(&opened, FileUrl(path).c_str(), AVIO_FLAG_READ, nullptr, nullptr) < 0) return kUnreadableSource;
    io.reset(opened);
    const AVInputFormat* format = nullptr;
    if (av_probe_input_buffer2(opened, &format, FileUrl(path).c_str(), nullptr, 0, 0) < 0 || format == nullptr)
        return kUnreadableSource;
    if (RefusedContainer(format)) return kUnreadableSource;

    AVFormatContext* context = avformat_alloc_context();
    if (context == nullptr) return kNotConverted;
    context->pb = opened;
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int error = avformat_open_input(&context, FileUrl(path).c_str(), format, &options);
    av_dict_free(&options);
    if (error < 0) return kUnreadableSource;  // the context was freed by the failed open
    input.reset(context);
    if (avformat_find_stream_info(context, nullptr) < 0) return kUnreadableSource;
    return kConverted;
}

class Conversion {
public:
    Result Run(const std::string& source, const std::string& output) {
        Result result = OpenSource(source, m_io, m_input);
        if (result != kConverted) return result;

        const int picture = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (picture < 0 || m_input->streams[picture]->codecpar->width <= 0 ||
            (m_input->streams[picture]->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0)
            return kNoMovie;
        const int sound = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_AUDIO, -1, picture, nullptr, 0);

        AVFormatContext* made = nullptr;
        if (avformat_alloc_output_context2(&made, nullptr, "avi", nullptr) < 0 || made == nullptr) return kNotConverted;
        m_output.reset(made);
        m_writer = std::make_unique<AviOutput>(made);

        m_routes.resize(m_input->nb_streams);
        if (!AddRoute(picture) || (sound >= 0 && !AddRoute(sound))) return kNotConverted;

        if (avio_open2(&made->pb, FileUrl(output).c_str(), AVIO_FLAG_WRITE, nullptr, nullptr) < 0) return kUnwritable;
        if (avformat_write_header(made, nullptr) < 0) return kNotConverted;
        if ((result = CopyPackets()) != kConverted) return result;
        if (av_write_trailer(made) < 0) return kUnwritable;
        // The last buffered bytes are written now; an error of any earlier write stays in the context.
        avio_flush(made->pb);
        const bool written = made->pb->error >= 0;
        return avio_closep(&made->pb) >= 0 && written ? kConverted : kUnwritable;
    }

private:
    bool AddRoute(int index) {
        AVStream* stream = m_input->streams[index];
        int error = 0;
        std::unique_ptr<StreamRoute> route;
        if (AviCarries(m_output.get(), stream->codecpar))
            route = MakeCopyRoute(*m_writer, m_input.get(), stream, error);
        else if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            route = MakeVideoRoute(*m_writer, m_input.get(), stream, error);
        else
            route = MakeAudioRoute(*m_writer, stream, error);
        m_routes[static_cast<size_t>(index)] = std::move(route);
        return m_routes[static_cast<size_t>(index)] != nullptr;
    }

    Result CopyPackets() {
        PacketPtr packet(av_packet_alloc());
        if (!packet) return kNotConverted;
        // Times count from the start of the file, so that an AVI does not begin with empty pictures.
        const int64_t start = m_input->start_time == AV_NOPTS_VALUE ? 0 : m_input->start_time;
        int error = 0;
        while ((error = av_read_frame(m_input.get(), packet.get())) >= 0) {
            StreamRoute* route = m_routes[static_cast<size_t>(packet->stream_index)].get();
            if (route != nullptr) {
                const AVRational base = m_input->streams[packet->stream_index]->time_base;
                const int64_t origin = av_rescale_q(start, AV_TIME_BASE_Q, base);
                if (packet->pts != AV_NOPTS_VALUE) packet->pts -= origin;
                if (packet->dts != AV_NOPTS_VALUE) packet->dts -= origin;
                error = route->Feed(packet.get());
            }
            av_packet_unref(packet.get());
            if (error < 0) return Failed(error);
        }
        if (error != AVERROR_EOF) return kNotConverted;
        for (auto& route : m_routes) {
            if (route && (error = route->Feed(nullptr)) < 0) return Failed(error);
        }
        // A movie without a single picture written is no movie.
        for (const auto& route : m_routes)
            if (route && !route->Produced()) return kNotConverted;
        return kConverted;
    }

    Result Failed(int error) {
        const AVIOContext* pb = m_output->pb;
        return error == AVERROR(ENOSPC) || error == AVERROR(EIO) || (pb != nullptr && pb->error < 0) ? kUnwritable
                                                                                                     : kNotConverted;
    }

    IoPtr m_io;
    InputPtr m_input;  // declared after m_io: closed first
    OutputPtr m_output;
    std::unique_ptr<AviOutput> m_writer;
    std::vector<std::unique_ptr<StreamRoute>> m_routes;  // by source stream index; destroyed first
};

}  // namespace

Result ConvertToAvi(const std::string& source, const std::string& output) {
    Conversion conversion;
    return conversion.Run(source, output);
}

}  // namespace xvmf
