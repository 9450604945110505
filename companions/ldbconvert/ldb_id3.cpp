// Lyrics of an MP3 file's ID3v2 tag block: the first USLT frame's text, laid out for
// the player, goes into a TXXX frame described "ZEL LYRICS". Every other frame keeps
// its bytes; the block keeps its size when its padding can take the new frame.
#include <cstring>

#include "ldb_convert.h"
#include "media_id3.h"

namespace ldb {
namespace {

using zelmedia::Bytes;
using zelmedia::Id3Frame;
using zelmedia::Id3Tag;

bool SameAsciiName(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= u'a' && a[i] <= u'z' ? a[i] - 32 : a[i];
        char16_t y = b[i] >= u'a' && b[i] <= u'z' ? b[i] - 32 : b[i];
        if (x != y) return false;
    }
    return true;
}

// The lyrics of a USLT frame (encoding, language, description, text).
std::u16string UnsyncedLyrics(const Id3Tag& tag, const Id3Frame& frame) {
    Bytes content;
    if (!zelmedia::Id3FrameContent(tag, frame, content) || content.size() < 4) return {};
    size_t pos = 4;
    zelmedia::Id3ReadText(content, pos, content[0]);  // description
    std::u16string lyrics;
    // The text runs to the end of the frame; stray terminators are skipped over.
    while (pos < content.size()) lyrics += zelmedia::Id3ReadText(content, pos, content[0]);
    return lyrics;
}

bool IsPlayerFrame(const Id3Tag& tag, const Id3Frame& frame) {
    if (frame.id != (tag.major == 2 ? "TXX" : "TXXX")) return false;
    Bytes content;
    if (!zelmedia::Id3FrameContent(tag, frame, content) || content.empty()) return false;
    size_t pos = 1;
    return SameAsciiName(zelmedia::Id3ReadText(content, pos, content[0]), kId3Description);
}

}  // namespace

int ConvertId3Block(const uint8_t* in, size_t inLength, uint8_t* out, size_t capacity, size_t& outLength,
                    const PlayerSettings& settings) {
    Id3Tag tag;
    switch (zelmedia::ParseId3Tag(in, inLength, tag)) {
        case zelmedia::Id3Result::Ok: break;
        case zelmedia::Id3Result::Unsupported: return kUnsupported;
        case zelmedia::Id3Result::NotATag:
        case zelmedia::Id3Result::Malformed: return kMalformed;
    }
    const size_t originalSize = zelmedia::Id3BlockSize(in, inLength);

    const std::string lyricsId = tag.major == 2 ? "ULT" : "USLT";
    std::u16string lyrics;
    for (const Id3Frame& frame : tag.frames) {
        if (frame.id != lyricsId) continue;
        lyrics = PlayerLyrics(UnsyncedLyrics(tag, frame), settings);
        if (!lyrics.empty()) break;
    }
    if (lyrics.empty()) return kNoLyrics;

    // A converted block converts again to the same result: an earlier player frame goes.
    std::erase_if(tag.frames, [&](const Id3Frame& frame) { return IsPlayerFrame(tag, frame); });
    Bytes content{1};  // UTF-16 with byte order marks
    Bytes description = zelmedia::Id3Utf16Text(kId3Description, true);
    Bytes text = zelmedia::Id3Utf16Text(lyrics, false);
    content.insert(content.end(), description.begin(), description.end());
    content.insert(content.end(), text.begin(), text.end());
    if (tag.major == 2 && content.size() > 0xFFFFFF) return kTooLarge;
    tag.frames.push_back(zelmedia::MakeId3Frame(tag, tag.major == 2 ? "TXX" : "TXXX", content));

    // The padding takes the growth when it can, so the block keeps its size.
    tag.padding = 0;
    Bytes block;
    if (!zelmedia::RenderId3Tag(tag, capacity, block, originalSize)) return kTooLarge;
    std::memcpy(out, block.data(), block.size());
    outLength = block.size();
    return kConverted;
}

}  // namespace ldb
