// zelhost on MTP players: the built binary against a simulated player (and its
// memory card) that the device agent serves, the demo, the players libmtp
// finds, and what a fault or a missing player gives.
#include "zelhost_fixture.h"

namespace {

using namespace zelhost_test;

class ZelhostMtp : public ZelhostTest {
protected:
    RunResult Mtp(std::vector<std::string> args) {
        args.insert(args.begin(), {"--card", card()});
        return Zelhost(args);
    }
    std::string card() const { return work + "/card"; }
    bool Has(const RunResult& run, const std::string& text) const { return run.out.find(text) != std::string::npos; }
};

TEST_F(ZelhostMtp, PutLsMkdirAndRmWorkOnASimulatedPlayer) {
    const std::string song = Song("song.mp3", "First Light");
    const std::string photo = Photo("photo.jpg");
    RunResult put = Mtp({"--profile", "mtp-player", "put", song, photo});
    ASSERT_EQ(put.exitCode, 0) << put.err;
    EXPECT_TRUE(OnDrive("Music/song.mp3") && OnDrive("Photo/photo.jpg"));
    EXPECT_EQ(ReadAll(player + "/Photo/photo.jpg"), ReadAll(photo));
    EXPECT_NE(ReadAll(player + "/Music/song.mp3"), ReadAll(song)) << "the cover was resized for the player";
    EXPECT_TRUE(Has(put, "Music/song.mp3"));

    // Later commands remember the profile; the card is a folder of the root.
    EXPECT_EQ(Mtp({"put", photo, "Memory Card"}).exitCode, 0);
    EXPECT_TRUE(fs::is_regular_file(card() + "/photo.jpg"));
    RunResult ls = Mtp({"--json", "ls", "-l"});
    ASSERT_EQ(ls.exitCode, 0) << ls.err;
    for (const char* expected : {"\"path\": \"Music/song.mp3\"", "\"devicePath\": \"\\\\Music\\\\song.mp3\"",
                                 "\"path\": \"Memory Card/photo.jpg\"", "\"database\": false"})
        EXPECT_TRUE(Has(ls, expected)) << expected << "\n" << ls.out;
    EXPECT_FALSE(Has(ls, "System")) << "the player's system folder is not listed";
    EXPECT_FALSE(Has(Zelhost({"ls"}), "Memory Card")) << "no card without --card";

    EXPECT_EQ(Mtp({"mkdir", "-p", "Memory Card/Trips/2024"}).exitCode, 0);
    EXPECT_TRUE(fs::is_directory(card() + "/Trips/2024"));
    EXPECT_EQ(Mtp({"mkdir", "music"}).exitCode, 3) << "exists, in another case";

    const struct {
        std::vector<std::string> args;
        int exitCode;
    } removals[] = {{{"rm", "Music/none.mp3"}, 4}, {{"rm", "Photo"}, 3}, {{"rm", "MUSIC/SONG.MP3"}, 0},
                    {{"rm", "-r", "Memory Card/Trips"}, 0}};
    for (const auto& removal : removals) EXPECT_EQ(Mtp(removal.args).exitCode, removal.exitCode) << removal.args.back();
    EXPECT_FALSE(OnDrive("Music/song.mp3"));
    EXPECT_TRUE(OnDrive("Photo/photo.jpg"));
    EXPECT_FALSE(fs::exists(card() + "/Trips"));

    RunResult info = Mtp({"--json", "info"});
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_TRUE(Has(info, "\"kind\": \"mtp\"") && Has(info, "\"simulated\": true") && Has(info, "\"drive\": null"))
        << info.out;
}

TEST_F(ZelhostMtp, FaultsMissingPlayersAndWhatTheBuildDoesNotOfferHaveTheirCodes) {
    const std::string song = Song("song.mp3", "Song");
    ASSERT_EQ(Zelhost({"--profile", "mtp-player", "info"}).exitCode, 0);

    // A storage that fills up in the middle of the copy: refused, and nothing lands.
    env["ZEL_MTP_FAULT"] = "full@1000";
    RunResult full = Zelhost({"--json", "put", song});
    EXPECT_EQ(full.exitCode, 3) << full.out;
    EXPECT_TRUE(full.out.find("\"result\": \"0x10018\"") != std::string::npos) << full.out;
    EXPECT_EQ(fs::directory_iterator(player + "/Music"), fs::directory_iterator()) << "no object, no partial file";
    env["ZEL_MTP_FAULT"] = "gone";
    EXPECT_EQ(Zelhost({"ls"}).exitCode, 5);
    env.erase("ZEL_MTP_FAULT");

    const std::string databaseProfile = work + "/mtp-db.profile";
    std::ofstream(databaseProfile) << "kind = mtp\ncapabilities = database\ndatabase = System\\DB.dll\n";
    const struct {
        std::vector<std::string> args;
        bool withPlayer;
        int exitCode;
    } cases[] = {
        {{"--card", card(), "--profile", "xpl-db", "info"}, true, 2},  // a card belongs to a simulated MTP player
        {{"--profile", databaseProfile, "info"}, true, 2},             // an MTP player keeps its own database
        {{"playlist", "list"}, true, 3},                               // not offered on an MTP player
        {{"get", "Music/a.mp3", "."}, true, 3},
        {{"format", "--yes"}, true, 3},
        {{"rebuild"}, true, 3},
        {{"ls", "@music"}, true, 4},
    };
    for (const auto& c : cases) {
        RunResult run = Zelhost(c.args, c.withPlayer);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back() << ": " << run.err;
    }
}

TEST_F(ZelhostMtp, DemoRunsOnASimulatedPlayerAndDevicesAnswers) {
    RunResult demo = Zelhost({"--json", "demo", "--mtp"}, false);
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    for (const char* expected : {"\"profile\": \"mtp-player\"", "\"path\": \"Memory Card\"",
                                 "\"path\": \"Music/Sample Sessions/01 Morning Light.mp3\"", "\"path\": \"Text/liner notes.txt\""})
        EXPECT_TRUE(demo.out.find(expected) != std::string::npos) << expected << "\n" << demo.out;
    EXPECT_EQ(demo.out.find("\"status\": \"failed\""), std::string::npos);
    EXPECT_EQ(Zelhost({"demo", "--mtp", "--profile", "xpl-db"}, false).exitCode, 2);

    RunResult devices = Zelhost({"--json", "devices"}, false);
    EXPECT_TRUE(devices.exitCode == 0 || devices.exitCode == 3) << devices.err;
    EXPECT_TRUE(devices.out.find(devices.exitCode == 0 ? "\"libmtp\": true" : "\"libmtp\": false") != std::string::npos)
        << devices.out;
}

}  // namespace
