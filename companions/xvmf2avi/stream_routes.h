// How one stream of the source reaches the AVI file: copied as it is when AVI
// can carry its codec, otherwise decoded and encoded again (pictures as
// MPEG-4 Part 2 or Motion JPEG, sound as MP3 or 16-bit PCM).
#pragma once

#include <map>
#include <memory>

#include "av_handles.h"

namespace xvmf {

// The AVI file being written. Every packet goes in with the time base its
// times are counted in; the writer moves them to the stream's own time base.
class AviOutput {
public:
    explicit AviOutput(AVFormatContext* context) : m_context(context) {}
    AVFormatContext* Context() const { return m_context; }
    // Writes packet (taking its data) to output stream index. AVI keeps no
    // time stamps of its own, only the order and the rate, so a time that would
    // not rise is moved up to one tick after the previous one.
    int Write(AVPacket* packet, AVRational from, int index);
    // Hands a frame (null: the end) to encoder and writes every packet it
    // yields to stream index, through packet; produced is set once one is
    // written. 0 or a negative FFmpeg error.
    int Encode(AVCodecContext* encoder, AVFrame* frame, AVPacket* packet, int index, bool& produced);

private:
    AVFormatContext* m_context;
    std::map<int, int64_t> m_lastDts;
};

class StreamRoute {
public:
    virtual ~StreamRoute() = default;
    // One packet of the source stream, its times counted from the start of
    // the file; null when the source has ended (the route drains itself).
    // 0 or a negative FFmpeg error.
    virtual int Feed(AVPacket* packet) = 0;
    // Whether anything reached the AVI file.
    virtual bool Produced() const = 0;
};

// Whether the AVI writer can store the stream's codec as it is.
bool AviCarries(const AVFormatContext* output, const AVCodecParameters* codec);
// The pictures per second of a stream, or 25 when the source does not say.
AVRational PictureRate(AVFormatContext* input, AVStream* stream);

// Each adds its stream to the AVI file; null with error set when that fails.
std::unique_ptr<StreamRoute> MakeCopyRoute(AviOutput& output, AVFormatContext* input, AVStream* stream, int& error);
std::unique_ptr<StreamRoute> MakeVideoRoute(AviOutput& output, AVFormatContext* input, AVStream* stream, int& error);
std::unique_ptr<StreamRoute> MakeAudioRoute(AviOutput& output, AVStream* stream, int& error);

}  // namespace xvmf
