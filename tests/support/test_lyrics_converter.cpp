// The lyrics converter: MP3 tags converted into memory, WMA headers and OGG
// files converted into the work folder, against the reference conversion
// library (LDBConvert.dll) and a recording one (LyricsRecorder.dll).
#include <gtest/gtest.h>
#include <taglib/asffile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/vorbisfile.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "ZELDevice/support/LyricsConverter.h"
#include "host_fixture.h"
#include "lyrics_recorder.h"
#include "mediagen.h"
#include "tempdrive.h"
#include "zelcompat/debug.h"
#include "zelcompat/faults.h"
#include "zelcompat/modules.h"

namespace mg = zelmediagen;
using Bytes = mg::Bytes;

namespace {

// Size of the ID3v2 tag block (header included) at the start of bytes.
size_t TagBlockSize(const Bytes& bytes) {
    if (bytes.size() < 10 || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3') return 0;
    size_t size = 0;
    for (int i = 6; i < 10; ++i) size = (size << 7) | (bytes[i] & 0x7F);
    return size + 10;
}

// Size of the ASF header object at the start of bytes (low 32 bits).
size_t AsfHeaderSize(const Bytes& bytes) {
    size_t size = 0;
    for (int i = 3; i >= 0; --i) size = (size << 8) | bytes[16 + i];
    return size;
}

Bytes Head(const Bytes& bytes, size_t count) { return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(count)); }
Bytes Tail(const Bytes& bytes, size_t from) { return Bytes(bytes.begin() + static_cast<long>(from), bytes.end()); }

// Every file on the drive, as relative paths in order: what a conversion left behind.
using Files = std::vector<std::string>;
Files FilesOn(const TempDrive& drive) {
    Files names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(drive.Folder())) {
        if (entry.is_regular_file()) names.push_back(std::filesystem::relative(entry.path(), drive.Folder()).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class LyricsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.Capabilities = ZEL_CAP_LYRICS;
        SetField(settings_.ModelName, u"RV-M41");
        std::filesystem::create_directories(drive_.Host("Work"));
    }
    // A short MP3 file, its ID3v2 tag of the given version holding the lyrics.
    Bytes Mp3(const std::string& name, const std::string& lyrics, int id3Version = 3, size_t padding = 256,
              const std::string& title = "") {
        mg::Mp3Options options;
        options.frames = 20;
        options.id3Version = id3Version;
        options.lyrics = lyrics;
        options.padding = padding;
        options.title = title;
        EXPECT_TRUE(mg::WriteMp3(drive_.Host(name), options));
        return mg::ReadBytes(drive_.Host(name));
    }
    // The buffer conversion as the transfer code runs it: the file size plus the agreed room.
    int ToBuffer(CLyricsConverter& converter, const std::u16string& name, Bytes& out, int* tag,
                 ZelAlbumImageDeleteFn strip = nullptr, ZelAlbumImageResizeInMemoryFn resize = nullptr) {
        std::u16string path = drive_.Win(name);
        out.assign(converter.GetFileLength(ZEL_MEDIA_MP3, path.c_str()) + CLyricsConverter::kBufferSlack, 0xEE);
        int n = converter.ConvertMP3ToBuffer(&settings_, path.c_str(), ZEL_MEDIA_MP3, out.data(), strip, resize, tag);
        if (n >= 0) out.resize(static_cast<size_t>(n));
        return n;
    }
    DWORD Convert(CLyricsConverter& converter, const std::u16string& name, DWORD type, WCHAR* out,
                  int size = MAX_PATH) {
        return converter.ConvertFile(&settings_, drive_.Win(name).c_str(), type, out, size);
    }

    TempDrive drive_;
    tagDeviceSettings settings_{};
};

class LyricsReference : public LyricsFixture {
protected:
    void SetUp() override {
        LyricsFixture::SetUp();
        ASSERT_TRUE(converter_.IsAvailable()) << "the reference LDBConvert library was not found";
        converter_.SetWorkFolder(drive_.Win(u"Work").c_str());
    }
    CLyricsConverter converter_;
};

class LyricsRecorded : public LyricsFixture {
protected:
    void SetUp() override {
        LyricsFixture::SetUp();
        ASSERT_TRUE(converter_.IsAvailable()) << "LyricsRecorder was not found";
        module_ = LoadLibraryW(u"LyricsRecorder.dll");
        ASSERT_NE(nullptr, module_);
        auto get = reinterpret_cast<LyricsRecorderStateProc>(
            reinterpret_cast<void*>(GetProcAddress(module_, "LyricsRecorderGetState")));
        ASSERT_NE(nullptr, get);
        state_ = get();
        *state_ = LyricsRecorderState{};
        converter_.SetWorkFolder(drive_.Win(u"Work").c_str());
    }
    void TearDown() override { if (module_) FreeLibrary(module_); }
    CLyricsConverter converter_{u"LyricsRecorder.dll"};
    HMODULE module_ = nullptr;
    LyricsRecorderState* state_ = nullptr;
};

// An album-art routine that drops the last 100 bytes of the tag's padding.
int ShrinkTag(const BYTE* in, BYTE* out, DWORD* length) {
    DWORD cut = *length - 100;
    std::copy(in, in + cut, out);
    DWORD body = cut - 10;
    for (int i = 9; i >= 6; --i, body >>= 7) out[i] = static_cast<BYTE>(body & 0x7F);
    *length = cut;
    return 1;
}
int g_resizeWidth = 0, g_resizeHeight = 0;
int RecordResize(const BYTE* in, BYTE* out, DWORD* length, int width, int height) {
    g_resizeWidth = width;
    g_resizeHeight = height;
    return ShrinkTag(in, out, length);
}
int RefuseArt(const BYTE*, BYTE*, DWORD*) { return 0; }

}  // namespace

