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

TEST_F(ZelhostMtp, FaultsMissingPlayersAndWhatThePlayerDoesNotOfferHaveTheirCodes) {
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
        // What the device does nothing for on an MTP player is not offered.
        {{"uploads"}, true, 3},
        {{"eject"}, true, 3},
        {{"game", "install", sources}, true, 3},
        {{"playlist", "create", "Road"}, true, 3},
        {{"rebuild"}, true, 3},
        {{"get", "Music/a.mp3", "."}, true, 4},  // no such file
        {{"ls", "@ts3"}, true, 4},               // a special folder the profile lacks
    };
    for (const auto& c : cases) {
        RunResult run = Zelhost(c.args, c.withPlayer);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back() << ": " << run.err;
    }
}

TEST_F(ZelhostMtp, PlaylistsGetFirmwareAndFormatWorkOnASimulatedPlayer) {
    const std::string a = Song("a.mp3", "A"), b = Song("b.mp3", "B");
    RunResult put = Mtp({"--profile", "mtp-player", "put", "--playlist", "Road Trip", "--mood", "calm", a, b, "@music"});
    ASSERT_EQ(put.exitCode, 0) << put.err;
    EXPECT_TRUE(fs::is_regular_file(player + "/Playlists/Road Trip.pla"));
    RunResult list = Mtp({"--json", "playlist", "list"});
    EXPECT_TRUE(Has(list, "\"format\": \"mtp\"") && Has(list, "\"name\": \"@Calm\"")) << list.out;
    const std::string both = Mtp({"playlist", "show", "Road Trip"}).out;
    EXPECT_EQ("Music/a.mp3\nMusic/b.mp3\n", both);

    // A file that goes leaves its playlist; the other entry stays.
    ASSERT_EQ(Mtp({"rm", "Music/a.mp3"}).exitCode, 0);
    EXPECT_FALSE(OnDrive("Music/a.mp3"));
    EXPECT_EQ("Music/b.mp3\n", Mtp({"playlist", "show", "Road Trip"}).out);

    // A copy back to this computer; asked again, the copy made is recognised and kept.
    const std::string got = work + "/got";
    fs::create_directories(got);
    ASSERT_EQ(Mtp({"get", "Music/b.mp3", got}).exitCode, 0);
    EXPECT_EQ(ReadAll(got + "/b.mp3"), ReadAll(player + "/Music/b.mp3"));
    RunResult again = Mtp({"--json", "get", "Music/b.mp3", got});
    EXPECT_TRUE(again.exitCode == 0 && Has(again, "\"status\": \"skipped\"")) << again.out;

    // The firmware description is read through the agent; a package lands below the root.
    std::ofstream(player + "/SYSTEM.VER") << "VER 2.14 AB\nFWUP 12345\n";
    RunResult firmware = Mtp({"--json", "firmware"});
    for (const char* expected : {"\"file\": \"SYSTEM.VER\"", "\"major\": 2", "\"minor\": 14", "\"update\": \"12345\""})
        EXPECT_TRUE(Has(firmware, expected)) << expected << "\n" << firmware.out;
    fs::create_directories(work + "/fw/Update");
    std::ofstream(work + "/fw/Update/x.bin") << "firmware";
    RunResult update = Mtp({"--json", "firmware", "update", work + "/fw"});
    EXPECT_TRUE(update.exitCode == 0 && Has(update, "\"Update/x.bin\"")) << update.out << update.err;
    EXPECT_EQ("firmware", ReadAll(player + "/Update/x.bin"));

    // A format empties the player's storage (not its card) and makes its folders again.
    ASSERT_EQ(Mtp({"put", a, "Memory Card"}).exitCode, 0);
    RunResult format = Mtp({"--json", "format", "--yes"});
    ASSERT_EQ(format.exitCode, 0) << format.err;
    EXPECT_TRUE(Has(format, "\"label\": null")) << format.out;
    EXPECT_FALSE(fs::exists(player + "/Update") || fs::exists(player + "/Playlists") || OnDrive("Music/b.mp3"));
    EXPECT_TRUE(fs::is_directory(player + "/Music") && fs::is_directory(player + "/Photo"));
    EXPECT_TRUE(fs::is_regular_file(card() + "/a.mp3"));
    EXPECT_EQ(Zelhost({"info"}).exitCode, 0) << "the player still knows its profile";
    EXPECT_EQ(Mtp({"format"}).exitCode, 2) << "no terminal to confirm on";
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
