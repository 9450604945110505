// The conversions behind LDBConvert's entry points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ldb_lyrics.h"

namespace ldb {

// Results of LyricsConvertToPlayerW.
enum Result : int {
    kConverted = 0,     // the output holds the new tag block / header object
    kNoLyrics = 1,      // the input holds no unsynchronised lyrics
    kMalformed = 2,     // the input is not a well-formed tag block / header object
    kTooLarge = 3,      // the result would not fit the caller's buffer or the format's fields
    kBadArguments = 4,  // a null pointer, or an unknown mode
    kUnsupported = 5,   // a tag version or feature the converter does not handle
};

// Names of what the player reads.
inline constexpr char16_t kId3Description[] = u"ZEL LYRICS";  // ID3v2 TXXX frame (TXX in v2.2)
inline constexpr char16_t kAsfAttribute[] = u"ZEL/Lyrics";    // ASF Extended Content Description
inline constexpr char kOggField[] = "ZELLYRICS";              // Vorbis comment

// in: the whole tag block / Header Object; out: capacity bytes.
int ConvertId3Block(const uint8_t* in, size_t inLength, uint8_t* out, size_t capacity, size_t& outLength,
                    const PlayerSettings& settings);
int ConvertAsfHeader(const uint8_t* in, size_t inLength, uint8_t* out, size_t capacity, size_t& outLength,
                     const PlayerSettings& settings);
// Host paths. True when the output file was written.
bool ConvertOggFile(const std::string& source, const std::string& output, const PlayerSettings& settings);

}  // namespace ldb
