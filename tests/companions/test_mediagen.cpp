// zelmediagen: the generated files are what TagLib and the picture decoders expect.
#include <gtest/gtest.h>

#include <taglib/attachedpictureframe.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

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
        auto* lyrics = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(tag->frameList("USLT").front());
        ASSERT_NE(lyrics, nullptr);
        EXPECT_EQ(Utf8(lyrics->text()), "first line\nsecond line");
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(tag->frameList("APIC").front());
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->type(), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        EXPECT_EQ(PictureSize(picture->picture()), (Size{40, 30}));
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

TEST_F(MediaGen, PicturesHaveTheAskedSizeAndFormat) {
    ASSERT_TRUE(mg::WriteJpeg(drive_.Host("a.jpg"), 64, 48) && mg::WritePng(drive_.Host("a.png"), 17, 33));
    const Bytes jpeg = mg::ReadBytes(drive_.Host("a.jpg")), png = mg::ReadBytes(drive_.Host("a.png"));
    EXPECT_EQ(zelagent::SniffPicture(jpeg.data(), jpeg.size()), zelagent::PictureFormat::Jpeg);
    EXPECT_EQ(zelagent::SniffPicture(png.data(), png.size()), zelagent::PictureFormat::Png);
    EXPECT_EQ(PictureSize(jpeg), (Size{64, 48}));
    EXPECT_EQ(PictureSize(png), (Size{17, 33}));
    EXPECT_EQ(PictureSize(mg::MakePng(5, 6, true)), (Size{5, 6}));
    EXPECT_TRUE(mg::MakeJpeg(0, 10).empty());
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
        EXPECT_EQ(Utf8(file.tag()->attribute("WM/Lyrics").front().toString()), "la la la");
        EXPECT_EQ(Utf8(file.tag()->attribute("WM/Composer").front().toString()), "Someone");
        EXPECT_EQ(PictureSize(file.tag()->attribute("WM/Picture").front().toPicture().picture()), (Size{32, 32}));
        EXPECT_EQ(file.audioProperties()->lengthInSeconds(), 5);
        EXPECT_EQ(file.audioProperties()->channels(), 2);  // a video keeps the audio stream's properties
        EXPECT_EQ(file.audioProperties()->sampleRate(), 44100);
    }
    const size_t videoHeader = mg::MakeAsfHeader(options).size();
    options.video = false;
    EXPECT_GT(videoHeader, mg::MakeAsfHeader(options).size());
}

TEST_F(MediaGen, OggCommentsAndPictureReadBack) {
    mg::OggOptions options;
    options.seconds = 2.0;
    options.comments = {{"TITLE", "Ogg title"}, {"LYRICS", "one\ntwo"}};
    options.cover = {mg::ImageFormat::Jpeg, 20, 10, 3};
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("a.ogg"), options));
    TagLib::Ogg::Vorbis::File file(drive_.Host("a.ogg").c_str());
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ(Utf8(file.tag()->title()), "Ogg title");
    EXPECT_EQ(Utf8(file.tag()->fieldListMap()["LYRICS"].front()), "one\ntwo");
    ASSERT_EQ(file.tag()->pictureList().size(), 1u);
    EXPECT_EQ(PictureSize(file.tag()->pictureList().front()->data()), (Size{20, 10}));
    EXPECT_EQ(file.audioProperties()->sampleRate(), 44100);
    EXPECT_EQ(file.audioProperties()->lengthInSeconds(), 2);
}