TEST_F(LyricsReference, Mp3GetsTheConvertedTagOrStaysAsItIs) {
    Bytes original = Mp3("song.mp3", "first line of the song\nsecond line\nthird", 3, 256, "Song");
    size_t oldBlock = TagBlockSize(original);
    Bytes out;
    int tag = -7;
    ToBuffer(converter_, u"song.mp3", out, &tag);
    EXPECT_EQ(static_cast<int>(oldBlock - 10), tag);
    size_t newBlock = TagBlockSize(out);
    EXPECT_NE(Head(original, oldBlock), Head(out, newBlock));
    EXPECT_EQ(Tail(original, oldBlock), Tail(out, newBlock));
    // The result is still an MP3 file whose tag TagLib reads.
    ASSERT_TRUE(mg::WriteBytes(drive_.Host("converted.mp3"), out));
    TagLib::MPEG::File file(drive_.Host("converted.mp3").c_str());
    ASSERT_TRUE(file.isValid() && file.ID3v2Tag());
    EXPECT_EQ("Song", file.ID3v2Tag()->title().to8Bit(true));

    // No tag, no lyrics, or no lyrics capability: the file unchanged.
    const std::tuple<int, const char*, DWORD> unchanged[] = {
        {0, "", ZEL_CAP_LYRICS}, {3, "", ZEL_CAP_LYRICS}, {3, "words", 0x8}};
    for (const auto& [id3Version, lyrics, capabilities] : unchanged) {
        settings_.Capabilities = capabilities;
        Bytes bytes = Mp3("plain.mp3", lyrics, id3Version);
        tag = -7;
        EXPECT_EQ(static_cast<int>(bytes.size()), ToBuffer(converter_, u"plain.mp3", out, &tag));
        EXPECT_EQ(bytes, out);
        if (id3Version == 0) { EXPECT_EQ(0, tag); }
    }
}

