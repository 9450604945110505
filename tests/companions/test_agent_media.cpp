// The agent's media routines: tag reader, album art resizers and remover, mood writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include "ZELDevice/mtp/AgentRoutines.h"
#include "media_test_util.h"
#include "tempdrive.h"

using namespace mediatest;
namespace mg = zelmediagen;

namespace {

class AgentMediaTest : public ::testing::Test {
protected:
    size_t FilesInDrive() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(drive_.Folder()), {}));
    }
    std::unique_ptr<TagLib::MPEG::File> OpenMp3(const Bytes& block) {
        const std::string path = drive_.Host("check" + std::to_string(++files_) + ".mp3");
        EXPECT_TRUE(mg::WriteBytes(path, Join(block, mg::MakeMp3Audio(10))));
        return std::make_unique<TagLib::MPEG::File>(path.c_str());
    }

    TempDrive drive_;
    int files_ = 0;
};

// The answer as the device prepares it: zero-filled, with the path in it.
struct PreparedAnswer {
    ZelTagAnswer answer;
    explicit PreparedAnswer(const std::u16string& path) {
        std::memset(&answer, 0, sizeof answer);
        std::memcpy(answer.Path, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
    }
};

int Read(ZelTagAnswer& answer, LPCWSTR path = nullptr) {
    ZelTagRequest request{};
    request.DeviceID1 = 0x1234;
    return Agent_GetGetFileInfo()(&answer, &request, path, sizeof(ZelTagAnswer));
}

std::string Field(const WCHAR* field) { return Utf8(std::u16string(field)); }

TagLib::ID3v2::AttachedPictureFrame* FirstPicture(TagLib::MPEG::File& file) {
    if (!file.hasID3v2Tag() || file.ID3v2Tag()->frameList("APIC").isEmpty()) return nullptr;
    return dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(file.ID3v2Tag()->frameList("APIC").front());
}

}  // namespace

using AgentMediaTagReader = AgentMediaTest;

TEST_F(AgentMediaTagReader, Mp3TagsFillTheAnswer) {
    mg::Mp3Options options;
    options.title = "Title \xE2\x99\xAA";  // "Title ♪"
    options.artist = "Artist";
    options.album = "Album";
    options.genre = "Blues";
    options.year = 2007;
    options.track = 7;
    std::filesystem::create_directories(drive_.Host("Music"));
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("Music/a.mp3"), options));
    const auto size = std::filesystem::file_size(drive_.Host("Music/a.mp3"));

    PreparedAnswer prepared(drive_.Win(u"Music\\a.mp3"));
    ZelTagAnswer& answer = prepared.answer;
    ASSERT_NE(Read(answer), 0);
    EXPECT_EQ(Field(answer.Title), options.title);
    EXPECT_EQ(Field(answer.Artist), "Artist");
    EXPECT_EQ(Field(answer.Album), "Album");
    EXPECT_EQ(Field(answer.Genre), "Blues");
    EXPECT_EQ(Field(answer.Year), "2007");
    EXPECT_EQ(answer.Number1, 7u);
    EXPECT_EQ(answer.OrderNumber, 7u);
    EXPECT_EQ(answer.Number2, 5u);
    EXPECT_EQ(answer.FileSize, size);
    EXPECT_EQ(answer.Kind, static_cast<DWORD>(ZEL_TAGKIND_MP3));
    EXPECT_EQ(answer.SampleRate, 44100u);
    EXPECT_EQ(answer.Channels, 2u);
    EXPECT_EQ(Field(answer.Path), Utf8(drive_.Win(u"Music\\a.mp3")));
    EXPECT_NE(Agent_GetDeleteTrack()(nullptr), 0);
}

