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
#include <vector>

#include "ZELDevice/support/LyricsConverter.h"
#include "lyrics_recorder.h"
#include "mediagen.h"
#include "tempdrive.h"
#include "zelcompat/debug.h"
#include "zelcompat/faults.h"
#include "zelcompat/modules.h"

namespace mg = zelmediagen;
using Bytes = mg::Bytes;

namespace {

struct DebugLines {
    std::vector<std::u16string> lines;
    DebugLines() {
        ZelSetDebugSink([](LPCWSTR line, void* ctx) { static_cast<DebugLines*>(ctx)->lines.emplace_back(line); },
                        this);
    }
    ~DebugLines() { ZelSetDebugSink(nullptr, nullptr); }
    bool Has(const std::u16string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

void SetModel(tagDeviceSettings& settings, const std::u16string& model) {
    std::fill(std::begin(settings.ModelName), std::end(settings.ModelName), u'\0');
    std::copy(model.begin(), model.end(), settings.ModelName);
}

// The size of an ID3v2 tag block (header included) at the start of bytes.
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

Bytes Tail(const Bytes& bytes, size_t from) { return Bytes(bytes.begin() + static_cast<long>(from), bytes.end()); }

// Names of the files in a host folder.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool AnyHeaderFile(const std::string& folder) {
    auto names = FilesIn(folder);
    return std::any_of(names.begin(), names.end(), [](const std::string& name) {
        return name.size() >= 7 && name.compare(name.size() - 7, 7, ".Header") == 0;
    });
}

class LyricsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        settings_ = tagDeviceSettings{};
        settings_.Capabilities = ZEL_CAP_LYRICS;
        SetModel(settings_, u"RV-M41");
        std::filesystem::create_directories(drive_.Host("Work"));
    }

