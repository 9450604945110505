// xvmf2avi: movies in any container libavformat reads come out as AVI files
// that libavformat reads back and decodes, streams copied when AVI carries
// them and encoded anew otherwise; a file that holds no movie gives no file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "mediagen.h"
#include "tempdrive.h"

extern "C" int ConvertVMF2AVI(const char16_t* source, const char16_t* destination);

namespace mg = zelmediagen;
namespace fs = std::filesystem;

namespace {

class MovieConverter : public ::testing::Test {
protected:
    std::string Movie(const std::string& name, const mg::MovieOptions& options) {
        EXPECT_TRUE(mg::WriteMovie(drive.Host(name), options)) << name;
        return name;
    }
    int Convert(const std::string& source, const std::string& destination) {
        return ConvertVMF2AVI(Win(source).c_str(), Win(destination).c_str());
    }
    std::u16string Win(const std::string& relative) {
        std::u16string path(relative.begin(), relative.end());
        for (char16_t& c : path)
            if (c == u'/') c = u'\\';
        return drive.Win(path);
    }
    std::vector<std::string> Files() {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(drive.Folder()))
            if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), drive.Folder()).string());
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDrive drive{u'P'};
};

mg::MovieOptions Options(const char* container, const char* video, const char* audio, int width = 96, int height = 64) {
    mg::MovieOptions options;
    options.container = container;
    options.video = video;
    options.audio = audio;
    options.width = width;
    options.height = height;
    return options;
}

TEST_F(MovieConverter, WritesAviThatDecodes) {
    struct Case {
        const char* what;
        mg::MovieOptions movie;
        const char* video;  // codec in the AVI
        const char* audio;  // "" for none
        int width, height;
    };
    const Case cases[] = {
        {"copied MPEG-4 and MP3 from Matroska", Options("matroska", "mpeg4", "libmp3lame"), "mpeg4", "mp3", 96, 64},
        {"QuickTime animation and big-endian PCM encoded anew", Options("mov", "qtrle", "pcm_s16be"), "mpeg4", "mp3", 96, 64},
        {"H.264 from MP4 copied with start codes, AAC copied", Options("mp4", "libx264", "aac"), "h264", "aac", 96, 64},
        {"Opus encoded anew beside a copied picture stream", Options("matroska", "mpeg4", "libopus"), "mpeg4", "mp3", 96, 64},
        {"odd picture size made even, mono sound", [] {
             auto o = Options("mov", "qtrle", "pcm_s16be", 95, 63);
             o.channels = 1;
             return o;
         }(), "mpeg4", "mp3", 94, 62},
        {"a movie without sound", Options("mpegts", "mpeg2video", ""), "mpeg2video", "", 96, 64},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string source = Movie("rec" + std::to_string(n) + ".vmf", c.movie);
        const std::string target = "out/rec" + std::to_string(n++) + ".avi";
        fs::create_directories(drive.Host("out"));
        ASSERT_EQ(0, Convert(source, target));

        const mg::MovieInfo info = mg::ReadMovie(drive.Host(target));
        ASSERT_TRUE(info.opened);
        EXPECT_EQ("avi", info.container);
        ASSERT_EQ(c.audio[0] ? 2u : 1u, info.streams.size());
        EXPECT_TRUE(info.streams[0].video);
        EXPECT_EQ(c.video, info.streams[0].codec);
        EXPECT_EQ(c.width, info.streams[0].width);
        EXPECT_EQ(c.height, info.streams[0].height);
        if (c.audio[0]) {
            EXPECT_EQ(c.audio, info.streams[1].codec);
        }
        EXPECT_GE(info.pictures, 9);  // one second at 10 pictures a second
        EXPECT_NEAR(1.0, info.seconds, 0.25);

        // The movie keeps the recording's time, as a copy would.
        struct stat from {}, to {};
        ASSERT_EQ(0, stat(drive.Host(source).c_str(), &from));
        ASSERT_EQ(0, stat(drive.Host(target).c_str(), &to));
        EXPECT_EQ(from.st_mtim.tv_sec, to.st_mtim.tv_sec);
    }
}

TEST_F(MovieConverter, NoMovieNoFile) {
    drive.WriteFile("text.vmf", "This is a note saved under a movie name, not a movie.\n");
    drive.WriteFile("noise.vmf", std::string(70000, '\x5a'));
    ASSERT_TRUE(mg::WriteJpeg(drive.Host("still.vmf"), 64, 48));
    Movie("sound.vmf", Options("matroska", "", "libmp3lame"));
    const std::string existing = "Already here, must stay.";
    drive.WriteFile("out/keep.avi", existing);
    const std::vector<std::string> before = Files();

    struct Case {
        std::string source, target;
        int result;
    };
    const Case cases[] = {
        {"text.vmf", "out/keep.avi", 2},  {"noise.vmf", "out/a.avi", 2},   {"still.vmf", "out/keep.avi", 2},
        {"sound.vmf", "out/keep.avi", 3}, {"missing.vmf", "out/a.avi", 2}, {"text.vmf", "nowhere/a.avi", 4},
        {"text.vmf", "text.vmf", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, Convert(c.source, c.target)) << c.source << " -> " << c.target;
        EXPECT_EQ(before, Files()) << c.source << ": a file was left or changed";
    }
    EXPECT_EQ(existing, drive.ReadFile("out/keep.avi"));
    EXPECT_EQ(1, ConvertVMF2AVI(nullptr, Win("out/a.avi").c_str()));
    EXPECT_EQ(1, ConvertVMF2AVI(Win("text.vmf").c_str(), u""));
}

}  // namespace