TEST_F(AgentMediaTagReader, AsfAudioAndVideoKinds) {
    mg::AsfOptions audio;
    audio.title = "Song";
    audio.artist = "Band";
    audio.track = 3;
    audio.durationMs = 61500;
    mg::AsfOptions video = audio;
    video.video = true;
    video.title = "Clip";
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("a.wma"), audio));
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("v.wmv"), video));

    PreparedAnswer a(u""), v(u"");
    const std::u16string audioPath = drive_.Win(u"a.wma"), videoPath = drive_.Win(u"v.wmv");
    ASSERT_NE(Read(a.answer, audioPath.c_str()), 0);
    ASSERT_NE(Read(v.answer, videoPath.c_str()), 0);
    EXPECT_EQ(a.answer.Kind, 3u);
    EXPECT_EQ(v.answer.Kind, 4u);
    EXPECT_EQ(Field(a.answer.Title), "Song");
    EXPECT_EQ(Field(v.answer.Title), "Clip");
    EXPECT_EQ(Field(a.answer.Artist), "Band");
    EXPECT_EQ(a.answer.OrderNumber, 3u);
    EXPECT_EQ(a.answer.Number2, 61u);
    EXPECT_EQ(Field(a.answer.Path), Utf8(audioPath));  // an empty Path field receives the path
}

TEST_F(AgentMediaTagReader, OggAndFilesWithoutTrackNumbers) {
    mg::OggOptions options;
    options.comments = {{"TITLE", "Vorbis"}, {"ARTIST", "Someone"}, {"DATE", "1988"}};
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("a.ogg"), options));
    PreparedAnswer prepared(drive_.Win(u"a.ogg"));
    ASSERT_NE(Read(prepared.answer), 0);
    EXPECT_EQ(prepared.answer.Kind, static_cast<DWORD>(ZEL_TAGKIND_OGG));
    EXPECT_EQ(Field(prepared.answer.Title), "Vorbis");
    EXPECT_EQ(Field(prepared.answer.Year), "1988");
    EXPECT_EQ(prepared.answer.OrderNumber, 0u);
    EXPECT_EQ(prepared.answer.Number2, 1u);
}

TEST_F(AgentMediaTagReader, LongTextsAreCutToTheirFields) {
    mg::Mp3Options options;
    options.title = std::string(254, 'x') + "\xF0\x9F\x8E\xB5" + "tail";  // U+1F3B5 straddles unit 255
    options.genre = std::string(100, 'g');
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("long.mp3"), options));
    PreparedAnswer prepared(drive_.Win(u"long.mp3"));
    ASSERT_NE(Read(prepared.answer), 0);
    const std::u16string title(prepared.answer.Title);
    EXPECT_EQ(title, std::u16string(254, u'x'));  // the surrogate pair is not cut in half
    EXPECT_EQ(std::u16string(prepared.answer.Genre), std::u16string(63, u'g'));
    EXPECT_EQ(prepared.answer.Title[255], 0);
}

TEST_F(AgentMediaTagReader, Mp3WithLeadingJunkIsStillMp3) {
    // No tag and no frame at the start: the reader falls back to the name and TagLib
    // finds the frames further on.
    ASSERT_TRUE(mg::WriteBytes(drive_.Host("junk.mp3"), Join(Bytes(300, 0), mg::MakeMp3Audio(192))));
    PreparedAnswer prepared(drive_.Win(u"junk.mp3"));
    ASSERT_NE(Read(prepared.answer), 0);
    EXPECT_EQ(prepared.answer.Kind, static_cast<DWORD>(ZEL_TAGKIND_MP3));
    EXPECT_EQ(prepared.answer.Number2, 5u);
    EXPECT_EQ(prepared.answer.Title[0], 0);
}

TEST_F(AgentMediaTagReader, FailsWithoutAReadableFile) {
    ASSERT_TRUE(mg::WriteText(drive_.Host("note.txt"), "plain text"));
    PreparedAnswer missing(drive_.Win(u"missing.mp3")), text(drive_.Win(u"note.txt")), empty(u"");
    EXPECT_EQ(Read(missing.answer), 0);
    EXPECT_EQ(Read(text.answer), 0);
    EXPECT_EQ(Read(empty.answer), 0);
    mg::Mp3Options options;
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("ok.mp3"), options));
    PreparedAnswer ok(drive_.Win(u"ok.mp3"));
    EXPECT_EQ(Agent_GetGetFileInfo()(&ok.answer, nullptr, nullptr, sizeof(ZelTagAnswer) - 1), 0);
    EXPECT_EQ(Agent_GetGetFileInfo()(nullptr, nullptr, nullptr, sizeof(ZelTagAnswer)), 0);
}

