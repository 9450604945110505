// The agent's media routines: tag reader, album art resizers and remover, mood writer.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include <taglib/attachedpictureframe.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include "ZELDevice/abi/AgentRoutines.h"
#include "media_test_util.h"

using namespace mediatest;
namespace mg = zelmediagen;

namespace {

using AgentMedia = MediaFiles;
using Picture = TagLib::ID3v2::AttachedPictureFrame;

// Reads the tags of a file as the device does: a zero-filled answer with the path in it.
struct Answer : ZelTagAnswer {
    int result = 0;
    explicit Answer(const std::u16string& path, LPCWSTR argument = nullptr) : ZelTagAnswer() {
        std::memcpy(Path, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
        ZelTagRequest request{};
        request.DeviceID1 = 0x1234;
        result = Agent_GetGetFileInfo()(this, &request, argument, sizeof(ZelTagAnswer));
    }
};

std::string Field(const WCHAR* field) { return Utf8(std::u16string(field)); }

Picture* FirstPicture(TagLib::MPEG::File& file) {
    if (!file.hasID3v2Tag() || file.ID3v2Tag()->frameList("APIC").isEmpty()) return nullptr;
    return dynamic_cast<Picture*>(file.ID3v2Tag()->frameList("APIC").front());
}

// Calls one of the in-memory routines with an output buffer of the input's size; the output as it came back.
std::pair<int, Bytes> InMemory(const Bytes& input, const std::function<int(const BYTE*, BYTE*, DWORD*)>& routine) {
    Bytes output(input.size(), 0);
    DWORD length = static_cast<DWORD>(input.size());
    const int result = routine(input.data(), output.data(), &length);
    EXPECT_LE(length, input.size());
    output.resize(length);
    return {result, output};
}

}  // namespace

TEST_F(AgentMedia, TagReaderFillsTheAnswerFromMp3) {
    mg::Mp3Options options;
    options.title = "Title \xE2\x99\xAA";  // "Title ♪"
    options.artist = "Artist", options.album = "Album", options.genre = "Blues";
    options.year = 2007, options.track = 7;
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("a.mp3"), options));
    const Answer a(drive_.Win(u"a.mp3"));
    ASSERT_NE(a.result, 0);
    EXPECT_EQ((std::vector<std::string>{options.title, "Artist", "Album", "Blues", "2007"}),
              (std::vector{Field(a.Title), Field(a.Artist), Field(a.Album), Field(a.Genre), Field(a.Year)}));
    EXPECT_EQ((std::vector<uint64_t>{7, 7, 5, std::filesystem::file_size(drive_.Host("a.mp3")), ZEL_TAGKIND_MP3, 44100, 2}),
              (std::vector<uint64_t>{a.Number1, a.OrderNumber, a.Number2, a.FileSize, a.Kind, a.SampleRate, a.Channels}));
    EXPECT_EQ(Field(a.Path), Utf8(drive_.Win(u"a.mp3")));
    EXPECT_NE(Agent_GetDeleteTrack()(nullptr), 0);

    // Long texts are cut to their fields without splitting a surrogate pair (U+1F3B5 straddles unit 255).
    options.title = std::string(254, 'x') + "\xF0\x9F\x8E\xB5" + "tail";
    options.genre = std::string(100, 'g');
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("long.mp3"), options));
    const Answer cut(drive_.Win(u"long.mp3"));
    ASSERT_NE(cut.result, 0);
    EXPECT_EQ(std::u16string(cut.Title), std::u16string(254, u'x'));
    EXPECT_EQ(std::u16string(cut.Genre), std::u16string(63, u'g'));
}

