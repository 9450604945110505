// zelmediagen: the generated files are what TagLib expects. Pictures and Ogg files
// are read back by the agent and converter tests that use them.
#include <gtest/gtest.h>

#include <taglib/id3v2tag.h>

#include "media_test_util.h"

using namespace mediatest;
namespace mg = zelmediagen;

using MediaGen = MediaFiles;

namespace {

// Title, artist, album, genre, year and track as TagLib reads them.
std::string Summary(const TagLib::Tag& tag) {
    return Utf8(tag.title()) + "|" + Utf8(tag.artist()) + "|" + Utf8(tag.album()) + "|" + Utf8(tag.genre()) + "|" +
           std::to_string(tag.year()) + "|" + std::to_string(tag.track());
}

}  // namespace

TEST_F(MediaGen, Mp3FilesReadBackInBothVersionsAndUntagged) {
    for (int version : {3, 4}) {
        SCOPED_TRACE(version);
        mg::Mp3Options options;
        options.id3Version = version;
        options.title = "Caf\xC3\xA9 \xED\x95\x9C\xEA\xB8\x80";  // "Café 한글"
        options.artist = "Artist", options.album = "Album", options.genre = "Jazz";
        options.year = 1999, options.track = 4;
        options.lyrics = "first line\nsecond line";
        options.cover = {mg::ImageFormat::Png, 40, 30, 3};
        const std::string path = drive_.Host("v" + std::to_string(version) + ".mp3");
        ASSERT_TRUE(mg::WriteMp3(path, options));

        TagLib::MPEG::File file(path.c_str());
        ASSERT_TRUE(file.isValid() && file.hasID3v2Tag());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        EXPECT_EQ(tag->header()->majorVersion(), static_cast<unsigned>(version));
        EXPECT_EQ(Summary(*tag), options.title + "|Artist|Album|Jazz|1999|4");
        EXPECT_EQ(tag->frameList("USLT").size() + tag->frameList("APIC").size(), 2u);
        // 192 frames of 1152 samples at 44.1 kHz.
        EXPECT_EQ(file.audioProperties()->lengthInSeconds(), 5);
        EXPECT_EQ(file.audioProperties()->sampleRate(), 44100);
    }

    mg::Mp3Options untagged;
    untagged.id3Version = 0;
    untagged.frames = 38;
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("plain.mp3"), untagged));
    const Bytes data = mg::ReadBytes(drive_.Host("plain.mp3"));
    ASSERT_GE(data.size(), 4u);
    EXPECT_TRUE(data[0] == 0xFF && (data[1] & 0xE0) == 0xE0) << "starts with a frame";
    TagLib::MPEG::File file(drive_.Host("plain.mp3").c_str());
    ASSERT_TRUE(file.isValid());
    EXPECT_FALSE(file.hasID3v2Tag());
    EXPECT_GT(file.audioProperties()->lengthInMilliseconds(), 950);  // 38 frames: just under a second
    EXPECT_LT(file.audioProperties()->lengthInMilliseconds(), 1000);
}

TEST_F(MediaGen, AsfAudioAndVideoFilesReadBack) {
    mg::AsfOptions options;
    options.title = "WMA title", options.artist = "WMA artist", options.album = "WMA album", options.genre = "Rock";
    options.year = 2004, options.track = 9;
    options.lyrics = "la la la";
    options.attributes = {{"WM/Composer", "Someone"}};
    options.cover = {mg::ImageFormat::Jpeg, 32, 32, 3};
    for (bool video : {false, true}) {
        SCOPED_TRACE(video);
        options.video = video;
        const std::string path = drive_.Host(video ? "a.wmv" : "a.wma");
        ASSERT_TRUE(mg::WriteAsf(path, options));
        const Bytes data = mg::ReadBytes(path);
        EXPECT_EQ(Le64(data, 16), mg::MakeAsfHeader(options).size());  // header size field
        EXPECT_EQ(Le64(data, 30 + 24 + 16), data.size());              // File Properties' file size

        TagLib::ASF::File file(path.c_str());
        ASSERT_TRUE(file.isValid());
        EXPECT_EQ(Summary(*file.tag()), "WMA title|WMA artist|WMA album|Rock|2004|9");
        EXPECT_EQ(Utf8(file.tag()->attribute("WM/Composer").front().toString()), "Someone");
        EXPECT_EQ(file.audioProperties()->lengthInSeconds(), 5);
        EXPECT_EQ(file.audioProperties()->channels(), 2);  // a video keeps the audio stream's properties
        EXPECT_EQ(file.audioProperties()->sampleRate(), 44100);
    }
    const size_t videoHeader = mg::MakeAsfHeader(options).size();
    options.video = false;
    EXPECT_GT(videoHeader, mg::MakeAsfHeader(options).size());
}
