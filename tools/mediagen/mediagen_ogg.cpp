// Ogg Vorbis files: silence encoded by libvorbis, with the given comments.
#include <vorbis/vorbisenc.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "internal.h"

namespace zelmediagen {
namespace {

using namespace detail;

std::string Base64(const Bytes& data) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < data.size(); i += 3) {
        uint32_t chunk = static_cast<uint32_t>(data[i]) << 16;
        if (i + 1 < data.size()) chunk |= static_cast<uint32_t>(data[i + 1]) << 8;
        if (i + 2 < data.size()) chunk |= data[i + 2];
        out += digits[(chunk >> 18) & 63];
        out += digits[(chunk >> 12) & 63];
        out += i + 1 < data.size() ? digits[(chunk >> 6) & 63] : '=';
        out += i + 2 < data.size() ? digits[chunk & 63] : '=';
    }
    return out;
}

// The FLAC picture block that Vorbis comments carry, base64-encoded, in METADATA_BLOCK_PICTURE.
std::string PictureComment(const Cover& cover) {
    Bytes image = MakeImage(cover.format, cover.width, cover.height);
    if (image.empty()) return {};
    std::string mime = cover.format == ImageFormat::Png ? "image/png" : "image/jpeg";
    Bytes block;
    PutBe32(block, static_cast<uint32_t>(cover.pictureType));
    PutBe32(block, static_cast<uint32_t>(mime.size()));
    Append(block, mime);
    PutBe32(block, 0);  // description
    PutBe32(block, static_cast<uint32_t>(cover.width));
    PutBe32(block, static_cast<uint32_t>(cover.height));
    PutBe32(block, 24);
    PutBe32(block, 0);
    PutBe32(block, static_cast<uint32_t>(image.size()));
    Append(block, image);
    return Base64(block);
}

// Owns the libvorbis and libogg state of one encoding.
class Encoder {
public:
    Encoder() {
        vorbis_info_init(&info_);
        vorbis_comment_init(&comment_);
    }
    ~Encoder() {
        if (streamReady_) ogg_stream_clear(&stream_);
        if (blockReady_) vorbis_block_clear(&block_);
        if (dspReady_) vorbis_dsp_clear(&dsp_);
        vorbis_comment_clear(&comment_);
        vorbis_info_clear(&info_);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    bool Run(std::ofstream& out, const OggOptions& options) {
        const long rate = 44100;
        if (vorbis_encode_init_vbr(&info_, 1, rate, 0.1f) != 0) return false;
        for (const auto& [name, value] : options.comments) {
            vorbis_comment_add_tag(&comment_, name.c_str(), value.c_str());
        }
        if (options.cover.format != ImageFormat::None) {
            std::string picture = PictureComment(options.cover);
            if (picture.empty()) return false;
            vorbis_comment_add_tag(&comment_, "METADATA_BLOCK_PICTURE", picture.c_str());
        }
        if (vorbis_analysis_init(&dsp_, &info_) != 0) return false;
        dspReady_ = true;
        if (vorbis_block_init(&dsp_, &block_) != 0) return false;
        blockReady_ = true;
        ogg_stream_init(&stream_, 0x5A454C31);
        streamReady_ = true;

        ogg_packet identification, comments, setup;
        vorbis_analysis_headerout(&dsp_, &comment_, &identification, &comments, &setup);
        ogg_stream_packetin(&stream_, &identification);
        ogg_stream_packetin(&stream_, &comments);
        ogg_stream_packetin(&stream_, &setup);
        ogg_page page;
        // The audio starts on a fresh page, as the format asks.
        while (ogg_stream_flush(&stream_, &page) != 0) Write(out, page);

        long remaining = static_cast<long>(options.seconds * rate);
        const int chunk = 1024;
        while (remaining > 0) {
            int count = static_cast<int>(remaining < chunk ? remaining : chunk);
            float** buffer = vorbis_analysis_buffer(&dsp_, count);
            std::memset(buffer[0], 0, sizeof(float) * static_cast<size_t>(count));
            vorbis_analysis_wrote(&dsp_, count);
            remaining -= count;
            Drain(out);
        }
        vorbis_analysis_wrote(&dsp_, 0);  // end of stream
        Drain(out);
        while (ogg_stream_flush(&stream_, &page) != 0) Write(out, page);
        return static_cast<bool>(out.flush());
    }

private:
    // Encodes what libvorbis has buffered and writes the pages that filled up.
    void Drain(std::ofstream& out) {
        while (vorbis_analysis_blockout(&dsp_, &block_) == 1) {
            vorbis_analysis(&block_, nullptr);
            vorbis_bitrate_addblock(&block_);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp_, &packet) == 1) {
                ogg_stream_packetin(&stream_, &packet);
                ogg_page page;
                while (ogg_stream_pageout(&stream_, &page) != 0) Write(out, page);
            }
        }
    }

    static void Write(std::ofstream& out, const ogg_page& page) {
        out.write(reinterpret_cast<const char*>(page.header), page.header_len);
        out.write(reinterpret_cast<const char*>(page.body), page.body_len);
    }

    vorbis_info info_;
    vorbis_comment comment_;
    vorbis_dsp_state dsp_;
    vorbis_block block_;
    ogg_stream_state stream_;
    bool dspReady_ = false, blockReady_ = false, streamReady_ = false;
};

}  // namespace

bool WriteOggVorbis(const std::string& path, const OggOptions& options) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    Encoder encoder;
    bool written = encoder.Run(out, options);
    out.close();
    if (!written) std::remove(path.c_str());
    return written;
}

}  // namespace zelmediagen