using AgentMediaResize = AgentMediaTest;

TEST_F(AgentMediaResize, Mp3CoverIsScaledToTheAskedSize) {
    for (auto format : {mg::ImageFormat::Jpeg, mg::ImageFormat::Png}) {
        SCOPED_TRACE(static_cast<int>(format));
        mg::Mp3Options options;
        options.title = "Covered";
        options.cover = {format, 300, 200, 3};
        ASSERT_TRUE(mg::WriteMp3(drive_.Host("in.mp3"), options));
        const Bytes before = mg::ReadBytes(drive_.Host("in.mp3"));

        ASSERT_NE(Agent_ResizeAlbumImage()(drive_.Win(u"in.mp3").c_str(), drive_.Win(u"out.mp3").c_str(), 120, 90), 0);
        TagLib::MPEG::File out(drive_.Host("out.mp3").c_str());
        ASSERT_TRUE(out.isValid());
        auto* picture = FirstPicture(out);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(PictureSize(picture->picture()), (Size{120, 90}));
        const Bytes data = ToBytes(picture->picture());
        EXPECT_EQ(zelagent::SniffPicture(data.data(), data.size()),
                  format == mg::ImageFormat::Png ? zelagent::PictureFormat::Png : zelagent::PictureFormat::Jpeg);
        EXPECT_EQ(Utf8(out.tag()->title()), "Covered");
        EXPECT_EQ(out.ID3v2Tag()->header()->majorVersion(), 3u);
        EXPECT_EQ(mg::ReadBytes(drive_.Host("in.mp3")), before) << "the source is untouched";
        EXPECT_EQ(FilesInDrive(), 2u);
    }
}

TEST_F(AgentMediaResize, FrontCoverIsChosenAmongPictures) {
    // A back cover first, then the front cover: only the front cover changes.
    Bytes back = mg::MakeJpeg(50, 50), front = mg::MakeJpeg(60, 60);
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("two.mp3"), mg::Mp3Options{}));
    TagLib::MPEG::File seed(drive_.Host("two.mp3").c_str());
    for (auto [data, type] : {std::pair{back, TagLib::ID3v2::AttachedPictureFrame::BackCover},
                              std::pair{front, TagLib::ID3v2::AttachedPictureFrame::FrontCover}}) {
        auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
        frame->setMimeType("image/jpeg");
        frame->setType(type);
        frame->setPicture(TagLib::ByteVector(reinterpret_cast<const char*>(data.data()), static_cast<unsigned>(data.size())));
        seed.ID3v2Tag(true)->addFrame(frame);
    }
    ASSERT_TRUE(seed.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3));

    ASSERT_NE(Agent_ResizeAlbumImage()(drive_.Win(u"two.mp3").c_str(), drive_.Win(u"two-out.mp3").c_str(), 16, 16), 0);
    TagLib::MPEG::File out(drive_.Host("two-out.mp3").c_str());
    const auto frames = out.ID3v2Tag()->frameList("APIC");
    ASSERT_EQ(frames.size(), 2u);
    for (TagLib::ID3v2::Frame* frame : frames) {
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        const bool isFront = picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover;
        EXPECT_EQ(PictureSize(picture->picture()), isFront ? (Size{16, 16}) : (Size{50, 50}));
    }
}