TEST_F(AgentMedia, TagReaderKindsOfAsfOggAndOddFiles) {
    mg::AsfOptions audio;
    audio.title = "Song", audio.artist = "Band", audio.track = 3, audio.durationMs = 61500;
    mg::AsfOptions video = audio;
    video.video = true, video.title = "Clip";
    mg::OggOptions ogg;
    ogg.comments = {{"TITLE", "Vorbis"}, {"ARTIST", "Someone"}, {"DATE", "1988"}};
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("a.wma"), audio) && mg::WriteAsf(drive_.Host("v.wmv"), video));
    ASSERT_TRUE(mg::WriteOggVorbis(drive_.Host("a.ogg"), ogg));
    // No tag and no frame at the start: the reader falls back to the name and TagLib finds the frames further on.
    ASSERT_TRUE(mg::WriteBytes(drive_.Host("junk.mp3"), Join(Bytes(300, 0), mg::MakeMp3Audio(192))));

    const std::u16string audioPath = drive_.Win(u"a.wma");
    const Answer a(u"", audioPath.c_str()), v(drive_.Win(u"v.wmv")), o(drive_.Win(u"a.ogg")), j(drive_.Win(u"junk.mp3"));
    ASSERT_TRUE(a.result && v.result && o.result && j.result);
    EXPECT_EQ(Field(a.Path), Utf8(audioPath));  // an empty Path field receives the path
    // Kind, title, artist or year, order number (0 without a track) and length in seconds.
    using Row = std::tuple<DWORD, std::string, std::string, DWORD, DWORD>;
    EXPECT_EQ((Row{3, "Song", "Band", 3, 61}), (Row{a.Kind, Field(a.Title), Field(a.Artist), a.OrderNumber, a.Number2}));
    EXPECT_EQ((Row{4, "Clip", "Band", 3, 61}), (Row{v.Kind, Field(v.Title), Field(v.Artist), v.OrderNumber, v.Number2}));
    EXPECT_EQ((Row{ZEL_TAGKIND_OGG, "Vorbis", "1988", 0, 1}),
              (Row{o.Kind, Field(o.Title), Field(o.Year), o.OrderNumber, o.Number2}));
    EXPECT_EQ((Row{ZEL_TAGKIND_MP3, "", "", 0, 5}), (Row{j.Kind, Field(j.Title), Field(j.Artist), j.OrderNumber, j.Number2}));

    ASSERT_TRUE(mg::WriteText(drive_.Host("note.txt"), "plain text"));
    EXPECT_EQ(0, Answer(drive_.Win(u"missing.mp3")).result);
    EXPECT_EQ(0, Answer(drive_.Win(u"note.txt")).result);
    EXPECT_EQ(0, Answer(u"").result);
    ZelTagAnswer small{};
    EXPECT_EQ(Agent_GetGetFileInfo()(&small, nullptr, audioPath.c_str(), sizeof(ZelTagAnswer) - 1), 0);
    EXPECT_EQ(Agent_GetGetFileInfo()(nullptr, nullptr, nullptr, sizeof(ZelTagAnswer)), 0);
}