    // Runs the buffer conversion the way the transfer code does: a buffer of the
    // file size plus the agreed room.
    int ToBuffer(CLyricsConverter& converter, const std::u16string& path, Bytes& out, int* tag,
                 ZelAlbumImageDeleteFn strip = nullptr, ZelAlbumImageResizeInMemoryFn resize = nullptr) {
        DWORD size = converter.GetFileLength(ZEL_MEDIA_MP3, path.c_str());
        out.assign(size + CLyricsConverter::kBufferSlack, 0xEE);
        int n = converter.ConvertMP3ToBuffer(&settings_, path.c_str(), ZEL_MEDIA_MP3, out.data(), strip, resize, tag);
        if (n >= 0) out.resize(static_cast<size_t>(n));
        return n;
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
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
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

// ---- reading files -------------------------------------------------------

TEST_F(LyricsRecorded, TagSizeFollowsTheSevenBitRule) {
    const BYTE small[] = {'I', 'D', '3', 3, 0, 0, 0x00, 0x00, 0x02, 0x01, 0, 0};
    const BYTE large[] = {'I', 'D', '3', 4, 0, 0, 0xFF, 0x7F, 0x7F, 0x7F};
    ASSERT_TRUE(mg::WriteBytes(drive_.Host("small.mp3"), Bytes(std::begin(small), std::end(small))));
    ASSERT_TRUE(mg::WriteBytes(drive_.Host("large.mp3"), Bytes(std::begin(large), std::end(large))));
    ASSERT_TRUE(mg::WriteBytes(drive_.Host("plain.mp3"), Bytes{'T', 'A', 'G', 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(mg::WriteBytes(drive_.Host("short.mp3"), Bytes{'I', 'D', '3'}));
    EXPECT_EQ(257, converter_.GetID3v2TagSize(ZEL_MEDIA_MP3, drive_.Win(u"small.mp3").c_str()));
    EXPECT_EQ(0x0FFFFFFF, converter_.GetID3v2TagSize(ZEL_MEDIA_MP3, drive_.Win(u"large.mp3").c_str()));
    EXPECT_EQ(0, converter_.GetID3v2TagSize(ZEL_MEDIA_MP3, drive_.Win(u"plain.mp3").c_str()));
    EXPECT_EQ(0, converter_.GetID3v2TagSize(ZEL_MEDIA_MP3, drive_.Win(u"short.mp3").c_str()));
    EXPECT_EQ(-1, converter_.GetID3v2TagSize(ZEL_MEDIA_MP3, drive_.Win(u"missing.mp3").c_str()));
}

TEST_F(LyricsRecorded, PlayerTableLiesBesideTheExecutable) {
    WCHAR exe[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    std::u16string expected(exe);
    expected = expected.substr(0, expected.rfind(u'\\')) + u"\\PlayerInfos.ini";
    EXPECT_EQ(expected, std::u16string(converter_.GetPlayerTablePath()));
}

// ---- MP3 into memory -----------------------------------------------------

TEST_F(LyricsReference, Mp3WithoutTagIsCopiedUnchanged) {
    mg::Mp3Options options;
    options.id3Version = 0;
    options.frames = 40;
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("plain.mp3"), options));
    Bytes original = mg::ReadBytes(drive_.Host("plain.mp3"));
    Bytes out;
    int tag = -7;
    ASSERT_EQ(static_cast<int>(original.size()), ToBuffer(converter_, drive_.Win(u"plain.mp3"), out, &tag));
    EXPECT_EQ(original, out);
    EXPECT_EQ(0, tag);
}

TEST_F(LyricsReference, TaggedMp3GetsTheConvertedTagAndTheSameAudio) {
    mg::Mp3Options options;
    options.title = "Song";
    options.artist = "Artist";
    options.lyrics = "first line of the song\nsecond line\nthird";
    options.frames = 40;
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("song.mp3"), options));
    Bytes original = mg::ReadBytes(drive_.Host("song.mp3"));
    size_t oldBlock = TagBlockSize(original);
    ASSERT_GT(oldBlock, 10u);

    Bytes out;
    int tag = -7;
    int n = ToBuffer(converter_, drive_.Win(u"song.mp3"), out, &tag);
    EXPECT_EQ(static_cast<int>(oldBlock - 10), tag);
    size_t newBlock = TagBlockSize(out);
    ASSERT_GT(newBlock, 10u);
    EXPECT_EQ(newBlock + original.size() - oldBlock, static_cast<size_t>(n));
    EXPECT_NE(Bytes(original.begin(), original.begin() + static_cast<long>(oldBlock)),
              Bytes(out.begin(), out.begin() + static_cast<long>(newBlock)));
    EXPECT_EQ(Tail(original, oldBlock), Tail(out, newBlock));

    // The result is still an MP3 file whose tag TagLib reads.
    ASSERT_TRUE(mg::WriteBytes(drive_.Host("converted.mp3"), out));
    TagLib::MPEG::File file(drive_.Host("converted.mp3").c_str());
    ASSERT_TRUE(file.isValid());
    ASSERT_NE(nullptr, file.ID3v2Tag());
    EXPECT_EQ("Song", file.ID3v2Tag()->title().to8Bit(true));
    EXPECT_EQ("Artist", file.ID3v2Tag()->artist().to8Bit(true));
    ASSERT_NE(nullptr, file.audioProperties());
    EXPECT_EQ(44100, file.audioProperties()->sampleRate());
}

TEST_F(LyricsReference, Mp3WithoutLyricsOrWithoutTheCapabilityStaysAsItIs) {
    mg::Mp3Options options;
    options.title = "No words";
    options.frames = 20;
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("instrumental.mp3"), options));
    options.lyrics = "words";
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("sung.mp3"), options));

    Bytes out;
    int tag = 0;
    Bytes instrumental = mg::ReadBytes(drive_.Host("instrumental.mp3"));
    EXPECT_EQ(static_cast<int>(instrumental.size()), ToBuffer(converter_, drive_.Win(u"instrumental.mp3"), out, &tag));
    EXPECT_EQ(instrumental, out);

    settings_.Capabilities = 0x8;
    Bytes sung = mg::ReadBytes(drive_.Host("sung.mp3"));
    EXPECT_EQ(static_cast<int>(sung.size()), ToBuffer(converter_, drive_.Win(u"sung.mp3"), out, &tag));
    EXPECT_EQ(sung, out);
}

