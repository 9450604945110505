// zelmediagen: small real media files for tests and demonstrations.
//
// Every writer takes a host path (UTF-8) and returns false when the file could not be
// written. Texts are UTF-8. The files are genuine: MP3 frames a decoder plays as
// silence, an ASF header that describes real streams, Ogg Vorbis encoded by libvorbis.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zelmediagen {

using Bytes = std::vector<uint8_t>;

enum class ImageFormat { None, Jpeg, Png };

// An embedded picture: a gradient image of the given size, encoded as asked.
struct Cover {
    ImageFormat format = ImageFormat::None;
    int width = 0;
    int height = 0;
    int pictureType = 3;  // ID3v2 / ASF / FLAC picture type; 3 is the front cover
};

// A gradient test picture, encoded. Empty on failure.
Bytes MakeJpeg(int width, int height, int quality = 90);
Bytes MakePng(int width, int height, bool alpha = false);
Bytes MakeImage(ImageFormat format, int width, int height);
bool WriteJpeg(const std::string& path, int width, int height);
bool WritePng(const std::string& path, int width, int height);

struct Mp3Options {
    int frames = 192;     // silent MPEG-1 Layer III frames (44.1 kHz, 128 kbit/s); 192 last about 5 s
    int id3Version = 3;   // 3 or 4; 0 writes no tag
    std::string title, artist, album, genre;
    int year = 0;         // 0: none
    int track = 0;        // 0: none
    std::string lyrics;   // non-empty: a USLT frame (language "eng", empty description)
    Cover cover;          // an APIC frame when format is not None
    size_t padding = 256; // zero bytes after the frames
};

// The ID3v2 tag block alone (10-byte header + frames + padding); empty when id3Version is 0.
Bytes MakeId3Tag(const Mp3Options& options);
// MPEG audio frames: a Xing "Info" frame followed by options.frames silent frames.
Bytes MakeMp3Audio(int frames);
bool WriteMp3(const std::string& path, const Mp3Options& options);

struct AsfOptions {
    bool video = false;   // adds a video stream (WMV) next to the audio stream
    int durationMs = 5000;
    std::string title, artist, album, genre;
    int year = 0;
    int track = 0;
    std::string lyrics;   // non-empty: a WM/Lyrics attribute
    std::vector<std::pair<std::string, std::string>> attributes;  // more string attributes
    Cover cover;          // a WM/Picture attribute when format is not None
    size_t padding = 0;   // non-zero: a Padding Object with this many bytes of data
};

// The ASF Header Object alone, and the (packet-less) Data Object that follows it.
Bytes MakeAsfHeader(const AsfOptions& options);
Bytes MakeAsfData();
bool WriteAsf(const std::string& path, const AsfOptions& options);

struct OggOptions {
    double seconds = 1.0;  // silence, mono 44.1 kHz
    std::vector<std::pair<std::string, std::string>> comments;  // e.g. {"TITLE", "x"}, {"LYRICS", "..."}
    Cover cover;           // a METADATA_BLOCK_PICTURE comment when format is not None
};

bool WriteOggVorbis(const std::string& path, const OggOptions& options);

struct MovieOptions {
    std::string container = "matroska";  // an FFmpeg muxer: "matroska", "mov", "mp4", "avi", "mpegts", ...
    std::string video = "mpeg4";          // an FFmpeg encoder: "mpeg4", "libx264", "qtrle", "mjpeg", ...
    std::string audio = "libmp3lame";     // empty: no sound; "pcm_s16be", "aac", "libopus", ...
    int width = 96, height = 64;
    int fps = 10;
    int channels = 2;
    double seconds = 1.0;
};

// A movie of a moving gradient and a 440 Hz tone, written under any name (the
// container is the one named, whatever the extension says).
bool WriteMovie(const std::string& path, const MovieOptions& options);

// What libavformat finds in a file.
struct MovieInfo {
    struct Stream {
        bool video = false;  // else sound
        std::string codec;   // "mpeg4", "mp3", ...
        int width = 0, height = 0;
    };
    bool opened = false;     // libavformat recognised the container
    std::string container;   // its demuxer name ("avi")
    double seconds = 0;
    std::vector<Stream> streams;  // picture and sound streams, in file order
    int pictures = 0;        // pictures that decoded
};
MovieInfo ReadMovie(const std::string& path);

bool WriteText(const std::string& path, const std::string& content);
bool WriteBytes(const std::string& path, const Bytes& content);
Bytes ReadBytes(const std::string& path);

}  // namespace zelmediagen