// An ASF header whose attribute list announces far more attributes than it
// holds is not handed to TagLib, which reads every one it is told of from
// wherever the file goes on: for a 4 KiB file that took some 60 MB (hundreds
// under the sanitizers). The reader answers 0, and its process stays small.
TEST_F(AgentMedia, TagReaderLeavesAnAsfHeaderThatOverrunsItself) {
    mg::AsfOptions audio;
    audio.title = "Song", audio.track = 3;
    Bytes header = mg::MakeAsfHeader(audio);
    const Bytes extended = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11, 0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
    const auto found = std::search(header.begin(), header.end(), extended.begin(), extended.end());
    ASSERT_NE(found, header.end());
    const size_t count = static_cast<size_t>(found - header.begin()) + 24;  // the attribute count
    ASSERT_TRUE(mg::WriteBytes(drive_.Host("sound.wma"), Join(header, mg::MakeAsfData())));
    header[count] = header[count + 1] = 0xFF;
    ASSERT_TRUE(mg::WriteBytes(drive_.Host("damaged.wma"), Join(header, mg::MakeAsfData())));
    EXPECT_NE(Answer(drive_.Win(u"sound.wma")).result, 0);

    const pid_t child = fork();
    if (child == 0) {
        struct rusage before {}, after {};
        getrusage(RUSAGE_SELF, &before);
        const Answer damaged(drive_.Win(u"damaged.wma"));
        getrusage(RUSAGE_SELF, &after);
        _exit(damaged.result == 0 && after.ru_maxrss - before.ru_maxrss < 32 * 1024 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the damaged header was read, or took 32 MB or more";
}

TEST_F(AgentMedia, ResizerScalesTheCoverOfEachFormat) {
    auto resize = [this](const char16_t* in, const char16_t* out) {
        return Agent_ResizeAlbumImage()(drive_.Win(in).c_str(), drive_.Win(out).c_str(), 48, 40);
    };
    for (auto format : {mg::ImageFormat::Jpeg, mg::ImageFormat::Png}) {
        SCOPED_TRACE(static_cast<int>(format));
        mg::Mp3Options options;
        options.title = "Covered";
        options.cover = {format, 300, 200, 3};
        ASSERT_TRUE(mg::WriteMp3(drive_.Host("in.mp3"), options));
        const Bytes before = mg::ReadBytes(drive_.Host("in.mp3"));
        ASSERT_NE(resize(u"in.mp3", u"out.mp3"), 0);
        TagLib::MPEG::File out(drive_.Host("out.mp3").c_str());
        Picture* picture = FirstPicture(out);
        ASSERT_NE(picture, nullptr);
        const Bytes data = ToBytes(picture->picture());
        EXPECT_EQ(PictureSize(data), (Size{48, 40}));
        EXPECT_EQ(zelagent::SniffPicture(data.data(), data.size()),
                  format == mg::ImageFormat::Png ? zelagent::PictureFormat::Png : zelagent::PictureFormat::Jpeg);
        EXPECT_EQ(Utf8(out.tag()->title()), "Covered");
        EXPECT_EQ(mg::ReadBytes(drive_.Host("in.mp3")), before) << "the source is untouched";
        EXPECT_EQ(FilesInDrive(), 2u);
    }

    mg::AsfOptions asf;
    asf.title = "W";
    asf.cover = {mg::ImageFormat::Jpeg, 100, 100, 3};
    mg::OggOptions ogg;
    ogg.comments = {{"TITLE", "O"}};
    ogg.cover = {mg::ImageFormat::Png, 64, 64, 3};
    ASSERT_TRUE(mg::WriteAsf(drive_.Host("in.wma"), asf) && mg::WriteOggVorbis(drive_.Host("in.ogg"), ogg));
    ASSERT_NE(resize(u"in.wma", u"out.wma"), 0);
    ASSERT_NE(resize(u"in.ogg", u"out.ogg"), 0);
    TagLib::ASF::File wma(drive_.Host("out.wma").c_str());
    ASSERT_TRUE(wma.isValid());
    EXPECT_EQ(PictureSize(wma.tag()->attribute("WM/Picture").front().toPicture().picture()), (Size{48, 40}));
    EXPECT_EQ(Utf8(wma.tag()->title()), "W");
    TagLib::Ogg::Vorbis::File vorbis(drive_.Host("out.ogg").c_str());
    ASSERT_TRUE(vorbis.isValid());
    ASSERT_EQ(vorbis.tag()->pictureList().size(), 1u);
    const TagLib::FLAC::Picture* picture = vorbis.tag()->pictureList().front();
    EXPECT_EQ(PictureSize(picture->data()), (Size{48, 40}));
    EXPECT_EQ((Size{picture->width(), picture->height()}), (Size{48, 40}));
    EXPECT_EQ(Utf8(vorbis.tag()->title()), "O");
}

TEST_F(AgentMedia, ResizerChoosesTheFrontCoverAndFailsWithoutTarget) {
    // A back cover first, then the front cover: only the front cover changes.
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("two.mp3"), mg::Mp3Options{}));
    TagLib::MPEG::File seed(drive_.Host("two.mp3").c_str());
    for (auto [side, type] : {std::pair{50, Picture::BackCover}, std::pair{60, Picture::FrontCover}}) {
        const Bytes data = mg::MakeJpeg(side, side);
        auto* frame = new Picture;
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
        auto* picture = dynamic_cast<Picture*>(frame);
        EXPECT_EQ(PictureSize(picture->picture()), picture->type() == Picture::FrontCover ? (Size{16, 16}) : (Size{50, 50}));
    }

    // No picture, no audio file, no source, a bad size, no target or no target folder: nothing is written.
    mg::Mp3Options covered;
    covered.cover = {mg::ImageFormat::Jpeg, 40, 40, 3};
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("bare.mp3"), {}) && mg::WriteMp3(drive_.Host("covered.mp3"), covered));
    ASSERT_TRUE(mg::WriteText(drive_.Host("note.txt"), "text"));
    const size_t before = FilesInDrive();
    auto resize = [this](const char16_t* source, const char16_t* target, int width, int height) {
        const std::u16string from = drive_.Win(source), to = drive_.Win(target ? target : u"");
        return Agent_ResizeAlbumImage()(from.c_str(), target ? to.c_str() : nullptr, width, height);
    };
    using Call = std::tuple<const char16_t*, const char16_t*, int, int>;
    for (auto [source, target, width, height] :
         {Call{u"bare.mp3", u"target.mp3", 32, 32}, Call{u"note.txt", u"target.mp3", 32, 32},
          Call{u"missing.mp3", u"target.mp3", 32, 32}, Call{u"covered.mp3", u"target.mp3", 0, 32},
          Call{u"covered.mp3", u"target.mp3", 32, -1},
          Call{u"covered.mp3", nullptr, 32, 32}, Call{u"covered.mp3", u"no\\folder\\t.mp3", 32, 32}})
        EXPECT_EQ(resize(source, target, width, height), 0) << Utf8(source);
    EXPECT_FALSE(drive_.Exists("target.mp3"));
    EXPECT_EQ(FilesInDrive(), before) << "no temporary file is left behind";
}

