// LDBConvert: lyrics of MP3 tag blocks, ASF header objects and Ogg Vorbis files put
// into the player's form.
#include <gtest/gtest.h>

#include <algorithm>

#include <taglib/asffile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include "media_test_util.h"

extern "C" int LyricsConvertToPlayerW(const unsigned char* input, unsigned int inputLength, int mode,
                                      unsigned char* output, unsigned int* outputLength, const char16_t* modelName,
                                      const char16_t* playerTable);
extern "C" int LyricsOggConvW(const char16_t* sourcePath, const char16_t* modelName, const char16_t* playerTable,
                              const char16_t* outputPath);

using namespace mediatest;
namespace mg = zelmediagen;

namespace {

const char kLyrics[] = "Hello darkness my old friend\nI've come to talk with you again";
// The same at the default width of 20 columns.
const char kPlayerLyrics[] = "Hello darkness my\nold friend\nI've come to talk\nwith you again";

struct Conversion {
    int result = -1;
    Bytes output;
};

// Calls the converter with the buffer the device gives it, and checks that nothing
// beyond that buffer was touched.
Conversion Convert(const Bytes& input, int mode, const char16_t* model = u"RV-M41(A)", const char16_t* table = nullptr) {
    const size_t capacity = input.size() + (mode == 0 ? 65535 : 60000);
    Bytes buffer(capacity + 64, 0xCD);
    unsigned int length = 0;
    Conversion conversion;
    conversion.result = LyricsConvertToPlayerW(input.data(), static_cast<unsigned>(input.size()), mode, buffer.data(),
                                               &length, model, table);
    EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<long>(capacity), buffer.end(), [](uint8_t b) { return b == 0xCD; }))
        << "wrote past the output buffer";
    if (conversion.result == 0) {
        EXPECT_LE(length, capacity);
        conversion.output.assign(buffer.begin(), buffer.begin() + length);
    }
    return conversion;
}

mg::Mp3Options LyricsTag(int version, size_t padding = 1024) {
    mg::Mp3Options options;
    options.id3Version = version;
    options.title = "Sound";
    options.artist = "Duo";
    options.lyrics = kLyrics;
    options.padding = padding;
    return options;
}

// The text of the player's TXXX frame, or "<none>".
std::string PlayerFrame(TagLib::ID3v2::Tag* tag, int* count = nullptr) {
    std::string text = "<none>";
    int found = 0;
    for (TagLib::ID3v2::Frame* frame : tag->frameList("TXXX")) {
        auto* user = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(frame);
        if (user && user->description() == "ZEL LYRICS") {
            ++found;
            text = Utf8(user->fieldList()[1]);
        }
    }
    if (count) *count = found;
    return text;
}

using LdbConvert = MediaFiles;

}  // namespace

TEST_F(LdbConvert, UsltBecomesThePlayerFrameAndOriginalFramesStay) {
    // With padding the block keeps its size; without, it grows.
    for (auto [version, padding] : {std::pair{3, 1024}, std::pair{4, 1024}, std::pair{3, 0}}) {
        SCOPED_TRACE(testing::Message() << version << " " << padding);
        const Bytes input = mg::MakeId3Tag(LyricsTag(version, static_cast<size_t>(padding)));
        Conversion conversion = Convert(input, 0);
        ASSERT_EQ(conversion.result, 0);
        EXPECT_EQ(conversion.output.size() == input.size(), padding > 0);

        auto file = OpenMp3(conversion.output);
        ASSERT_TRUE(file->isValid() && file->hasID3v2Tag());
        TagLib::ID3v2::Tag* tag = file->ID3v2Tag();
        EXPECT_EQ(tag->header()->majorVersion(), static_cast<unsigned>(version));
        EXPECT_EQ(PlayerFrame(tag), kPlayerLyrics);
        EXPECT_EQ(Utf8(tag->title()) + "/" + Utf8(tag->artist()), "Sound/Duo");
        auto* uslt = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(tag->frameList("USLT").front());
        ASSERT_NE(uslt, nullptr);
        EXPECT_EQ(Utf8(uslt->text()), kLyrics);
        EXPECT_GT(file->audioProperties()->lengthInMilliseconds(), 0);
    }
    // Converting again changes nothing and keeps one player frame.
    const Bytes first = Convert(mg::MakeId3Tag(LyricsTag(4)), 0).output;
    Conversion second = Convert(first, 0);
    EXPECT_EQ((std::pair{0, first}), (std::pair{second.result, second.output}));
    int count = 0;
    EXPECT_EQ(PlayerFrame(OpenMp3(second.output)->ID3v2Tag(), &count), kPlayerLyrics);
    EXPECT_EQ(count, 1);
}

