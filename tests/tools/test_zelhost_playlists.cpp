// zelhost's playlists and special folders end to end: files sent into a named
// playlist, shown, deleted, renamed, edited lists stored back, and the
// special folder names of player paths.
#include "zelhost_fixture.h"

namespace {

using namespace zelhost_test;

// The bytes of an XPL version 1.00 playlist file holding these entry lines.
std::string Xpl(const std::vector<std::string>& entries) {
    std::string text = "XPL PLAYLIST\r\nVERSION 1.00\r\n\r\n";
    for (const std::string& entry : entries) text += entry + "\r\n";
    text += "\r\nEND PLAYLIST\r\n";
    std::string bytes("\xFF\xFE", 2);  // the byte-order mark, then ASCII text as UTF-16
    for (char c : text) bytes += {c, '\0'};
    return bytes;
}

class ZelhostPlaylists : public ZelhostTest {
protected:
    void SetUp() override {
        ZelhostTest::SetUp();
        for (const char* name : {"a", "b", "c"}) songs.push_back(Song(std::string(name) + ".mp3", name));
    }
    std::string PlaylistFile(const std::string& name) const { return ReadAll(player + "/Playlists/" + name); }
    std::vector<std::string> songs;
};

TEST_F(ZelhostPlaylists, APlaylistFollowsTheFilesOfThePlayer) {
    RunResult put = Zelhost({"--profile", "xpl-db", "put", "--playlist", "Road Trip", "--mood", "calm", songs[0],
                             songs[1], songs[2], "@music"});
    ASSERT_EQ(put.exitCode, 0) << put.err;
    EXPECT_EQ(PlaylistFile("Road Trip.xpl"), Xpl({"\\Music\\a.mp3", "\\Music\\b.mp3", "\\Music\\c.mp3"}));
    EXPECT_EQ(PlaylistFile("@Calm.xpl"), PlaylistFile("Road Trip.xpl")) << "the mood playlist gained them too";

    RunResult show = Zelhost({"--json", "playlist", "show", "road trip"});
    EXPECT_EQ(show.exitCode, 0) << show.err;
    const size_t a = show.out.find("\"path\": \"Music/a.mp3\""), c = show.out.find("\"path\": \"Music/c.mp3\"");
    EXPECT_TRUE(a != std::string::npos && c != std::string::npos && a < c) << show.out;
    EXPECT_NE(show.out.find("\"entries\": 3"), std::string::npos);
    EXPECT_EQ(show.out.find("\"onPlayer\": false"), std::string::npos);

    // A deleted file leaves every playlist.
    ASSERT_EQ(Zelhost({"rm", "@music/b.mp3"}).exitCode, 0);
    RunResult after = Zelhost({"playlist", "show", "Road Trip"});
    EXPECT_EQ(after.exitCode, 0);
    EXPECT_EQ(after.out, "Music/a.mp3\nMusic/c.mp3\n");
    EXPECT_EQ(PlaylistFile("@Calm.xpl"), Xpl({"\\Music\\a.mp3", "\\Music\\c.mp3"}));

    RunResult rename = Zelhost({"--json", "playlist", "rename", "Road Trip", "Holiday"});
    EXPECT_EQ(rename.exitCode, 0) << rename.err;
    EXPECT_NE(rename.out.find("\"status\": \"ok\""), std::string::npos) << rename.out;
    EXPECT_FALSE(OnDrive("Playlists/Road Trip.xpl"));
    EXPECT_EQ(PlaylistFile("Holiday.xpl"), Xpl({"\\Music\\a.mp3", "\\Music\\c.mp3"}));
    RunResult list = Zelhost({"playlist", "list"});
    EXPECT_NE(list.out.find("Holiday"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("2 entries"), std::string::npos);

    const struct {
        std::vector<std::string> args;
        int exitCode;
    } kRefusals[] = {
        {{"playlist", "rename", "Holiday", "@calm"}, 3},  // the new name exists
        {{"playlist", "rename", "Nowhere", "X"}, 4},
        {{"playlist", "show", "Nowhere"}, 4},
        {{"playlist", "create", "a/b"}, 2},
        {{"playlist", "frobnicate"}, 2},
        {{"put", "--mood", "9", songs[0]}, 2},
        {{"ls", "@pack"}, 4},  // no such special folder on this player
    };
    for (const auto& refusal : kRefusals) {
        RunResult run = Zelhost(refusal.args);
        EXPECT_EQ(run.exitCode, refusal.exitCode) << refusal.args[1] << " " << run.err;
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_TRUE(OnDrive("Playlists/Holiday.xpl"));
}

TEST_F(ZelhostPlaylists, EditedListsAddedFilesAndPurges) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "put", songs[0], songs[1], songs[2], "Music"}).exitCode, 0);
    EXPECT_EQ(Zelhost({"playlist", "create", "Mix"}).exitCode, 0);
    EXPECT_EQ(PlaylistFile("Mix.xpl"), Xpl({}));
    EXPECT_EQ(Zelhost({"playlist", "create", "mix.xpl"}).exitCode, 3);
    EXPECT_EQ(Zelhost({"playlist", "add", "Mix", "Music/c.mp3", "@music/A.MP3"}).exitCode, 0);
    EXPECT_EQ(Zelhost({"playlist", "add", "Mix", "Music/c.mp3", "Music/none.mp3"}).exitCode, 4);
    EXPECT_EQ(Zelhost({"playlist", "show", "Mix"}).out, "Music/c.mp3\nMusic/a.mp3\n");

    // An edited list comes back from standard input or a file; a line naming no file stores nothing.
    RunResult stored = Zelhost({"playlist", "store", "Mix"}, true, "Music/b.mp3\n# a comment\n\n@music/c.mp3\r\n");
    EXPECT_EQ(stored.exitCode, 0) << stored.err;
    EXPECT_EQ(PlaylistFile("Mix.xpl"), Xpl({"\\Music\\b.mp3", "\\Music\\c.mp3"}));
    std::ofstream(work + "/list.txt") << "Music/a.mp3\nMusic/gone.mp3\n";
    RunResult refused = Zelhost({"--json", "playlist", "store", "Mix", work + "/list.txt"});
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_NE(refused.out.find("line 2"), std::string::npos) << refused.out;
    EXPECT_EQ(PlaylistFile("Mix.xpl"), Xpl({"\\Music\\b.mp3", "\\Music\\c.mp3"}));
    std::ofstream(work + "/list.txt") << Zelhost({"playlist", "show", "Mix"}).out << "Music/a.mp3\n";
    EXPECT_EQ(Zelhost({"playlist", "store", "New", work + "/list.txt"}).exitCode, 0) << "made when missing";
    EXPECT_EQ(PlaylistFile("New.xpl"), Xpl({"\\Music\\b.mp3", "\\Music\\c.mp3", "\\Music\\a.mp3"}));

    // A file that went by other ways leaves the playlists at the next purge.
    fs::remove(player + "/Music/c.mp3");
    RunResult purge = Zelhost({"--json", "playlist", "purge"});
    EXPECT_EQ(purge.exitCode, 0);
    EXPECT_NE(purge.out.find("\"dropped\": 1"), std::string::npos) << purge.out;
    EXPECT_EQ(PlaylistFile("New.xpl"), Xpl({"\\Music\\b.mp3", "\\Music\\a.mp3"}));

    // Special folder names stand for their folders in every command.
    EXPECT_EQ(Zelhost({"mkdir", "-p", "@photo/Trip/Day 1"}).exitCode, 0);
    EXPECT_TRUE(fs::is_directory(player + "/Photo/Trip/Day 1"));
    EXPECT_FALSE(fs::exists(player + "/@photo"));
    RunResult ls = Zelhost({"--json", "ls", "@playlists"});
    EXPECT_NE(ls.out.find("\"path\": \"Playlists\""), std::string::npos) << ls.out;
    EXPECT_NE(ls.out.find("\"name\": \"New.xpl\""), std::string::npos);

    // A player without playlists refuses them; help says which special folders a profile has.
    const std::string plain = work + "/plain";
    EXPECT_EQ(Zelhost({"--player", plain, "--profile", "video-player", "playlist", "list"}, false).exitCode, 3);
    EXPECT_EQ(Zelhost({"--player", plain, "put", "--playlist", "X", songs[0]}, false).exitCode, 3);
    EXPECT_FALSE(fs::exists(plain + "/Music/a.mp3"));
    RunResult paths = Zelhost({"--json", "help", "paths"});
    EXPECT_EQ(paths.exitCode, 0);
    EXPECT_NE(paths.out.find("\"folder\": \"Playlists\""), std::string::npos) << paths.out;
    RunResult plainPaths = Zelhost({"--player", plain, "help", "paths"}, false);
    EXPECT_NE(plainPaths.out.find("Profile video-player"), std::string::npos) << plainPaths.out;
    EXPECT_NE(plainPaths.out.find("@playlists   (none)"), std::string::npos) << plainPaths.out;
    RunResult help = Zelhost({"help", "playlist"}, false);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("store NAME [FILE|-]"), std::string::npos);
}

}  // namespace