TEST_F(LyricsFixture, MissingLibraryIsReportedByEveryConversion) {
    CLyricsConverter converter(u"NoSuchConverter.dll");
    EXPECT_FALSE(converter.IsAvailable());
    mg::Mp3Options options;
    options.lyrics = "words";
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("song.mp3"), options));
    Bytes out;
    int tag = 0;
    EXPECT_EQ(-1, ToBuffer(converter, drive_.Win(u"song.mp3"), out, &tag));
    WCHAR name[MAX_PATH] = {};
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED,
              converter.ConvertFile(&settings_, drive_.Win(u"song.mp3").c_str(), ZEL_MEDIA_WMA, name));
}

TEST_F(LyricsRecorded, AlbumArtRoutineRewritesTheTagBeforeConversion) {
    mg::Mp3Options options;
    options.title = "Pictured";
    options.lyrics = "words";
    options.frames = 20;
    options.padding = 400;
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("art.mp3"), options));
    Bytes original = mg::ReadBytes(drive_.Host("art.mp3"));
    size_t oldBlock = TagBlockSize(original);

    state_->tagAnswer = 2;  // the library fails: the rewritten tag goes with the audio
    Bytes out;
    int tag = 0;
    int n = ToBuffer(converter_, drive_.Win(u"art.mp3"), out, &tag, ShrinkTag);
    ASSERT_EQ(1, state_->tagCalls);
    EXPECT_EQ(0, state_->mode);
    EXPECT_EQ(oldBlock - 100, state_->input.size());
    EXPECT_EQ(static_cast<int>(oldBlock - 110), tag);
    EXPECT_EQ(static_cast<int>(original.size() - 100), n);
    EXPECT_EQ(state_->input, Bytes(out.begin(), out.begin() + static_cast<long>(oldBlock - 100)));
    EXPECT_EQ(Tail(original, oldBlock), Tail(out, oldBlock - 100));
    // The room offered for the converted tag covers the input and the agreed slack.
    EXPECT_GE(state_->roomGiven, state_->input.size() + CLyricsConverter::kTagSlack);

    // Without the remover, the resizer gets the player's album-art size.
    settings_.AlbumArtWidth = 176;
    settings_.AlbumArtHeight = 144;
    ToBuffer(converter_, drive_.Win(u"art.mp3"), out, &tag, nullptr, RecordResize);
    EXPECT_EQ(176, g_resizeWidth);
    EXPECT_EQ(144, g_resizeHeight);
    EXPECT_EQ(oldBlock - 100, state_->input.size());

    // A routine that changes nothing leaves the tag as it was.
    n = ToBuffer(converter_, drive_.Win(u"art.mp3"), out, &tag, RefuseArt);
    EXPECT_EQ(oldBlock, state_->input.size());
    EXPECT_EQ(original, out);
}

TEST_F(LyricsRecorded, ConvertedTagReplacesTheOldOneUnlessItOutgrowsTheBuffer) {
    mg::Mp3Options options;
    options.lyrics = "words";
    options.frames = 20;
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("song.mp3"), options));
    Bytes original = mg::ReadBytes(drive_.Host("song.mp3"));
    size_t oldBlock = TagBlockSize(original);

    Bytes newTag = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 4, 'a', 'b', 'c', 'd'};
    state_->tagAnswer = 0;
    state_->tagOutput = newTag;
    Bytes out;
    int tag = 0;
    int n = ToBuffer(converter_, drive_.Win(u"song.mp3"), out, &tag);
    EXPECT_EQ(static_cast<int>(newTag.size() + original.size() - oldBlock), n);
    EXPECT_EQ(newTag, Bytes(out.begin(), out.begin() + static_cast<long>(newTag.size())));
    EXPECT_EQ(Tail(original, oldBlock), Tail(out, newTag.size()));

    // A tag that would not fit the caller's buffer is not used.
    state_->tagOutput.assign(oldBlock + CLyricsConverter::kBufferSlack + 1, 'x');
    n = ToBuffer(converter_, drive_.Win(u"song.mp3"), out, &tag);
    EXPECT_EQ(static_cast<int>(original.size()), n);
    EXPECT_EQ(original, out);
}

// ---- WMA and OGG files ---------------------------------------------------