TEST_F(AgentMediaResize, WmaAndOggCovers) {
    mg::AsfOptions asf;
    asf.title = "W";
    asf.cover = {mg::ImageFormat::Jpeg, 100, 100, 3};
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("in.wma"), asf));
    ASSERT_NE(Agent_ResizeAlbumImage()(drive_.Win(u"in.wma").c_str(), drive_.Win(u"out.wma").c_str(), 48, 40), 0);
    TagLib::ASF::File wma(drive_.Host("out.wma").c_str());
    ASSERT_TRUE(wma.isValid());
    EXPECT_EQ(PictureSize(wma.tag()->attribute("WM/Picture").front().toPicture().picture()), (Size{48, 40}));
    EXPECT_EQ(Utf8(wma.tag()->title()), "W");

    mg::OggOptions ogg;
    ogg.comments = {{"TITLE", "O"}};
    ogg.cover = {mg::ImageFormat::Png, 64, 64, 3};
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("in.ogg"), ogg));
    ASSERT_NE(Agent_ResizeAlbumImage()(drive_.Win(u"in.ogg").c_str(), drive_.Win(u"out.ogg").c_str(), 20, 30), 0);
    TagLib::Ogg::Vorbis::File vorbis(drive_.Host("out.ogg").c_str());
    ASSERT_TRUE(vorbis.isValid());
    ASSERT_EQ(vorbis.tag()->pictureList().size(), 1u);
    const TagLib::FLAC::Picture* picture = vorbis.tag()->pictureList().front();
    EXPECT_EQ(PictureSize(picture->data()), (Size{20, 30}));
    EXPECT_EQ(picture->width(), 20);
    EXPECT_EQ(picture->height(), 30);
    EXPECT_EQ(Utf8(vorbis.tag()->title()), "O");
}

TEST_F(AgentMediaResize, FailuresLeaveNoTarget) {
    mg::Mp3Options bare;
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("bare.mp3"), bare));
    mg::Mp3Options covered;
    covered.cover = {mg::ImageFormat::Jpeg, 40, 40, 3};
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("covered.mp3"), covered));
    ASSERT_TRUE(mg::WriteText(drive_.Host("note.txt"), "text"));
    const size_t before = FilesInDrive();

    auto resize = Agent_ResizeAlbumImage();
    const std::u16string target = drive_.Win(u"target.mp3");
    EXPECT_EQ(resize(drive_.Win(u"bare.mp3").c_str(), target.c_str(), 32, 32), 0);
    EXPECT_EQ(resize(drive_.Win(u"note.txt").c_str(), target.c_str(), 32, 32), 0);
    EXPECT_EQ(resize(drive_.Win(u"missing.mp3").c_str(), target.c_str(), 32, 32), 0);
    EXPECT_EQ(resize(drive_.Win(u"covered.mp3").c_str(), target.c_str(), 0, 32), 0);
    EXPECT_EQ(resize(drive_.Win(u"covered.mp3").c_str(), target.c_str(), 32, -1), 0);
    EXPECT_EQ(resize(drive_.Win(u"covered.mp3").c_str(), nullptr, 32, 32), 0);
    EXPECT_EQ(resize(drive_.Win(u"covered.mp3").c_str(), drive_.Win(u"no\\folder\\t.mp3").c_str(), 32, 32), 0);
    EXPECT_FALSE(drive_.Exists("target.mp3"));
    EXPECT_EQ(FilesInDrive(), before) << "no temporary file is left behind";
}

using AgentMediaInMemory = AgentMediaTest;

TEST_F(AgentMediaInMemory, RemoverDropsEveryPicture) {
    for (int version : {3, 4}) {
        SCOPED_TRACE(version);
        mg::Mp3Options options;
        options.id3Version = version;
        options.title = "Pictured";
        options.lyrics = "words";
        options.cover = {mg::ImageFormat::Jpeg, 80, 80, 3};
        const Bytes input = mg::MakeId3Tag(options);
        Bytes output(input.size(), 0);
        DWORD length = static_cast<DWORD>(input.size());
        ASSERT_NE(Agent_DeleteAlbumImage()(input.data(), output.data(), &length), 0);
        EXPECT_LT(length, input.size());
        output.resize(length);

        auto file = OpenMp3(output);
        ASSERT_TRUE(file->isValid() && file->hasID3v2Tag());
        EXPECT_TRUE(file->ID3v2Tag()->frameList("APIC").isEmpty());
        EXPECT_EQ(Utf8(file->tag()->title()), "Pictured");
        EXPECT_FALSE(file->ID3v2Tag()->frameList("USLT").isEmpty());

        // Nothing left to remove.
        Bytes again(output.size());
        DWORD againLength = length;
        EXPECT_EQ(Agent_DeleteAlbumImage()(output.data(), again.data(), &againLength), 0);
        EXPECT_EQ(againLength, length);
    }
}

