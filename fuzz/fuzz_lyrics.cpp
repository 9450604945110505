// Feeds arbitrary bytes to the lyrics converter's walk over a file's tags: the
// ID3v2 tag block of an MP3 file (mode 0), the ASF Header Object of a WMA file
// (mode 1), the comments of an Ogg Vorbis file (mode 2), and the per-model
// table PlayerInfos.ini (mode 3). The first byte chooses the mode, the next two
// the line width and the most lines of the player; the rest is the input.
//
// A converted block fits the room the device gives (input plus its headroom),
// is again a block of its kind, and converts again to the very same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "ldb_convert.h"
#include "ldb_playerinfo.h"
#include "media_asf.h"
#include "media_id3.h"

namespace {

using namespace zelfuzz;

constexpr size_t kId3Headroom = 65535;
constexpr size_t kAsfHeadroom = 60000;

using Converter = int (*)(const uint8_t*, size_t, uint8_t*, size_t, size_t&, const ldb::PlayerSettings&);

bool IsBlock(int mode, const std::vector<uint8_t>& bytes) {
    if (mode == 0) {
        zelmedia::Id3Tag tag;
        return zelmedia::ParseId3Tag(bytes.data(), bytes.size(), tag) == zelmedia::Id3Result::Ok;
    }
    zelmedia::AsfHeader header;
    return zelmedia::ParseAsfHeader(bytes.data(), bytes.size(), header) == zelmedia::AsfResult::Ok;
}

void ConvertBlock(int mode, const uint8_t* in, size_t length, const ldb::PlayerSettings& settings) {
    const Converter convert = mode == 0 ? &ldb::ConvertId3Block : &ldb::ConvertAsfHeader;
    const size_t headroom = mode == 0 ? kId3Headroom : kAsfHeadroom;
    std::vector<uint8_t> out(length + headroom);
    size_t written = 0;
    if (convert(in, length, out.data(), out.size(), written, settings) != ldb::kConverted) return;
    FUZZ_EXPECT(written <= out.size());
    out.resize(written);
    FUZZ_EXPECT(IsBlock(mode, out));

    std::vector<uint8_t> again(written + headroom);
    size_t rewritten = 0;
    FUZZ_EXPECT(convert(out.data(), out.size(), again.data(), again.size(), rewritten, settings) == ldb::kConverted);
    FUZZ_EXPECT(rewritten == written && std::equal(out.begin(), out.end(), again.begin()));
}

void ConvertOgg(const uint8_t* in, size_t length, const ldb::PlayerSettings& settings) {
    const std::string source = FuzzDrive::Get().HostPath("song.ogg");
    const std::string output = FuzzDrive::Get().HostPath("converted.ogg");
    WriteHostFile(source, in, length);
    std::remove(output.c_str());
    ldb::ConvertOggFile(source, output, settings);
}

void ReadTable(const uint8_t* in, size_t length) {
    const ldb::IniSections ini = ldb::ParseIni(std::string(reinterpret_cast<const char*>(in), length));
    for (const char16_t* model : {u"RV-M41", u"RV-M41[A]", u"Default"}) {
        const ldb::PlayerSettings settings = ldb::SettingsFor(ini, model);
        FUZZ_EXPECT(settings.lineWidth > 0 && settings.maxLines >= 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int mode = data[0] % 4;
    ldb::PlayerSettings settings;
    settings.lineWidth = 1 + data[1] % 80;
    settings.maxLines = data[2] % 12;
    const uint8_t* in = data + 3;
    const size_t length = size - 3;
    const int before = LowestFreeDescriptor();
    switch (mode) {
        case 0:
        case 1: ConvertBlock(mode, in, length, settings); break;
        case 2: ConvertOgg(in, length, settings); break;
        default: ReadTable(in, length); break;
    }
    FUZZ_EXPECT(LowestFreeDescriptor() == before);
    return 0;
}