TEST_F(LyricsReference, WmaWithLyricsGetsANewHeaderAndStillParsesAsAsf) {
    mg::AsfOptions options;
    options.title = "Windows song";
    options.artist = "Singer";
    options.lyrics = "la la la\nla la";
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("song.wma"), options));
    Bytes original = mg::ReadBytes(drive_.Host("song.wma"));

    WCHAR name[MAX_PATH] = {};
    ASSERT_EQ(ZEL_SUCCESS,
              converter_.ConvertFile(&settings_, drive_.Win(u"song.wma").c_str(), ZEL_MEDIA_WMA, name));
    EXPECT_EQ(drive_.Win(u"Work\\song.wma"), std::u16string(name));

    Bytes converted = mg::ReadBytes(drive_.Host("Work/song.wma"));
    size_t oldHeader = AsfHeaderSize(original), newHeader = AsfHeaderSize(converted);
    EXPECT_NE(Bytes(original.begin(), original.begin() + static_cast<long>(oldHeader)),
              Bytes(converted.begin(), converted.begin() + static_cast<long>(newHeader)));
    EXPECT_EQ(Tail(original, oldHeader), Tail(converted, newHeader));

    TagLib::ASF::File file(drive_.Host("Work/song.wma").c_str());
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ("Windows song", file.tag()->title().to8Bit(true));
    EXPECT_EQ("Singer", file.tag()->artist().to8Bit(true));

    // Every temporary header file is gone.
    EXPECT_FALSE(AnyHeaderFile(drive_.Folder()));
    EXPECT_EQ(std::vector<std::string>{"song.wma"}, FilesIn(drive_.Host("Work")));
}

TEST_F(LyricsReference, WmaWithoutLyricsIsNotConverted) {
    mg::AsfOptions options;
    options.title = "Quiet";
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("quiet.wma"), options));
    DebugLines debug;
    WCHAR name[MAX_PATH] = {};
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED,
              converter_.ConvertFile(&settings_, drive_.Win(u"quiet.wma").c_str(), ZEL_MEDIA_WMA, name));
    EXPECT_TRUE(debug.Has(u"[LDB] There is no Lyrics"));
    EXPECT_TRUE(FilesIn(drive_.Host("Work")).empty());
    EXPECT_FALSE(AnyHeaderFile(drive_.Folder()));
    EXPECT_EQ(u'\0', name[0]);
}

TEST_F(LyricsReference, OggWithLyricsIsConvertedUnderTheGivenName) {
    mg::OggOptions options;
    options.comments = {{"TITLE", "Vorbis song"}, {"LYRICS", "one\ntwo"}};
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("song.ogg"), options));
    WCHAR name[MAX_PATH] = u"player.ogg";
    ASSERT_EQ(ZEL_SUCCESS,
              converter_.ConvertFile(&settings_, drive_.Win(u"song.ogg").c_str(), ZEL_MEDIA_OGG, name));
    EXPECT_EQ(drive_.Win(u"Work\\player.ogg"), std::u16string(name));
    TagLib::Ogg::Vorbis::File file(drive_.Host("Work/player.ogg").c_str());
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ("Vorbis song", file.tag()->title().to8Bit(true));

    mg::OggOptions plain;
    plain.comments = {{"TITLE", "No words"}};
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("plain.ogg"), plain));
    WCHAR other[MAX_PATH] = {};
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED,
              converter_.ConvertFile(&settings_, drive_.Win(u"plain.ogg").c_str(), ZEL_MEDIA_OGG, other));
    EXPECT_FALSE(drive_.Exists("Work/plain.ogg"));
}