TEST_F(AgentMediaInMemory, ResizerScalesTheCoverInPlace) {
    mg::Mp3Options options;
    options.title = "Big cover";
    options.cover = {mg::ImageFormat::Jpeg, 400, 400, 3};
    const Bytes input = mg::MakeId3Tag(options);
    Bytes output(input.size(), 0);
    DWORD length = static_cast<DWORD>(input.size());
    ASSERT_NE(Agent_ResizeAlbumImageForC7()(input.data(), output.data(), &length, 100, 100), 0);
    EXPECT_LE(length, input.size());
    output.resize(length);
    auto file = OpenMp3(output);
    auto* picture = FirstPicture(*file);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(PictureSize(picture->picture()), (Size{100, 100}));
    EXPECT_EQ(picture->mimeType(), "image/jpeg");
    EXPECT_EQ(Utf8(file->tag()->title()), "Big cover");
}

TEST_F(AgentMediaInMemory, ResizerFailsWhenTheResultDoesNotFit) {
    mg::Mp3Options options;
    options.cover = {mg::ImageFormat::Png, 8, 8, 3};
    options.padding = 0;
    const Bytes input = mg::MakeId3Tag(options);
    Bytes output(input.size(), 0);
    DWORD length = static_cast<DWORD>(input.size());
    EXPECT_EQ(Agent_ResizeAlbumImageForC7()(input.data(), output.data(), &length, 600, 600), 0);
    EXPECT_EQ(length, input.size());

    mg::Mp3Options noPicture;
    noPicture.title = "x";
    const Bytes plain = mg::MakeId3Tag(noPicture);
    Bytes plainOut(plain.size());
    DWORD plainLength = static_cast<DWORD>(plain.size());
    EXPECT_EQ(Agent_ResizeAlbumImageForC7()(plain.data(), plainOut.data(), &plainLength, 10, 10), 0);
    const Bytes junk(64, 0x41);
    DWORD junkLength = 64;
    Bytes junkOut(64);
    EXPECT_EQ(Agent_ResizeAlbumImageForC7()(junk.data(), junkOut.data(), &junkLength, 10, 10), 0);
    EXPECT_EQ(Agent_DeleteAlbumImage()(junk.data(), junkOut.data(), &junkLength), 0);
}

using AgentMediaMood = AgentMediaTest;

TEST_F(AgentMediaMood, MoodReadsBackFromEachFormat) {
    mg::Mp3Options mp3;
    mp3.title = "m";
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("a.mp3"), mp3));
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("a.wma"), mg::AsfOptions{}));
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("a.ogg"), mg::OggOptions{}));
    auto mood = Agent_AddMoodInfoForDevice();

    ASSERT_NE(mood(drive_.Win(u"a.mp3").c_str(), 2), 0);
    ASSERT_NE(mood(drive_.Win(u"a.mp3").c_str(), 4), 0);  // replaces, not adds
    {
        TagLib::MPEG::File file(drive_.Host("a.mp3").c_str());
        int found = 0;
        for (TagLib::ID3v2::Frame* frame : file.ID3v2Tag()->frameList("TXXX")) {
            auto* text = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(frame);
            if (text && text->description() == "MOOD") {
                ++found;
                EXPECT_EQ(Utf8(text->fieldList()[1]), "4");
            }
        }
        EXPECT_EQ(found, 1);
        EXPECT_EQ(Utf8(file.tag()->title()), "m");
        EXPECT_EQ(file.audioProperties()->lengthInSeconds(), 5);
    }
    ASSERT_NE(mood(drive_.Win(u"a.wma").c_str(), 1), 0);
    TagLib::ASF::File wma(drive_.Host("a.wma").c_str());
    EXPECT_EQ(Utf8(wma.tag()->attribute("WM/Mood").front().toString()), "1");
    ASSERT_NE(mood(drive_.Win(u"a.ogg").c_str(), 3), 0);
    TagLib::Ogg::Vorbis::File ogg(drive_.Host("a.ogg").c_str());
    EXPECT_EQ(Utf8(ogg.tag()->fieldListMap()["MOOD"].front()), "3");
}

