// ID3v2 tag blocks in memory (versions 2.2, 2.3 and 2.4): frames kept byte for byte,
// so that a routine can drop, replace or add frames and leave every other frame as
// it was. Shared by the agent and the lyrics converter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelmedia {

using Bytes = std::vector<uint8_t>;

struct Id3Frame {
    std::string id;      // "APIC", "USLT", ... (three characters in v2.2)
    uint16_t flags = 0;  // the frame's flags as stored (always 0 in v2.2)
    Bytes raw;           // header and data as they will be written
};

struct Id3Tag {
    int major = 0;        // 2, 3 or 4
    uint8_t revision = 0;
    uint8_t flags = 0;    // header flags the tag keeps when written (unsynchronisation and
                          // the extended header are resolved while parsing)
    std::vector<Id3Frame> frames;
    size_t padding = 0;   // zero bytes after the frames in the original block
};

enum class Id3Result { Ok, NotATag, Malformed, Unsupported };

// Parses the block at data (header included). size may exceed the block; the block's
// own size field decides. A tag-wide unsynchronisation is undone; the extended header
// is dropped (its CRC would not survive edits).
Id3Result ParseId3Tag(const uint8_t* data, size_t size, Id3Tag& tag);

// Bytes of the whole block the header at data announces (header, body, footer); 0
// when data does not start with an ID3v2 header.
size_t Id3BlockSize(const uint8_t* data, size_t size);

// The frame's payload with grouping, data length indicator and unsynchronisation
// removed. False for compressed or encrypted frames.
bool Id3FrameContent(const Id3Tag& tag, const Id3Frame& frame, Bytes& content);

// A new frame of the tag's version; statusFlags keeps the status half of the flags of
// a frame it replaces (format flags are never set).
Id3Frame MakeId3Frame(const Id3Tag& tag, const std::string& id, const Bytes& content, uint16_t statusFlags = 0);

// Writes the block: header, frames, then the original padding. With a limit, padding
// shrinks so the block fits in limit bytes; fails when even the frames do not fit.
// minimumSize, when larger than the frames, pads the block up to that size.
bool RenderId3Tag(const Id3Tag& tag, size_t limit, Bytes& out, size_t minimumSize = 0);

// Text of an ID3v2 text field: encoding 0 Latin-1, 1 UTF-16 with byte order mark,
// 2 UTF-16BE, 3 UTF-8. Reads up to the terminator of the encoding (or the end) and
// advances pos past it.
std::u16string Id3ReadText(const Bytes& content, size_t& pos, uint8_t encoding);
// Text encoded as UTF-16LE with a byte order mark (encoding 1), optionally terminated.
Bytes Id3Utf16Text(const std::u16string& text, bool terminate);

// A picture frame (APIC, or PIC in v2.2) split into its parts.
struct Id3Picture {
    size_t dataOffset = 0;  // where the picture bytes start within the content
    uint8_t type = 0;       // 3: front cover
};
bool Id3ParsePicture(const Id3Tag& tag, const Bytes& content, Id3Picture& picture);

inline bool Id3IsPictureFrame(const Id3Tag& tag, const Id3Frame& frame) {
    return frame.id == (tag.major == 2 ? "PIC" : "APIC");
}

}  // namespace zelmedia