TEST_F(AgentMedia, InMemoryRemoverAndResizer) {
    for (int version : {3, 4}) {
        SCOPED_TRACE(version);
        mg::Mp3Options options;
        options.id3Version = version, options.title = "Pictured", options.lyrics = "words";
        options.cover = {mg::ImageFormat::Jpeg, 80, 80, 3};
        const Bytes input = mg::MakeId3Tag(options);
        const auto [removed, output] = InMemory(input, Agent_DeleteAlbumImage());
        ASSERT_NE(removed, 0);
        EXPECT_LT(output.size(), input.size());
        auto file = OpenMp3(output);
        ASSERT_TRUE(file->isValid() && file->hasID3v2Tag());
        EXPECT_TRUE(file->ID3v2Tag()->frameList("APIC").isEmpty());
        EXPECT_EQ(Utf8(file->tag()->title()), "Pictured");
        EXPECT_FALSE(file->ID3v2Tag()->frameList("USLT").isEmpty());
        const auto again = InMemory(output, Agent_DeleteAlbumImage());  // nothing left to remove
        EXPECT_EQ((std::pair{0, output.size()}), (std::pair{again.first, again.second.size()}));
    }

    auto resize = [](int side) {
        return [side](const BYTE* in, BYTE* out, DWORD* length) {
            return Agent_ResizeAlbumImageForC7()(in, out, length, side, side);
        };
    };
    mg::Mp3Options big;
    big.title = "Big cover", big.cover = {mg::ImageFormat::Jpeg, 400, 400, 3};
    const auto [resized, output] = InMemory(mg::MakeId3Tag(big), resize(100));
    ASSERT_NE(resized, 0);
    auto file = OpenMp3(output);
    Picture* picture = FirstPicture(*file);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(PictureSize(picture->picture()), (Size{100, 100}));
    EXPECT_EQ(picture->mimeType(), "image/jpeg");
    EXPECT_EQ(Utf8(file->tag()->title()), "Big cover");

    // A result that does not fit, no picture, and junk fail; a failure leaves the length as it was.
    mg::Mp3Options small;
    small.cover = {mg::ImageFormat::Png, 8, 8, 3}, small.padding = 0;
    const Bytes tight = mg::MakeId3Tag(small);
    mg::Mp3Options plain;
    plain.title = "x";
    const Bytes junk(64, 0x41);
    for (const Bytes& input : {tight, mg::MakeId3Tag(plain), junk}) {
        const auto failed = InMemory(input, resize(input == tight ? 600 : 10));
        EXPECT_EQ((std::pair{0, input.size()}), (std::pair{failed.first, failed.second.size()}));
    }
    EXPECT_EQ(InMemory(junk, Agent_DeleteAlbumImage()).first, 0);
}