TEST_F(AgentMediaMood, RejectsBadClassesAndFiles) {
    mg::Mp3Options options;
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("a.mp3"), options));
    const Bytes before = mg::ReadBytes(drive_.Host("a.mp3"));
    auto mood = Agent_AddMoodInfoForDevice();
    EXPECT_EQ(mood(drive_.Win(u"a.mp3").c_str(), 0), 0);
    EXPECT_EQ(mood(drive_.Win(u"a.mp3").c_str(), 5), 0);
    EXPECT_EQ(mg::ReadBytes(drive_.Host("a.mp3")), before);
    EXPECT_EQ(mood(drive_.Win(u"missing.mp3").c_str(), 1), 0);
    EXPECT_EQ(mood(nullptr, 1), 0);
}

TEST(AgentMediaPicture, ScalingAveragesAndInterpolates) {
    zelagent::Image gray{4, 1, 1, {0, 0, 255, 255}};
    EXPECT_EQ(zelagent::Scale(gray, 2, 1).pixels, (std::vector<uint8_t>{0, 255}));
    EXPECT_EQ(zelagent::Scale(gray, 1, 1).pixels, (std::vector<uint8_t>{128}));
    // A third of a pixel per destination pixel: areas are weighed by their overlap.
    zelagent::Image three{3, 1, 1, {0, 90, 180}};
    EXPECT_EQ(zelagent::Scale(three, 2, 1).pixels, (std::vector<uint8_t>{30, 150}));

    zelagent::Image two{2, 1, 1, {0, 255}};
    const std::vector<uint8_t> grown = zelagent::Scale(two, 4, 1).pixels;
    EXPECT_EQ(grown.front(), 0);
    EXPECT_EQ(grown.back(), 255);
    EXPECT_TRUE(std::is_sorted(grown.begin(), grown.end()));

    // A transparent pixel lends no colour to its neighbour.
    zelagent::Image rgba{2, 1, 4, {255, 0, 0, 255, 0, 0, 255, 0}};
    EXPECT_EQ(zelagent::Scale(rgba, 1, 1).pixels, (std::vector<uint8_t>{255, 0, 0, 128}));
}

TEST(AgentMediaPicture, ResizeKeepsTheFormatAndRejectsJunk) {
    const Bytes png = mg::MakePng(30, 20, true);
    zelagent::Bytes out;
    ASSERT_TRUE(zelagent::ResizePicture(png.data(), png.size(), 7, 9, out));
    EXPECT_EQ(zelagent::SniffPicture(out.data(), out.size()), zelagent::PictureFormat::Png);
    zelagent::Image decoded;
    ASSERT_TRUE(zelagent::DecodePng(out.data(), out.size(), decoded));
    EXPECT_EQ(decoded.channels, 4);  // alpha survives
    EXPECT_EQ(PictureSize(Bytes(out.begin(), out.end())), (Size{7, 9}));

    Bytes broken = mg::MakeJpeg(30, 20);
    broken.resize(broken.size() / 3);
    EXPECT_FALSE(zelagent::ResizePicture(broken.data(), broken.size(), 7, 9, out));
    const Bytes text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    EXPECT_FALSE(zelagent::ResizePicture(text.data(), text.size(), 7, 9, out));
    EXPECT_FALSE(zelagent::ResizePicture(png.data(), png.size(), 0, 9, out));
    EXPECT_FALSE(zelagent::ResizePicture(png.data(), png.size(), 9, zelagent::kMaxPictureSide + 1, out));
}