TEST_F(LyricsRecorded, ModelNameReachesTheLibraryWithParentheses) {
    SetModel(settings_, u"RV-M41[A]");
    mg::AsfOptions asf;
    asf.lyrics = "words";
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("song.wma"), asf));
    WCHAR name[MAX_PATH] = {};
    converter_.ConvertFile(&settings_, drive_.Win(u"song.wma").c_str(), ZEL_MEDIA_WMA, name);
    ASSERT_EQ(1, state_->tagCalls);
    EXPECT_EQ(u"RV-M41(A)", state_->tagModel);
    EXPECT_EQ(std::u16string(converter_.GetPlayerTablePath()), state_->tagTable);
    EXPECT_EQ(1, state_->mode);
    EXPECT_EQ(AsfHeaderSize(mg::ReadBytes(drive_.Host("song.wma"))), state_->input.size());

    mg::OggOptions ogg;
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("song.ogg"), ogg));
    converter_.ConvertFile(&settings_, drive_.Win(u"song.ogg").c_str(), ZEL_MEDIA_OGG, name);
    ASSERT_EQ(1, state_->oggCalls);
    EXPECT_EQ(u"RV-M41(A)", state_->oggModel);
    EXPECT_EQ(drive_.Win(u"song.ogg"), state_->oggSource);
    EXPECT_EQ(drive_.Win(u"Work\\song.ogg"), state_->oggOutput);

    // A full-width model name has no terminator inside the record.
    SetModel(settings_, u"[ABCDEFGHIJKLMNOPQ]X");
    EXPECT_EQ(u"(ABCDEFGHIJKLMNOPQ)X", CLyricsConverter::LibraryModelName(&settings_).Str());
}

TEST_F(LyricsRecorded, LibraryFailuresAndWrongInputsAreNotConverted) {
    mg::AsfOptions asf;
    asf.lyrics = "words";
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("song.wma"), asf));
    ASSERT_TRUE(mg::WriteText(drive_.Host("fake.wma"), std::string(200, 'z')));
    WCHAR name[MAX_PATH] = {};
    DebugLines debug;

    state_->tagAnswer = 7;
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED,
              converter_.ConvertFile(&settings_, drive_.Win(u"song.wma").c_str(), ZEL_MEDIA_WMA, name));
    EXPECT_FALSE(debug.Has(u"[LDB] There is no Lyrics"));
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED,
              converter_.ConvertFile(&settings_, drive_.Win(u"fake.wma").c_str(), ZEL_MEDIA_WMA, name));
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED,
              converter_.ConvertFile(&settings_, drive_.Win(u"song.wma").c_str(), ZEL_MEDIA_MP3, name));
    state_->oggAnswer = 0x100;  // low byte 0: nothing written
    EXPECT_EQ(ZEL_ERR_NOT_CONVERTED,
              converter_.ConvertFile(&settings_, drive_.Win(u"song.wma").c_str(), ZEL_MEDIA_OGG, name));
    EXPECT_TRUE(FilesIn(drive_.Host("Work")).empty());
    EXPECT_FALSE(AnyHeaderFile(drive_.Folder()));
}

TEST_F(LyricsRecorded, OutputThatCannotBeMadeGivesTheOutputCode) {
    mg::AsfOptions asf;
    asf.lyrics = "words";
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("song.wma"), asf));
    Bytes header = mg::MakeAsfHeader(asf);
    state_->tagAnswer = 0;
    state_->tagOutput = header;

    int fault = ZelInjectFault(drive_.Win(u"Work\\*.Header").c_str(), ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED);
    WCHAR name[MAX_PATH] = {};
    EXPECT_EQ(ZEL_ERR_PATH,
              converter_.ConvertFile(&settings_, drive_.Win(u"song.wma").c_str(), ZEL_MEDIA_WMA, name));
    ZelRemoveFault(fault);

    // A full path longer than the caller's name buffer cannot be handed back.
    WCHAR small[8] = {};
    EXPECT_EQ(ZEL_ERR_PATH,
              converter_.ConvertFile(&settings_, drive_.Win(u"song.wma").c_str(), ZEL_MEDIA_WMA, small, 8));
    EXPECT_TRUE(FilesIn(drive_.Host("Work")).empty());

    // With the fault gone the same answer converts.
    ASSERT_EQ(ZEL_SUCCESS,
              converter_.ConvertFile(&settings_, drive_.Win(u"song.wma").c_str(), ZEL_MEDIA_WMA, name));
    EXPECT_EQ(std::vector<std::string>{"song.wma"}, FilesIn(drive_.Host("Work")));
    EXPECT_FALSE(AnyHeaderFile(drive_.Folder()));
}

