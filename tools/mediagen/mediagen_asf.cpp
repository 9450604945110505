// ASF files: a Header Object that describes an audio stream (and a video stream for
// WMV), with content descriptions and attributes, followed by an empty Data Object.
#include "internal.h"

namespace zelmediagen {
namespace {

using namespace detail;

// A GUID in its written form, stored the way ASF stores it (first three fields little-endian).
Bytes Guid(const char* text) {
    auto hex = [](char c) -> uint8_t {
        return static_cast<uint8_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    };
    Bytes raw;
    for (const char* p = text; *p && p[1]; ++p) {
        if (*p == '-') continue;
        raw.push_back(static_cast<uint8_t>(hex(p[0]) << 4 | hex(p[1])));
        ++p;
    }
    return Bytes{raw[3], raw[2], raw[1], raw[0], raw[5], raw[4], raw[7], raw[6],
                 raw[8], raw[9], raw[10], raw[11], raw[12], raw[13], raw[14], raw[15]};
}

const char* const kHeaderObject = "75B22630-668E-11CF-A6D9-00AA0062CE6C";
const char* const kDataObject = "75B22636-668E-11CF-A6D9-00AA0062CE6C";
const char* const kFileProperties = "8CABDCA1-A947-11CF-8EE4-00C00C205365";
const char* const kStreamProperties = "B7DC0791-A9B7-11CF-8EE6-00C00C205365";
const char* const kContentDescription = "75B22633-668E-11CF-A6D9-00AA0062CE6C";
const char* const kExtendedContentDescription = "D2D0A440-E307-11D2-97F0-00A0C95EA850";
const char* const kHeaderExtension = "5FBF03B5-A92E-11CF-8EE3-00C00C205365";
const char* const kHeaderExtensionReserved = "ABD3D211-A9BA-11CF-8EE6-00C00C205365";
const char* const kPadding = "1806D474-CADF-4509-A4BA-9AABCB96AAE8";
const char* const kAudioMedia = "F8699E40-5B4D-11CF-A8FD-00805F5C442B";
const char* const kVideoMedia = "BC19EFC0-5B4D-11CF-A8FD-00805F5C442B";
const char* const kNoErrorCorrection = "20FB5700-5B55-11CF-A8FD-00805F5C442B";
const char* const kFileId = "5A1E4C2B-9D3F-4E7A-8B6C-0D1E2F3A4B5C";

Bytes Object(const char* guid, const Bytes& content) {
    Bytes out = Guid(guid);
    PutLe64(out, content.size() + 24);
    Append(out, content);
    return out;
}

Bytes StreamProperties(const char* mediaType, int streamNumber, const Bytes& typeData) {
    Bytes content = Guid(mediaType);
    Append(content, Guid(kNoErrorCorrection));
    PutLe64(content, 0);  // time offset
    PutLe32(content, static_cast<uint32_t>(typeData.size()));
    PutLe32(content, 0);  // error correction data
    PutLe16(content, static_cast<uint32_t>(streamNumber));
    PutLe32(content, 0);  // reserved
    Append(content, typeData);
    return Object(kStreamProperties, content);
}

Bytes AudioFormat() {
    // WAVEFORMATEX of Windows Media Audio 9: 2 channels, 44.1 kHz, 128 kbit/s.
    Bytes format;
    PutLe16(format, 0x0161);
    PutLe16(format, 2);
    PutLe32(format, 44100);
    PutLe32(format, 16000);
    PutLe16(format, 5945);
    PutLe16(format, 16);
    PutLe16(format, 10);
    PutLe32(format, 0x8800);  // samples per block
    PutLe16(format, 0x000F);  // encode options
    PutLe32(format, 0);       // super block align
    return format;
}

Bytes VideoFormat() {
    // Encoded size, then a BITMAPINFOHEADER of a 320x240 Windows Media Video 9 stream.
    Bytes format;
    PutLe32(format, 320);
    PutLe32(format, 240);
    format.push_back(2);
    PutLe16(format, 40);
    PutLe32(format, 40);
    PutLe32(format, 320);
    PutLe32(format, 240);
    PutLe16(format, 1);
    PutLe16(format, 24);
    Append(format, std::string("WMV3"));
    PutLe32(format, 320 * 240 * 3);
    PutLe32(format, 0);
    PutLe32(format, 0);
    PutLe32(format, 0);
    PutLe32(format, 0);
    return format;
}

void StringAttribute(Bytes& out, int& count, const std::string& name, const std::string& value) {
    if (value.empty()) return;
    Bytes n = Utf16Le(name, true), v = Utf16Le(value, true);
    PutLe16(out, static_cast<uint32_t>(n.size()));
    Append(out, n);
    PutLe16(out, 0);  // Unicode string
    PutLe16(out, static_cast<uint32_t>(v.size()));
    Append(out, v);
    ++count;
}

void BinaryAttribute(Bytes& out, int& count, const std::string& name, uint16_t type, const Bytes& value) {
    Bytes n = Utf16Le(name, true);
    PutLe16(out, static_cast<uint32_t>(n.size()));
    Append(out, n);
    PutLe16(out, type);
    PutLe16(out, static_cast<uint32_t>(value.size()));
    Append(out, value);
    ++count;
}

}  // namespace

Bytes MakeAsfHeader(const AsfOptions& options) {
    std::vector<Bytes> children;

    const uint64_t duration100ns = static_cast<uint64_t>(options.durationMs) * 10000;
    Bytes file = Guid(kFileId);
    PutLe64(file, 0);  // file size, filled in by WriteAsf's caller when known
    PutLe64(file, 0x01C0000000000000ull);  // creation date
    PutLe64(file, 0);  // data packets
    PutLe64(file, duration100ns);  // play duration
    PutLe64(file, duration100ns);  // send duration
    PutLe64(file, 0);  // preroll in milliseconds
    PutLe32(file, 0x2);  // seekable
    PutLe32(file, 3200);
    PutLe32(file, 3200);
    PutLe32(file, 128000);
    children.push_back(Object(kFileProperties, file));

    // The video stream comes first: readers that keep the last stream's audio
    // properties then see the audio stream's.
    if (options.video) children.push_back(StreamProperties(kVideoMedia, 2, VideoFormat()));
    children.push_back(StreamProperties(kAudioMedia, 1, AudioFormat()));

    Bytes title = Utf16Le(options.title, true), author = Utf16Le(options.artist, true), empty = Utf16Le("", true);
    Bytes description;
    PutLe16(description, static_cast<uint32_t>(title.size()));
    PutLe16(description, static_cast<uint32_t>(author.size()));
    PutLe16(description, 2);
    PutLe16(description, 2);
    PutLe16(description, 2);
    Append(description, title);
    Append(description, author);
    for (int i = 0; i < 3; ++i) Append(description, empty);
    children.push_back(Object(kContentDescription, description));

    Bytes attributes;
    int count = 0;
    StringAttribute(attributes, count, "WM/AlbumTitle", options.album);
    StringAttribute(attributes, count, "WM/Genre", options.genre);
    if (options.year > 0) StringAttribute(attributes, count, "WM/Year", std::to_string(options.year));
    if (options.track > 0) {
        Bytes track;
        PutLe32(track, static_cast<uint32_t>(options.track));
        BinaryAttribute(attributes, count, "WM/TrackNumber", 3, track);
    }
    StringAttribute(attributes, count, "WM/Lyrics", options.lyrics);
    for (const auto& [name, value] : options.attributes) StringAttribute(attributes, count, name, value);
    if (options.cover.format != ImageFormat::None) {
        Bytes image = MakeImage(options.cover.format, options.cover.width, options.cover.height);
        if (image.empty()) return {};
        Bytes picture{static_cast<uint8_t>(options.cover.pictureType)};
        PutLe32(picture, static_cast<uint32_t>(image.size()));
        Append(picture, Utf16Le(options.cover.format == ImageFormat::Png ? "image/png" : "image/jpeg", true));
        Append(picture, Utf16Le("", true));
        Append(picture, image);
        if (picture.size() > 0xFFFF) return {};
        BinaryAttribute(attributes, count, "WM/Picture", 1, picture);
    }
    if (count > 0) {
        Bytes content;
        PutLe16(content, static_cast<uint32_t>(count));
        Append(content, attributes);
        children.push_back(Object(kExtendedContentDescription, content));
    }

    Bytes extension = Guid(kHeaderExtensionReserved);
    PutLe16(extension, 6);
    PutLe32(extension, 0);
    children.push_back(Object(kHeaderExtension, extension));

    if (options.padding > 0) children.push_back(Object(kPadding, Bytes(options.padding, 0)));

    Bytes content;
    PutLe32(content, static_cast<uint32_t>(children.size()));
    content.push_back(0x01);
    content.push_back(0x02);
    for (const Bytes& child : children) Append(content, child);
    return Object(kHeaderObject, content);
}

Bytes MakeAsfData() {
    Bytes content = Guid(kFileId);
    PutLe64(content, 0);  // data packets
    PutLe16(content, 0x0101);
    return Object(kDataObject, content);
}

bool WriteAsf(const std::string& path, const AsfOptions& options) {
    Bytes file = MakeAsfHeader(options);
    if (file.empty()) return false;
    Bytes data = MakeAsfData();
    const uint64_t total = file.size() + data.size();
    // The File Properties Object is the first child: its file size field sits at 30 + 24 + 16.
    for (int i = 0; i < 8; ++i) file[70 + i] = static_cast<uint8_t>(total >> (8 * i));
    Append(file, data);
    return WriteBytes(path, file);
}

}  // namespace zelmediagen