TEST_F(AgentMedia, MoodWriterReadsBackFromEachFormat) {
    mg::Mp3Options mp3;
    mp3.title = "m";
    ASSERT_TRUE(mg::WriteMp3(drive_.Host("a.mp3"), mp3) && mg::WriteAsf(drive_.Host("a.wma"), {}) &&
                mg::WriteOggVorbis(drive_.Host("a.ogg"), {}));
    auto mood = [this](const char16_t* name, int value) {
        return Agent_AddMoodInfoForDevice()(name ? drive_.Win(name).c_str() : nullptr, value);
    };
    const Bytes before = mg::ReadBytes(drive_.Host("a.mp3"));
    for (auto [name, value] : {std::pair{u"a.mp3", 0}, {u"a.mp3", 5}, {u"missing.mp3", 1}, {nullptr, 1}})
        EXPECT_EQ(mood(name, value), 0) << value;
    EXPECT_EQ(mg::ReadBytes(drive_.Host("a.mp3")), before);

    ASSERT_NE(mood(u"a.mp3", 2), 0);
    ASSERT_NE(mood(u"a.mp3", 4), 0);  // replaces, not adds
    TagLib::MPEG::File file(drive_.Host("a.mp3").c_str());
    std::vector<std::string> moods;
    for (TagLib::ID3v2::Frame* frame : file.ID3v2Tag()->frameList("TXXX")) {
        auto* text = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(frame);
        if (text && text->description() == "MOOD") moods.push_back(Utf8(text->fieldList()[1]));
    }
    EXPECT_EQ(moods, std::vector<std::string>{"4"});
    EXPECT_EQ(Utf8(file.tag()->title()), "m");
    EXPECT_EQ(file.audioProperties()->lengthInSeconds(), 5);
    ASSERT_NE(mood(u"a.wma", 1), 0);
    TagLib::ASF::File wma(drive_.Host("a.wma").c_str());
    EXPECT_EQ(Utf8(wma.tag()->attribute("WM/Mood").front().toString()), "1");
    ASSERT_NE(mood(u"a.ogg", 3), 0);
    TagLib::Ogg::Vorbis::File ogg(drive_.Host("a.ogg").c_str());
    EXPECT_EQ(Utf8(ogg.tag()->fieldListMap()["MOOD"].front()), "3");
}

TEST(AgentMediaPicture, ScalingAveragesAndInterpolates) {
    auto scale = [](zelagent::Image image, int width) { return zelagent::Scale(image, width, 1).pixels; };
    using Pixels = std::vector<uint8_t>;
    EXPECT_EQ(scale({4, 1, 1, {0, 0, 255, 255}}, 2), (Pixels{0, 255}));
    EXPECT_EQ(scale({4, 1, 1, {0, 0, 255, 255}}, 1), (Pixels{128}));
    EXPECT_EQ(scale({3, 1, 1, {0, 90, 180}}, 2), (Pixels{30, 150}));  // areas weighed by their overlap
    const Pixels grown = scale({2, 1, 1, {0, 255}}, 4);
    EXPECT_TRUE(grown.front() == 0 && grown.back() == 255 && std::is_sorted(grown.begin(), grown.end()));
    // A transparent pixel lends no colour to its neighbour.
    EXPECT_EQ(scale({2, 1, 4, {255, 0, 0, 255, 0, 0, 255, 0}}, 1), (Pixels{255, 0, 0, 128}));
}

