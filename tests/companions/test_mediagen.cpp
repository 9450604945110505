// zelmediagen: the generated files are what TagLib and the picture decoders expect.
#include <gtest/gtest.h>

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include "media_test_util.h"
#include "tempdrive.h"

using namespace mediatest;
namespace mg = zelmediagen;

TEST(MediaGenMp3, TaggedFilesReadBackInBothVersions) {
    TempDrive drive;
    for (int version : {3, 4}) {
        SCOPED_TRACE(version);
        mg::Mp3Options options;
        options.id3Version = version;
        options.title = "Caf\xC3\xA9 \xED\x95\x9C\xEA\xB8\x80";  // "Café 한글"
        options.artist = "Artist";
        options.album = "Album";
        options.genre = "Jazz";
        options.year = 1999;
        options.track = 4;
        options.lyrics = "first line\nsecond line";
        options.cover = {mg::ImageFormat::Png, 40, 30, 3};
        const std::string path = drive.Host("v" + std::to_string(version) + ".mp3");
        ASSERT_TRUE(mg::WriteMp3(path, options));

        TagLib::MPEG::File file(path.c_str());
        ASSERT_TRUE(file.isValid());
        ASSERT_TRUE(file.hasID3v2Tag());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        EXPECT_EQ(tag->header()->majorVersion(), static_cast<unsigned>(version));
        EXPECT_EQ(Utf8(tag->title()), options.title);
        EXPECT_EQ(Utf8(tag->artist()), "Artist");
        EXPECT_EQ(Utf8(tag->album()), "Album");
        EXPECT_EQ(Utf8(tag->genre()), "Jazz");
        EXPECT_EQ(tag->year(), 1999u);
        EXPECT_EQ(tag->track(), 4u);
        auto* lyrics = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(tag->frameList("USLT").front());
        ASSERT_NE(lyrics, nullptr);
        EXPECT_EQ(Utf8(lyrics->text()), "first line\nsecond line");
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(tag->frameList("APIC").front());
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->type(), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        EXPECT_EQ(PictureSize(picture->picture()), (Size{40, 30}));

        // 192 frames of 1152 samples at 44.1 kHz.
        ASSERT_NE(file.audioProperties(), nullptr);
        EXPECT_EQ(file.audioProperties()->lengthInSeconds(), 5);
        EXPECT_EQ(file.audioProperties()->sampleRate(), 44100);
    }
}

TEST(MediaGenMp3, UntaggedFileStartsWithAFrame) {
    TempDrive drive;
    mg::Mp3Options options;
    options.id3Version = 0;
    options.frames = 38;
    const std::string path = drive.Host("plain.mp3");
    ASSERT_TRUE(mg::WriteMp3(path, options));
    Bytes data = mg::ReadBytes(path);
    ASSERT_GE(data.size(), 4u);
    EXPECT_EQ(data[0], 0xFF);
    EXPECT_EQ(data[1] & 0xE0, 0xE0);
    EXPECT_EQ(data.size(), 39u * 417u);
    TagLib::MPEG::File file(path.c_str());
    ASSERT_TRUE(file.isValid());
    EXPECT_FALSE(file.hasID3v2Tag());
    EXPECT_EQ(file.audioProperties()->lengthInSeconds(), 0);  // 38 frames: just under a second
    EXPECT_GT(file.audioProperties()->lengthInMilliseconds(), 950);
}

TEST(MediaGenImage, PicturesHaveTheAskedSizeAndFormat) {
    TempDrive drive;
    ASSERT_TRUE(mg::WriteJpeg(drive.Host("a.jpg"), 64, 48));
    ASSERT_TRUE(mg::WritePng(drive.Host("a.png"), 17, 33));
    const Bytes jpeg = mg::ReadBytes(drive.Host("a.jpg")), png = mg::ReadBytes(drive.Host("a.png"));
    EXPECT_EQ(zelagent::SniffPicture(jpeg.data(), jpeg.size()), zelagent::PictureFormat::Jpeg);
    EXPECT_EQ(zelagent::SniffPicture(png.data(), png.size()), zelagent::PictureFormat::Png);
    EXPECT_EQ(PictureSize(jpeg), (Size{64, 48}));
    EXPECT_EQ(PictureSize(png), (Size{17, 33}));
    EXPECT_EQ(PictureSize(mg::MakePng(5, 6, true)), (Size{5, 6}));
    EXPECT_TRUE(mg::MakeJpeg(0, 10).empty());
}