TEST_F(LdbConvert, UnsynchronisedAndVersion22Tags) {
    // A v2.3 tag whose body is unsynchronised: the Latin-1 lyrics "\xFF\xE0" would
    // look like a frame sync, so 0x00 follows the 0xFF.
    const Bytes content{0, 'e', 'n', 'g', 0, 'y', 0xFF, 0xE0, '!'};
    Bytes body{'U', 'S', 'L', 'T', 0, 0, 0, static_cast<uint8_t>(content.size()), 0, 0};
    for (uint8_t b : content) {
        body.push_back(b);
        if (b == 0xFF) body.push_back(0x00);
    }
    body.resize(body.size() + 100, 0);
    Conversion conversion = Convert(Join({'I', 'D', '3', 3, 0, 0x80, 0, 0, 0, static_cast<uint8_t>(body.size())}, body), 0);
    ASSERT_EQ(conversion.result, 0);
    EXPECT_EQ(conversion.output[5] & 0x80, 0) << "the output is written without unsynchronisation";
    EXPECT_EQ(PlayerFrame(OpenMp3(conversion.output)->ID3v2Tag()), "y\xC3\xBF\xC3\xA0!");  // y, ÿ, à, ! in UTF-8

    // Version 2.2 has its own three-letter frame names.
    const std::string lyrics = "old style lyrics", title = "Old";
    body = {'U', 'L', 'T', 0, 0, static_cast<uint8_t>(5 + lyrics.size()), 0, 'e', 'n', 'g', 0};
    body.insert(body.end(), lyrics.begin(), lyrics.end());
    body = Join(body, {'T', 'T', '2', 0, 0, static_cast<uint8_t>(1 + title.size()), 0});
    body.insert(body.end(), title.begin(), title.end());
    body.resize(body.size() + 64, 0);
    conversion = Convert(Join({'I', 'D', '3', 2, 0, 0, 0, 0, 0, static_cast<uint8_t>(body.size())}, body), 0);
    ASSERT_EQ(conversion.result, 0);
    auto file = OpenMp3(conversion.output);
    ASSERT_TRUE(file->hasID3v2Tag());
    EXPECT_EQ(Utf8(file->ID3v2Tag()->title()), "Old");
    EXPECT_EQ(PlayerFrame(file->ID3v2Tag()), "old style lyrics");
}

TEST_F(LdbConvert, Id3ResultCodes) {
    mg::Mp3Options options = LyricsTag(3);
    for (const char* lyrics : {"", " \n\t \r\n "}) {  // no lyrics, blank lyrics
        options.lyrics = lyrics;
        EXPECT_EQ(Convert(mg::MakeId3Tag(options), 0).result, 1);
    }

    const Bytes good = mg::MakeId3Tag(LyricsTag(3, 0));
    Bytes notATag = good, badSize = good, frameTooLong = good;
    notATag[0] = 'X';
    badSize[7] = 0x80;             // not synchsafe
    frameTooLong[10 + 4] = 0x7F;   // the first frame claims more than the tag holds
    Bytes truncated(good.begin(), good.end() - 5);  // the header's size runs past the input
    for (const Bytes* input : {&notATag, &truncated, &badSize, &frameTooLong}) EXPECT_GT(Convert(*input, 0).result, 1);
    unsigned int length = 0;
    Bytes out(good.size() + 65535);
    EXPECT_NE(LyricsConvertToPlayerW(nullptr, 10, 0, out.data(), &length, u"M", nullptr), 0);
    EXPECT_NE(LyricsConvertToPlayerW(good.data(), static_cast<unsigned>(good.size()), 2, out.data(), &length, u"M", nullptr), 0);

    // 70000 ASCII characters in UTF-8 become more than 65535 extra bytes in UTF-16.
    options = LyricsTag(4, 0);
    options.lyrics.clear();
    for (int i = 0; i < 7000; ++i) options.lyrics += "abcd efgh\n";
    EXPECT_GT(Convert(mg::MakeId3Tag(options), 0).result, 1);
}

TEST_F(LdbConvert, WmLyricsBecomeThePlayerAttribute) {
    // Without a padding object the header grows; a padding object takes the growth.
    for (size_t padding : {size_t{0}, size_t{2048}}) {
        SCOPED_TRACE(padding);
        mg::AsfOptions options;
        options.title = "WMA";
        options.lyrics = kLyrics;
        options.attributes = {{"WM/Composer", "C"}};
        options.padding = padding;
        ASSERT_TRUE(mg::WriteAsf(drive_.Host("in.wma"), options));
        const Bytes file = mg::ReadBytes(drive_.Host("in.wma"));
        const Bytes header(file.begin(), file.begin() + static_cast<long>(Le64(file, 16)));
        Conversion conversion = Convert(header, 1);
        ASSERT_EQ(conversion.result, 0);
        EXPECT_EQ(conversion.output.size() == header.size(), padding > 0);
        EXPECT_EQ(Le64(conversion.output, 16), conversion.output.size()) << "header size field";
        EXPECT_EQ(Le64(conversion.output, 30 + 24 + 16), file.size() - header.size() + conversion.output.size())
            << "the file size follows the header";

        auto converted = OpenAsf(conversion.output);
        ASSERT_TRUE(converted->isValid());
        TagLib::ASF::Tag* tag = converted->tag();
        ASSERT_TRUE(tag->contains("ZEL/Lyrics"));
        auto text = [tag](const char* name) { return Utf8(tag->attribute(name).front().toString()); };
        EXPECT_EQ((std::vector<std::string>{kPlayerLyrics, kLyrics, "C", "WMA"}),
                  (std::vector{text("ZEL/Lyrics"), text("WM/Lyrics"), text("WM/Composer"), Utf8(tag->title())}));
        EXPECT_EQ(converted->audioProperties()->lengthInSeconds(), 5);
    }
}