TEST(AgentMediaPicture, ResizeKeepsTheFormatAndRejectsJunk) {
    const Bytes png = mg::MakePng(30, 20, true);
    zelagent::Bytes out;
    ASSERT_TRUE(zelagent::ResizePicture(png.data(), png.size(), 7, 9, out));
    zelagent::Image decoded;
    ASSERT_TRUE(zelagent::DecodePng(out.data(), out.size(), decoded));
    EXPECT_EQ((Size{decoded.width, decoded.height}), (Size{7, 9}));
    EXPECT_EQ(decoded.channels, 4);  // alpha survives

    Bytes broken = mg::MakeJpeg(30, 20);
    broken.resize(broken.size() / 3);
    const Bytes text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    for (const Bytes& junk : {broken, text}) EXPECT_FALSE(zelagent::ResizePicture(junk.data(), junk.size(), 7, 9, out));
    EXPECT_FALSE(zelagent::ResizePicture(png.data(), png.size(), 0, 9, out));
    EXPECT_FALSE(zelagent::ResizePicture(png.data(), png.size(), 9, zelagent::kMaxPictureSide + 1, out));
}

// A large JPEG is decoded at a reduced DCT scale: the result must still be a JPEG
// of exactly the size asked for, in the source's colour model, with its content
// where it was (a wrong scale or stride shows as colours in the wrong half).
TEST(AgentMediaPicture, LargeJpegCoversShrinkToTheExactSizeWithTheirContentInPlace) {
    struct Case {
        int width, height, channels, toWidth, toHeight;
    };
    for (const Case& c : {Case{1000, 1000, 3, 128, 128}, Case{1000, 600, 3, 128, 128}, Case{600, 1000, 3, 200, 100},
                          Case{800, 800, 1, 64, 64}, Case{100, 100, 3, 128, 128}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " to " + std::to_string(c.toWidth));
        // Left half bright (red), right half dark (blue).
        zelagent::Image source{c.width, c.height, c.channels, {}};
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const bool left = x < c.width / 2;
                if (c.channels == 1) {
                    source.pixels.push_back(left ? 230 : 20);
                } else {
                    source.pixels.insert(source.pixels.end(), {uint8_t(left ? 230 : 10), 10, uint8_t(left ? 10 : 230)});
                }
            }
        }
        zelagent::Bytes jpeg, out;
        ASSERT_TRUE(zelagent::EncodeJpeg(source, 90, jpeg));
        ASSERT_TRUE(zelagent::ResizePicture(jpeg.data(), jpeg.size(), c.toWidth, c.toHeight, out));
        ASSERT_EQ(zelagent::PictureFormat::Jpeg, zelagent::SniffPicture(out.data(), out.size()));
        zelagent::Image scaled;
        ASSERT_TRUE(zelagent::DecodeJpeg(out.data(), out.size(), scaled));
        EXPECT_EQ((Size{c.toWidth, c.toHeight}), (Size{scaled.width, scaled.height}));
        ASSERT_EQ(c.channels, scaled.channels);
        const auto at = [&](int x) { return scaled.pixels[(static_cast<size_t>(c.toHeight / 2) * c.toWidth + x) * c.channels]; };
        EXPECT_GT(at(c.toWidth / 8), 180);
        EXPECT_LT(at(c.toWidth - 1 - c.toWidth / 8), 60);
    }

    // Against decoding the whole picture, scaling and encoding it: the same picture, within rounding.
    const Bytes gradient = mg::MakeJpeg(1000, 1000);
    zelagent::Image whole, reference, fast;
    zelagent::Bytes slow, out;
    ASSERT_TRUE(zelagent::DecodeJpeg(gradient.data(), gradient.size(), whole));
    ASSERT_EQ((Size{1000, 1000}), (Size{whole.width, whole.height}));
    ASSERT_TRUE(zelagent::EncodeJpeg(zelagent::Scale(whole, 128, 128), 90, slow));
    ASSERT_TRUE(zelagent::DecodeJpeg(slow.data(), slow.size(), reference));
    ASSERT_TRUE(zelagent::ResizePicture(gradient.data(), gradient.size(), 128, 128, out));
    ASSERT_TRUE(zelagent::DecodeJpeg(out.data(), out.size(), fast));
    ASSERT_EQ(reference.pixels.size(), fast.pixels.size());
    double difference = 0;
    for (size_t i = 0; i < fast.pixels.size(); ++i) difference += std::abs(int(fast.pixels[i]) - int(reference.pixels[i]));
    EXPECT_LT(difference / static_cast<double>(fast.pixels.size()), 1.5);
}
