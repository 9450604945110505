// zelhost uploads, get and game install end to end: recordings placed in the
// player's upload folders are listed and fetched (numbered on the second fetch
// of a changed recording, skipped when unchanged, deleted from the player with
// --move), a movie in the player's format lands as AVI, and a game package is
// installed while the folder given stays.
#include <chrono>

#include "zelhost_fixture.h"

namespace {

using namespace zelhost_test;

class ZelhostUploads : public ZelhostTest {
protected:
    void SetUp() override {
        ZelhostTest::SetUp();
        out = work + "/fetched";
        fs::create_directories(out);
        ASSERT_EQ(0, Zelhost({"--profile", "recorder", "info"}).exitCode);
    }
    // A recording the player made, hours before now.
    void Record(const std::string& relative, const std::string& content, int hoursAgo) {
        const std::string path = player + "/" + relative;
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << content;
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
    }
    static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
    std::string out;
};

TEST_F(ZelhostUploads, RecordingsAreListedAndFetched) {
    Record("Record/talk.mp3", "first take", 3);
    Record("Record/Sub/memo.mp3", "memo", 3);
    Record("Radio/FM/show.mp3", "show", 3);
    Record("Record/snap.jpg", "picture", 3);
    Record("Music/song.mp3", "not an upload", 3);

    const RunResult listed = Zelhost({"--json", "uploads", "music"});
    EXPECT_EQ(0, listed.exitCode) << listed.err;
    const size_t memo = listed.out.find("\"path\": \"Record/Sub/memo.mp3\"");
    const size_t talk = listed.out.find("\"path\": \"Record/talk.mp3\"");
    const size_t show = listed.out.find("\"path\": \"Radio/FM/show.mp3\"");
    ASSERT_NE(std::string::npos, show) << listed.out;
    EXPECT_TRUE(memo < talk && talk < show) << "upload folders in order, each searched in name order";
    EXPECT_FALSE(Has(listed.out, "song.mp3") || Has(listed.out, "snap.jpg"));
    const RunResult all = Zelhost({"uploads"});
    EXPECT_TRUE(Has(all.out, "music:") && Has(all.out, "photo:") && Has(all.out, "Record/snap.jpg")) << all.out;

    RunResult get = Zelhost({"get", "Record/talk.mp3", "Radio/FM/show.mp3", out});
    EXPECT_EQ(0, get.exitCode) << get.err;
    EXPECT_EQ("first take", ReadAll(out + "/talk.mp3"));
    EXPECT_EQ("show", ReadAll(out + "/show.mp3"));
    EXPECT_TRUE(Has(get.out, "talk.mp3: 100%")) << "progress lines: " << get.out;

    get = Zelhost({"get", "Record/talk.mp3", out});
    EXPECT_EQ(0, get.exitCode);
    EXPECT_TRUE(Has(get.out, "skipped")) << get.out;
    EXPECT_FALSE(fs::exists(out + "/talk~(1).mp3"));

    Record("Record/talk.mp3", "second take", 1);
    get = Zelhost({"--json", "get", "--move", "Record/talk.mp3", out});
    EXPECT_EQ(0, get.exitCode) << get.err;
    EXPECT_EQ("second take", ReadAll(out + "/talk~(1).mp3"));
    EXPECT_EQ("first take", ReadAll(out + "/talk.mp3"));
    EXPECT_TRUE(Has(get.out, "\"moved\": true")) << get.out;
    EXPECT_FALSE(OnDrive("Record/talk.mp3"));
    EXPECT_EQ(3, std::distance(fs::directory_iterator(out), fs::directory_iterator())) << "no hidden copy is left";
}

TEST_F(ZelhostUploads, MoviesArriveAsAviAndGamesInstall) {
    zelmediagen::MovieOptions movie;
    fs::create_directories(player + "/Record");
    ASSERT_TRUE(zelmediagen::WriteMovie(player + "/Record/clip.vmf", movie));
    const RunResult get = Zelhost({"get", "--to", out, "Record/clip.vmf"});
    EXPECT_EQ(0, get.exitCode) << get.err;
    const zelmediagen::MovieInfo avi = zelmediagen::ReadMovie(out + "/clip.avi");
    EXPECT_EQ("avi", avi.container);
    EXPECT_GE(avi.pictures, 9);

    const std::string package = sources + "/Puzzle";
    fs::create_directories(package + "/levels");
    std::ofstream(package + "/puzzle.bin") << std::string(5000, 'p');
    std::ofstream(package + "/levels/one.dat") << "1";
    const RunResult game = Zelhost({"--json", "game", "install", package});
    EXPECT_EQ(0, game.exitCode) << game.err;
    EXPECT_TRUE(Has(game.out, "\"path\": \"My Pack/Games/prg/Puzzle\"")) << game.out;
    EXPECT_TRUE(Has(game.out, "\"files\": 2"));
    EXPECT_EQ(std::string(5000, 'p'), ReadAll(player + "/My Pack/Games/prg/Puzzle/puzzle.bin"));
    EXPECT_EQ("1", ReadAll(player + "/My Pack/Games/prg/Puzzle/levels/one.dat"));
    EXPECT_TRUE(fs::exists(package + "/levels/one.dat")) << "the folder given stays";
}

TEST_F(ZelhostUploads, RefusalsFailuresAndUsage) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
    };
    const Case cases[] = {
        {{"get", "Record/none.mp3", "."}, 4},
        {{"get", "Record"}, 4},
        {{"get", "--to", "/no/such/folder", "Record/none.mp3"}, 4},
        {{"get"}, 2},
        {{"get", "--bogus", "x"}, 2},
        {{"uploads", "films"}, 2},
        {{"game", "install", "/no/such/package"}, 4},
        {{"game", "remove", "x"}, 2},
        {{"--profile", "xpl-db", "uploads"}, 3},
    };
    fs::create_directories(player + "/Record");
    for (const Case& c : cases) {
        const RunResult run = Zelhost(c.args);
        EXPECT_EQ(c.exitCode, run.exitCode) << c.args[0] << " " << (c.args.size() > 1 ? c.args[1] : "") << ": " << run.err;
    }
}

}  // namespace