TEST_F(LyricsRecorded, TagSizeAlbumArtRoutineAndConvertedTag) {
    const std::pair<Bytes, int> files[] = {
        {{'I', 'D', '3', 3, 0, 0, 0x00, 0x00, 0x02, 0x01, 0, 0}, 257}, {{'I', 'D', '3'}, 0},
        {{'I', 'D', '3', 4, 0, 0, 0xFF, 0x7F, 0x7F, 0x7F}, 0x0FFFFFFF},  // seven bits of each byte
        {{'T', 'A', 'G', 0, 0, 0, 0, 0, 0, 0, 0}, 0},
    };
    for (const auto& [bytes, size] : files) {
        ASSERT_TRUE(mg::WriteBytes(drive_.Host("t.mp3"), bytes));
        EXPECT_EQ(size, converter_.GetID3v2TagSize(ZEL_MEDIA_MP3, drive_.Win(u"t.mp3").c_str()));
    }
    EXPECT_EQ(-1, converter_.GetID3v2TagSize(ZEL_MEDIA_MP3, drive_.Win(u"missing.mp3").c_str()));

    Bytes original = Mp3("art.mp3", "words", 3, 400);
    const size_t oldBlock = TagBlockSize(original), newBlock = oldBlock - 100;

    state_->tagAnswer = 2;  // the library fails: the rewritten tag goes with the audio
    Bytes out;
    int tag = 0;
    ToBuffer(converter_, u"art.mp3", out, &tag, ShrinkTag);
    ASSERT_EQ(1, state_->tagCalls);
    EXPECT_EQ(0, state_->mode);
    EXPECT_EQ(static_cast<int>(newBlock - 10), tag);
    EXPECT_EQ(state_->input, Head(out, newBlock));
    EXPECT_EQ(Tail(original, oldBlock), Tail(out, newBlock));
    EXPECT_GE(state_->roomGiven, state_->input.size() + CLyricsConverter::kTagSlack);

    // Without the remover, the resizer gets the player's album-art size.
    settings_.AlbumArtWidth = 176;
    settings_.AlbumArtHeight = 144;
    ToBuffer(converter_, u"art.mp3", out, &tag, nullptr, RecordResize);
    EXPECT_TRUE(g_resizeWidth == 176 && g_resizeHeight == 144 && state_->input.size() == newBlock);

    // A routine that changes nothing leaves the tag as it was.
    ToBuffer(converter_, u"art.mp3", out, &tag, RefuseArt);
    EXPECT_EQ(oldBlock, state_->input.size());
    EXPECT_EQ(original, out);

    // The library's tag replaces the old one, also when long lyrics made it
    // 60,000 bytes larger; one larger than the room the library had is left
    // out, and a debugger line says so.
    state_->tagAnswer = 0;
    for (size_t length : {size_t(14), oldBlock + 60000}) {
        state_->tagOutput.assign(length, 'y');
        std::copy_n("ID3", 3, state_->tagOutput.begin());
        ToBuffer(converter_, u"art.mp3", out, &tag);
        EXPECT_EQ(state_->tagOutput, Head(out, length)) << length;
        EXPECT_EQ(Tail(original, oldBlock), Tail(out, length)) << length;
    }
    DebugLines lines;
    state_->tagOutput.assign(oldBlock + CLyricsConverter::kTagSlack + 1, 'x');
    EXPECT_EQ(static_cast<int>(original.size()), ToBuffer(converter_, u"art.mp3", out, &tag));
    EXPECT_EQ(original, out);
    EXPECT_TRUE(lines.Has(u"[LDB] The converted tag does not fit; the lyrics were left out"));
}

TEST_F(LyricsReference, WmaAndOggAreConvertedOnlyWithLyrics) {
    mg::AsfOptions options;
    options.title = "Windows song";
    options.lyrics = "la la la\nla la";
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("song.wma"), options));
    WCHAR name[MAX_PATH] = {};
    ASSERT_EQ(ZEL_SUCCESS, Convert(converter_, u"song.wma", ZEL_MEDIA_WMA, name));
    EXPECT_EQ(drive_.Win(u"Work\\song.wma"), std::u16string(name));

    Bytes original = mg::ReadBytes(drive_.Host("song.wma")), converted = mg::ReadBytes(drive_.Host("Work/song.wma"));
    size_t oldHeader = AsfHeaderSize(original), newHeader = AsfHeaderSize(converted);
    EXPECT_NE(Head(original, oldHeader), Head(converted, newHeader));
    EXPECT_EQ(Tail(original, oldHeader), Tail(converted, newHeader));
    TagLib::ASF::File file(drive_.Host("Work/song.wma").c_str());
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ("Windows song", file.tag()->title().to8Bit(true));
    EXPECT_EQ((Files{"Work/song.wma", "song.wma"}), FilesOn(drive_));  // no header file left

    // Without lyrics: the library's answer 1 is logged and nothing is written.
    options.lyrics.clear();
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("quiet.wma"), options));
    DebugLines debug;
    WCHAR quiet[MAX_PATH] = {};
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED, Convert(converter_, u"quiet.wma", ZEL_MEDIA_WMA, quiet));
    EXPECT_TRUE(debug.Has(u"[LDB] There is no Lyrics"));
    EXPECT_EQ((Files{"Work/song.wma", "quiet.wma", "song.wma"}), FilesOn(drive_));
    EXPECT_EQ(u'\0', quiet[0]);

    // An OGG file with lyrics is converted under the name the caller gives; one without is not.
    mg::OggOptions ogg;
    ogg.comments = {{"TITLE", "Vorbis song"}, {"LYRICS", "one\ntwo"}};
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("song.ogg"), ogg));
    std::copy_n(u"player.ogg", 11, name);
    ASSERT_EQ(ZEL_SUCCESS, Convert(converter_, u"song.ogg", ZEL_MEDIA_OGG, name));
    EXPECT_EQ(drive_.Win(u"Work\\player.ogg"), std::u16string(name));
    TagLib::Ogg::Vorbis::File vorbis(drive_.Host("Work/player.ogg").c_str());
    ASSERT_TRUE(vorbis.isValid());
    EXPECT_EQ("Vorbis song", vorbis.tag()->title().to8Bit(true));
    ogg.comments = {{"TITLE", "No words"}};
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("plain.ogg"), ogg));
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED, Convert(converter_, u"plain.ogg", ZEL_MEDIA_OGG, quiet));
    EXPECT_FALSE(drive_.Exists("Work/plain.ogg"));
}

