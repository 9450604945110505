// LDBConvert's entry points: the device library loads the converter as
// "LDBConvert.dll" and calls these by name.
#include "ldb_convert.h"
#include "ldb_playerinfo.h"
#include "media_paths.h"
#include "zelcompat/drives.h"
#include "zelcompat/types.h"

#define LDB_API extern "C" __attribute__((visibility("default")))

namespace {

// Room the caller's output buffer has beyond the input's length.
constexpr size_t kId3Headroom = 65535;
constexpr size_t kAsfHeadroom = 60000;

}  // namespace

// mode 0: input is an MP3 file's ID3v2 tag block; mode 1: a WMA file's ASF Header
// Object. Returns 0 (converted), 1 (no lyrics) or a failure code (see ldb::Result).
LDB_API int LyricsConvertToPlayerW(const unsigned char* input, unsigned int inputLength, int mode,
                                   unsigned char* output, unsigned int* outputLength, const char16_t* modelName,
                                   const char16_t* playerTable) {
    if (!input || !output || !outputLength || (mode != 0 && mode != 1)) return ldb::kBadArguments;
    const ldb::PlayerSettings settings = ldb::LoadPlayerSettings(playerTable, modelName);
    const size_t capacity = size_t{inputLength} + (mode == 0 ? kId3Headroom : kAsfHeadroom);
    size_t written = 0;
    const int result = mode == 0 ? ldb::ConvertId3Block(input, inputLength, output, capacity, written, settings)
                                 : ldb::ConvertAsfHeader(input, inputLength, output, capacity, written, settings);
    if (result == ldb::kConverted) {
        if (written > 0xFFFFFFFFu) return ldb::kTooLarge;
        *outputLength = static_cast<unsigned int>(written);
    }
    return result;
}

// Writes a converted copy of an Ogg Vorbis file whose comments hold LYRICS. Non-zero
// (1) when outputPath was written, 0 otherwise.
LDB_API int LyricsOggConvW(const char16_t* sourcePath, const char16_t* modelName, const char16_t* playerTable,
                           const char16_t* outputPath) {
    if (!sourcePath || !*sourcePath || !outputPath || !*outputPath) return 0;
    const std::string source = ZelHostPath(sourcePath), output = zelmedia::HostPathForWriting(outputPath);
    if (source.empty() || output.empty()) return 0;
    return ldb::ConvertOggFile(source, output, ldb::LoadPlayerSettings(playerTable, modelName)) ? 1 : 0;
}