TEST_F(LdbConvert, AsfResultCodes) {
    mg::AsfOptions options;
    options.title = "No words";
    EXPECT_EQ(Convert(mg::MakeAsfHeader(options), 1).result, 1);
    options.genre = "Pop";  // an Extended Content Description without WM/Lyrics
    EXPECT_EQ(Convert(mg::MakeAsfHeader(options), 1).result, 1);

    options.lyrics = kLyrics;
    const Bytes good = mg::MakeAsfHeader(options);
    Bytes wrongGuid = good, wrongCount = good, childTooLong = good;
    wrongGuid[0] ^= 0xFF;
    wrongCount[24] += 1;
    childTooLong[30 + 16 + 2] = 0x7F;  // the first child's size runs past the header
    Bytes cut(good.begin(), good.end() - 1);
    for (const Bytes* input : {&wrongGuid, &wrongCount, &childTooLong, &cut}) EXPECT_GT(Convert(*input, 1).result, 1);
}

TEST_F(LdbConvert, OggLyricsCommentWritesAConvertedCopyOrNothing) {
    auto convert = [this](const char16_t* source, const char16_t* target = u"out.ogg") {
        return LyricsOggConvW(drive_.Win(source).c_str(), u"RV-M41(A)", nullptr, drive_.Win(target).c_str());
    };
    mg::OggOptions options;
    options.comments = {{"TITLE", "Vorbis"}};
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("plain.ogg"), options));
    ASSERT_TRUE(mg::WriteText(drive_.Host("notes.ogg"), "not an ogg file"));
    options.comments.push_back({"LYRICS", kLyrics});
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("in.ogg"), options));
    // No lyrics, no Ogg file, no source, no target folder: nothing is written anywhere.
    for (const char16_t* source : {u"plain.ogg", u"notes.ogg", u"missing.ogg"}) EXPECT_EQ(convert(source), 0);
    EXPECT_EQ(convert(u"in.ogg", u"no\\such\\dir\\out.ogg"), 0);
    EXPECT_FALSE(drive_.Exists("out.ogg") || drive_.Exists("no"));
    const size_t before = FilesInDrive();

    EXPECT_NE(convert(u"in.ogg") & 0xFF, 0);
    TagLib::Ogg::Vorbis::File file(drive_.Host("out.ogg").c_str());
    ASSERT_TRUE(file.isValid());
    auto fields = file.tag()->fieldListMap();
    EXPECT_EQ((std::vector<std::string>{kPlayerLyrics, kLyrics, "Vorbis"}),
              (std::vector{Utf8(fields["ZELLYRICS"].front()), Utf8(fields["LYRICS"].front()), Utf8(file.tag()->title())}));
    EXPECT_EQ(file.audioProperties()->lengthInSeconds(), 1);
    // The source is left as it was, and no temporary file stays behind.
    TagLib::Ogg::Vorbis::File source(drive_.Host("in.ogg").c_str());
    EXPECT_FALSE(source.tag()->contains("ZELLYRICS"));
    EXPECT_EQ(FilesInDrive(), before + 1);
}

TEST_F(LdbConvert, PlayerInfosLineWidthChangesTheOutput) {
    drive_.WriteFile("PlayerInfos.ini",
                     "; lyrics settings per model\n[Default]\nLineWidth=20\n\n[RV-M41(A)]\nLineWidth=10\n"
                     "[RV-M50]\nLineWidth = 30\nMaxLines=2\n");
    std::u16string table = drive_.Win(u"PlayerInfos.ini");
    const Bytes input = mg::MakeId3Tag(LyricsTag(3));

    auto playerText = [&](const char16_t* model) {
        Conversion conversion = Convert(input, 0, model, table.c_str());
        EXPECT_EQ(conversion.result, 0);
        return PlayerFrame(OpenMp3(conversion.output)->ID3v2Tag());
    };
    EXPECT_EQ(playerText(u"RV-M41(A)"), "Hello\ndarkness\nmy old\nfriend\nI've come\nto talk\nwith you\nagain");
    EXPECT_EQ(playerText(u"RV-M41[A]"), playerText(u"RV-M41(A)"));  // brackets count as parentheses
    EXPECT_EQ(playerText(u"Unknown"), kPlayerLyrics);
    // The family section serves its variants; MaxLines cuts the text.
    EXPECT_EQ(playerText(u"RV-M50(B)"), "Hello darkness my old friend\nI've come to talk with you");
    table = drive_.Win(u"missing.ini");  // without a table, the defaults
    EXPECT_EQ(playerText(u"RV-M41(A)"), kPlayerLyrics);
}