TEST_F(LyricsRecorded, ModelNameAndPlayerTableReachTheLibrary) {
    SetField(settings_.ModelName, u"RV-M41[A]");
    mg::AsfOptions asf;
    asf.lyrics = "words";
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("song.wma"), asf));
    WCHAR name[MAX_PATH] = {};
    Convert(converter_, u"song.wma", ZEL_MEDIA_WMA, name);
    ASSERT_EQ(1, state_->tagCalls);
    EXPECT_EQ(u"RV-M41(A)", state_->tagModel);
    EXPECT_EQ(1, state_->mode);
    EXPECT_EQ(AsfHeaderSize(mg::ReadBytes(drive_.Host("song.wma"))), state_->input.size());
    // The player table sits beside the program.
    WCHAR exe[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    std::u16string program(exe);
    EXPECT_EQ(program.substr(0, program.rfind(u'\\')) + u"\\PlayerInfos.ini", state_->tagTable);

    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("song.ogg"), mg::OggOptions{}));
    Convert(converter_, u"song.ogg", ZEL_MEDIA_OGG, name);
    ASSERT_EQ(1, state_->oggCalls);
    EXPECT_EQ(u"RV-M41(A)", state_->oggModel);
    EXPECT_EQ(drive_.Win(u"song.ogg"), state_->oggSource);
    EXPECT_EQ(drive_.Win(u"Work\\song.ogg"), state_->oggOutput);

    // A full-width model name: all 20 units used, the field holds no terminator.
    const std::u16string full = u"[ABCDEFGHIJKLMNOPQ]X";
    std::copy(full.begin(), full.end(), settings_.ModelName);
    EXPECT_EQ(u"(ABCDEFGHIJKLMNOPQ)X", CLyricsConverter::LibraryModelName(&settings_).Str());
}

TEST_F(LyricsRecorded, FailuresGiveTheirCodesAndLeaveNoFiles) {
    mg::AsfOptions asf;
    asf.lyrics = "words";
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("song.wma"), asf));
    ASSERT_TRUE(mg::WriteText(drive_.Host("fake.wma"), std::string(200, 'z')));
    const Files sources = {"fake.wma", "song.wma"};
    WCHAR name[MAX_PATH] = {};
    DebugLines debug;

    state_->tagAnswer = 7;
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED, Convert(converter_, u"song.wma", ZEL_MEDIA_WMA, name));
    EXPECT_FALSE(debug.Has(u"[LDB] There is no Lyrics"));
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED, Convert(converter_, u"fake.wma", ZEL_MEDIA_WMA, name));
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED, Convert(converter_, u"song.wma", ZEL_MEDIA_MP3, name));
    state_->oggAnswer = 0x100;  // low byte 0: nothing written
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED, Convert(converter_, u"song.wma", ZEL_MEDIA_OGG, name));
    EXPECT_EQ(sources, FilesOn(drive_));

    // A missing library fails every conversion.
    CLyricsConverter missing(u"NoSuchConverter.dll");
    EXPECT_FALSE(missing.IsAvailable());
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED, Convert(missing, u"song.wma", ZEL_MEDIA_WMA, name));
    Mp3("song.mp3", "words");
    Bytes out;
    int tag = 0;
    EXPECT_EQ(-1, ToBuffer(missing, u"song.mp3", out, &tag));
    std::filesystem::remove(drive_.Host("song.mp3"));

    // An output that cannot be made, or a full path longer than the caller's buffer: the output code.
    state_->tagAnswer = 0;
    state_->tagOutput = mg::MakeAsfHeader(asf);
    int fault = ZelInjectFault(drive_.Win(u"Work\\*.Header").c_str(), ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ZEL_ERR_PATH, Convert(converter_, u"song.wma", ZEL_MEDIA_WMA, name));
    ZelRemoveFault(fault);
    WCHAR small[8] = {};
    EXPECT_EQ(ZEL_ERR_PATH, Convert(converter_, u"song.wma", ZEL_MEDIA_WMA, small, 8));
    EXPECT_EQ(sources, FilesOn(drive_));

    ASSERT_EQ(ZEL_SUCCESS, Convert(converter_, u"song.wma", ZEL_MEDIA_WMA, name));
    EXPECT_EQ((Files{"Work/song.wma", "fake.wma", "song.wma"}), FilesOn(drive_));
}
