// MP3 files: an ID3v2.3 or v2.4 tag followed by silent MPEG-1 Layer III frames.
#include <algorithm>

#include "internal.h"

namespace zelmediagen {
namespace {

using namespace detail;

constexpr size_t kFrameBytes = 417;  // 128 kbit/s at 44.1 kHz without the padding slot

void PutSynchsafe(Bytes& out, uint32_t v) {
    for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<uint8_t>((v >> shift) & 0x7F));
}

class TagWriter {
public:
    explicit TagWriter(int version) : version_(version) {}

    void Frame(const char* id, const Bytes& data) {
        Append(body_, std::string(id, 4));
        if (version_ == 4) {
            PutSynchsafe(body_, static_cast<uint32_t>(data.size()));
        } else {
            PutBe32(body_, static_cast<uint32_t>(data.size()));
        }
        body_.push_back(0);
        body_.push_back(0);
        Append(body_, data);
    }

    // Encoding byte plus the text: UTF-16 with a byte order mark in v2.3, UTF-8 in v2.4.
    uint8_t EncodingByte() const { return version_ == 4 ? 3 : 1; }
    void Text(Bytes& out, const std::string& text, bool terminate) const {
        if (version_ == 4) {
            Append(out, text);
            if (terminate) out.push_back(0);
        } else {
            out.push_back(0xFF);
            out.push_back(0xFE);
            Append(out, Utf16Le(text, terminate));
        }
    }

    void TextFrame(const char* id, const std::string& text) {
        if (text.empty()) return;
        Bytes data{EncodingByte()};
        Text(data, text, false);
        Frame(id, data);
    }

    Bytes Finish(size_t padding) const {
        Bytes out{'I', 'D', '3', static_cast<uint8_t>(version_), 0, 0};
        PutSynchsafe(out, static_cast<uint32_t>(body_.size() + padding));
        Append(out, body_);
        out.resize(out.size() + padding, 0);
        return out;
    }

private:
    int version_;
    Bytes body_;
};

}  // namespace

Bytes MakeId3Tag(const Mp3Options& options) {
    if (options.id3Version != 3 && options.id3Version != 4) return {};
    TagWriter tag(options.id3Version);
    tag.TextFrame("TIT2", options.title);
    tag.TextFrame("TPE1", options.artist);
    tag.TextFrame("TALB", options.album);
    tag.TextFrame("TCON", options.genre);
    if (options.year > 0) tag.TextFrame(options.id3Version == 4 ? "TDRC" : "TYER", std::to_string(options.year));
    if (options.track > 0) tag.TextFrame("TRCK", std::to_string(options.track));
    if (!options.lyrics.empty()) {
        Bytes data{tag.EncodingByte(), 'e', 'n', 'g'};
        tag.Text(data, "", true);
        tag.Text(data, options.lyrics, false);
        tag.Frame("USLT", data);
    }
    if (options.cover.format != ImageFormat::None) {
        Bytes picture = MakeImage(options.cover.format, options.cover.width, options.cover.height);
        if (picture.empty()) return {};
        Bytes data{0};
        Append(data, std::string(options.cover.format == ImageFormat::Png ? "image/png" : "image/jpeg"));
        data.push_back(0);
        data.push_back(static_cast<uint8_t>(options.cover.pictureType));
        data.push_back(0);  // empty description
        Append(data, picture);
        tag.Frame("APIC", data);
    }
    return tag.Finish(options.padding);
}

Bytes MakeMp3Audio(int frames) {
    if (frames < 1) frames = 1;
    const size_t total = kFrameBytes * static_cast<size_t>(frames + 1);
    Bytes out;
    out.reserve(total);
    for (int i = 0; i <= frames; ++i) {
        size_t start = out.size();
        // MPEG-1 Layer III, no CRC, 128 kbit/s, 44.1 kHz, joint stereo, original.
        Append(out, Bytes{0xFF, 0xFB, 0x90, 0x44});
        // Side information of zeros: no main data, every granule decodes to silence.
        out.resize(start + kFrameBytes, 0);
        if (i == 0) {
            // The first frame carries the "Info" header of a constant bit rate file:
            // the frame count and the byte count of the stream.
            Bytes info{'I', 'n', 'f', 'o'};
            PutBe32(info, 0x3);
            PutBe32(info, static_cast<uint32_t>(frames));
            PutBe32(info, static_cast<uint32_t>(total));
            std::copy(info.begin(), info.end(), out.begin() + static_cast<long>(start + 4 + 32));
        }
    }
    return out;
}

bool WriteMp3(const std::string& path, const Mp3Options& options) {
    Bytes file;
    if (options.id3Version != 0) {
        file = MakeId3Tag(options);
        if (file.empty()) return false;
    }
    Append(file, MakeMp3Audio(options.frames));
    return WriteBytes(path, file);
}

}  // namespace zelmediagen