TEST(MediaGenAsf, AudioFileReadsBack) {
    TempDrive drive;
    mg::AsfOptions options;
    options.title = "WMA title";
    options.artist = "WMA artist";
    options.album = "WMA album";
    options.genre = "Rock";
    options.year = 2004;
    options.track = 9;
    options.lyrics = "la la la";
    options.attributes = {{"WM/Composer", "Someone"}};
    options.cover = {mg::ImageFormat::Jpeg, 32, 32, 3};
    const std::string path = drive.Host("a.wma");
    ASSERT_TRUE(mg::WriteAsf(path, options));

    const Bytes data = mg::ReadBytes(path);
    EXPECT_EQ(Le64(data, 16), mg::MakeAsfHeader(options).size());  // header size field
    EXPECT_EQ(Le64(data, 30 + 24 + 16), data.size());              // File Properties' file size

    TagLib::ASF::File file(path.c_str());
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ(Utf8(file.tag()->title()), "WMA title");
    EXPECT_EQ(Utf8(file.tag()->artist()), "WMA artist");
    EXPECT_EQ(Utf8(file.tag()->album()), "WMA album");
    EXPECT_EQ(Utf8(file.tag()->genre()), "Rock");
    EXPECT_EQ(file.tag()->year(), 2004u);
    EXPECT_EQ(file.tag()->track(), 9u);
    EXPECT_EQ(Utf8(file.tag()->attribute("WM/Lyrics").front().toString()), "la la la");
    EXPECT_EQ(Utf8(file.tag()->attribute("WM/Composer").front().toString()), "Someone");
    EXPECT_EQ(PictureSize(file.tag()->attribute("WM/Picture").front().toPicture().picture()), (Size{32, 32}));
    EXPECT_EQ(file.audioProperties()->lengthInSeconds(), 5);
    EXPECT_EQ(file.audioProperties()->channels(), 2);
    EXPECT_EQ(file.audioProperties()->sampleRate(), 44100);
}

TEST(MediaGenAsf, VideoFileKeepsTheAudioStreamsProperties) {
    TempDrive drive;
    mg::AsfOptions options;
    options.video = true;
    options.title = "Clip";
    const std::string path = drive.Host("a.wmv");
    ASSERT_TRUE(mg::WriteAsf(path, options));
    TagLib::ASF::File file(path.c_str());
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ(Utf8(file.tag()->title()), "Clip");
    EXPECT_EQ(file.audioProperties()->channels(), 2);
    EXPECT_EQ(file.audioProperties()->sampleRate(), 44100);
    EXPECT_GT(mg::MakeAsfHeader(options).size(), mg::MakeAsfHeader(mg::AsfOptions{}).size());
}

TEST(MediaGenOgg, CommentsAndPictureReadBack) {
    TempDrive drive;
    mg::OggOptions options;
    options.seconds = 2.0;
    options.comments = {{"TITLE", "Ogg title"}, {"LYRICS", "one\ntwo"}};
    options.cover = {mg::ImageFormat::Jpeg, 20, 10, 3};
    const std::string path = drive.Host("a.ogg");
    ASSERT_TRUE(mg::WriteOggVorbis(path, options));

    TagLib::Ogg::Vorbis::File file(path.c_str());
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ(Utf8(file.tag()->title()), "Ogg title");
    EXPECT_EQ(Utf8(file.tag()->fieldListMap()["LYRICS"].front()), "one\ntwo");
    ASSERT_EQ(file.tag()->pictureList().size(), 1u);
    EXPECT_EQ(PictureSize(file.tag()->pictureList().front()->data()), (Size{20, 10}));
    EXPECT_EQ(file.audioProperties()->sampleRate(), 44100);
    EXPECT_EQ(file.audioProperties()->lengthInSeconds(), 2);
}
