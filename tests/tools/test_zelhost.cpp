// Runs the built zelhost against temporary player folders and checks what a
// user would: the files on the drive, the player's database file and records,
// and the exit codes of refusals and failures.
#include "zelhost_fixture.h"

namespace {

using namespace zelhost_test;

TEST_F(ZelhostTest, PutPlacesFilesAndRecordsThemInTheDatabase) {
    const std::string song = Song("song.mp3", "First Light");
    const std::string photo = Photo("photo.jpg");

    RunResult put = Zelhost({"--profile", "xpl-db", "put", song, photo});
    EXPECT_EQ(put.exitCode, 0) << put.err;
    // Without a destination each file goes to the profile's folder for its kind.
    EXPECT_TRUE(OnDrive("Music/song.mp3"));
    EXPECT_TRUE(OnDrive("Photo/photo.jpg"));
    EXPECT_EQ(ReadAll(player + "/Photo/photo.jpg"), ReadAll(photo));
    EXPECT_EQ(ReadAll(player + "/Music/song.mp3").compare(0, 3, "ID3"), 0);
    EXPECT_TRUE(fs::exists(photo)) << "the source stays on the computer";
    EXPECT_NE(put.out.find("Music/song.mp3"), std::string::npos) << put.out;
    // The database library went onto the player and wrote its file.
    EXPECT_TRUE(OnDrive("System/libZELPlayerDB.so"));
    EXPECT_EQ(DatabaseFileRecords(), 2);

    // A later command needs no --profile: the player remembers it.
    RunResult ls = Zelhost({"--json", "ls", "-l"});
    EXPECT_EQ(ls.exitCode, 0) << ls.err;
    EXPECT_NE(ls.out.find("\"path\": \"Music/song.mp3\""), std::string::npos) << ls.out;
    EXPECT_NE(ls.out.find("\"inDatabase\": true"), std::string::npos);
    EXPECT_EQ(ls.out.find("\"inDatabase\": false"), std::string::npos);
    EXPECT_NE(ls.out.find("\"title\": \"First Light\""), std::string::npos) << "tags reach the record";
    EXPECT_NE(ls.out.find("\"artist\": \"Test Artist\""), std::string::npos);
    EXPECT_EQ(ls.out.find("System"), std::string::npos) << "the player's system folder is not listed";

    RunResult db = Zelhost({"--json", "db"});
    EXPECT_EQ(db.exitCode, 0);
    EXPECT_NE(db.out.find("\"devicePath\": \"E:\\\\Music\\\\song.mp3\""), std::string::npos) << db.out;
    EXPECT_NE(db.out.find("\"mediaType\": \"0x40001\""), std::string::npos);

    RunResult info = Zelhost({"info"});
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_NE(info.out.find("XPL Player DB"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("2 records"), std::string::npos);

    // A picture whose path says "temp" is sent from a copy: the library deletes such sources.
    const std::string tempPhoto = Photo("scan.jpg", work + "/temp");
    RunResult staged = Zelhost({"put", tempPhoto});
    EXPECT_EQ(staged.exitCode, 0) << staged.err;
    EXPECT_TRUE(OnDrive("Photo/scan.jpg"));
    EXPECT_TRUE(fs::exists(tempPhoto));
}

TEST_F(ZelhostTest, RefusalsAndFailuresHaveTheirOwnExitCodes) {
    const std::string song = Song("song.mp3", "Song");
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "info"}).exitCode, 0);

    std::ofstream(sources + "/paper.pdf") << "%PDF-1.4\n";
    RunResult unsupported = Zelhost({"--json", "put", sources + "/paper.pdf"});
    EXPECT_EQ(unsupported.exitCode, 3);
    EXPECT_NE(unsupported.out.find("\"status\": \"refused\""), std::string::npos) << unsupported.out;
    EXPECT_NE(unsupported.out.find("0x10007"), std::string::npos);

    // The xpl-db player checks that music goes to the music folder.
    RunResult wrongFolder = Zelhost({"put", song, "--to", "Photo"});
    EXPECT_EQ(wrongFolder.exitCode, 3) << wrongFolder.err;
    EXPECT_NE(wrongFolder.err.find("0x10002"), std::string::npos) << wrongFolder.err;

    RunResult missing = Zelhost({"put", sources + "/absent.mp3", "Music"});
    EXPECT_EQ(missing.exitCode, 4);
    EXPECT_NE(missing.err.find("no such file"), std::string::npos) << missing.err;
    RunResult noFolder = Zelhost({"put", song, "--to", "Music/Nowhere"});
    EXPECT_EQ(noFolder.exitCode, 4);

    // Several files: the highest code wins, and the good file still lands.
    RunResult mixed = Zelhost({"put", song, sources + "/paper.pdf", sources + "/absent.mp3", "Music"});
    EXPECT_EQ(mixed.exitCode, 4);
    EXPECT_TRUE(OnDrive("Music/song.mp3"));
    EXPECT_FALSE(OnDrive("Photo/song.mp3"));
    EXPECT_FALSE(OnDrive("Music/paper.pdf"));
    EXPECT_FALSE(OnDrive("paper.pdf"));
    EXPECT_EQ(DatabaseFileRecords(), 1);

    EXPECT_EQ(Zelhost({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(Zelhost({"ls", "--bogus"}).exitCode, 2);
    EXPECT_EQ(Zelhost({"--profile", "no-such-profile", "info"}).exitCode, 2);
    EXPECT_EQ(Zelhost({"info"}, false).exitCode, 2) << "no player folder";
    EXPECT_EQ(Zelhost({"ls", "Nowhere"}).exitCode, 4);

    // A player without text support refuses a text file and writes nothing.
    std::ofstream(sources + "/notes.txt") << "notes\n";
    const std::string plain = work + "/plain";
    RunResult text = Zelhost({"--player", plain, "--profile", "plp-plain", "put", sources + "/notes.txt"}, false);
    EXPECT_EQ(text.exitCode, 3);
    EXPECT_FALSE(fs::exists(plain + "/Text"));
    EXPECT_FALSE(fs::exists(plain + "/notes.txt"));
    EXPECT_FALSE(fs::exists(plain + "/System/PlayerDB.zdb")) << "this player keeps no database";

    RunResult help = Zelhost({"put", "--help"}, false);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: zelhost"), std::string::npos);
    RunResult overview = Zelhost({"--help"}, false);
    EXPECT_NE(overview.out.find("Exit codes"), std::string::npos);
    EXPECT_NE(overview.out.find("player-type"), std::string::npos) << "the profile format is described";
}

TEST_F(ZelhostTest, MakesAndRemovesFoldersAndFiles) {
    const std::string song = Song("song.mp3", "Song");
    EXPECT_EQ(Zelhost({"--profile", "xpl-db", "mkdir", "Music/Rock"}).exitCode, 0);
    EXPECT_TRUE(fs::is_directory(player + "/Music/Rock"));
    EXPECT_EQ(Zelhost({"mkdir", "music/rock"}).exitCode, 3) << "exists, whatever the case";
    EXPECT_EQ(Zelhost({"mkdir", "Music/Jazz/Live"}).exitCode, 4) << "missing parent";
    EXPECT_EQ(Zelhost({"mkdir", "-p", "Music/Jazz/Live"}).exitCode, 0);
    EXPECT_TRUE(fs::is_directory(player + "/Music/Jazz/Live"));

    ASSERT_EQ(Zelhost({"put", song, "Music/Rock"}).exitCode, 0);
    ASSERT_EQ(Zelhost({"put", song, "Music/Jazz/Live"}).exitCode, 0);
    EXPECT_TRUE(OnDrive("Music/Rock/song.mp3"));
    EXPECT_EQ(DatabaseFileRecords(), 2);

    EXPECT_EQ(Zelhost({"rm", "Music/Rock"}).exitCode, 3) << "a folder needs -r";
    EXPECT_EQ(Zelhost({"rm", "/"}).exitCode, 3);
    EXPECT_EQ(Zelhost({"rm", "Music/Rock/absent.mp3"}).exitCode, 4);

    RunResult file = Zelhost({"rm", "Music/Rock/SONG.MP3"});
    EXPECT_EQ(file.exitCode, 0) << file.err;
    EXPECT_FALSE(OnDrive("Music/Rock/song.mp3"));
    EXPECT_EQ(DatabaseFileRecords(), 1) << "the record goes with the file";

    RunResult tree = Zelhost({"rm", "-r", "Music/Jazz"});
    EXPECT_EQ(tree.exitCode, 0) << tree.err;
    EXPECT_FALSE(fs::exists(player + "/Music/Jazz"));
    EXPECT_EQ(DatabaseFileRecords(), 0);

    RunResult ls = Zelhost({"ls"});
    EXPECT_EQ(ls.exitCode, 0);
    EXPECT_NE(ls.out.find("Rock/"), std::string::npos) << ls.out;
    EXPECT_EQ(ls.out.find("Jazz"), std::string::npos);
}

TEST_F(ZelhostTest, DemoSendsGeneratedMediaAndShowsWhatLanded) {
    RunResult demo = Zelhost({"demo"});
    ASSERT_EQ(demo.exitCode, 0) << demo.err << demo.out;
    EXPECT_TRUE(OnDrive("Music/Sample Sessions/01 Morning Light.mp3"));
    EXPECT_TRUE(OnDrive("Photo/harbour.jpg"));
    EXPECT_TRUE(OnDrive("Text/liner notes.txt"));
    EXPECT_EQ(DatabaseFileRecords(), 5);
    EXPECT_NE(demo.out.find("5 records in the player's database"), std::string::npos) << demo.out;
    EXPECT_NE(demo.out.find("\"Night Train\" by The Demo Ensemble"), std::string::npos);
    EXPECT_NE(demo.out.find(player + "/Photo/harbour.jpg"), std::string::npos);
    EXPECT_EQ(demo.err, "");

    // The demo's player is an ordinary player for the other commands.
    RunResult ls = Zelhost({"ls", "-l", "Music"});
    EXPECT_EQ(ls.exitCode, 0);
    EXPECT_NE(ls.out.find("yes"), std::string::npos) << ls.out;
}

TEST_F(ZelhostTest, ProgressProfilesFilesAndAwkwardNames) {
    // Output that is not a terminal gets plain progress lines; --json gets none.
    const std::string song = Song("Say \"hi\" Ünïcode.mp3", "Ünïcode");
    RunResult plain = Zelhost({"--profile", "video-player", "put", song});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_NE(plain.out.find(": 100%\n"), std::string::npos) << plain.out;
    EXPECT_EQ(plain.out.find('\r'), std::string::npos);
    EXPECT_TRUE(OnDrive("Music/Say \"hi\" Ünïcode.mp3"));

    RunResult json = Zelhost({"--json", "ls", "-l", "Music"});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.out.find("100%"), std::string::npos);
    EXPECT_NE(json.out.find("\"name\": \"Say \\\"hi\\\" Ünïcode.mp3\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"inDatabase\": null"), std::string::npos) << "this player keeps no database";

    const std::string slashed = Song("back\\slash.mp3", "Slash");
    RunResult backslash = Zelhost({"put", slashed});
    EXPECT_EQ(backslash.exitCode, 4);
    EXPECT_NE(backslash.err.find("backslash"), std::string::npos) << backslash.err;

    // On a terminal the bar is drawn in place.
    if (fs::exists("/usr/bin/script")) {
        const std::string command = Quote(ZELHOST_BINARY) + " --player " + Quote(player) + " put " + Quote(song);
        const std::string scriptCommand = "script -qec " + Quote(command) + " /dev/null";
        FILE* pipe = popen(scriptCommand.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string screen;
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) screen.append(buffer, got);
        EXPECT_EQ(pclose(pipe), 0);
        EXPECT_NE(screen.find("] 100%"), std::string::npos) << screen;
        EXPECT_NE(screen.find("\r"), std::string::npos);
    }

    // A profile file of one's own: another drive letter, folders and extension list.
    const std::string profile = work + "/pocket.profile";
    std::ofstream(profile) << "name = pocket\nmodel = Pocket\ndrive = G\nextensions = MP3\n"
                              "capabilities = 0\nfolder.music = Songs\n";
    const std::string pocket = work + "/pocket";
    RunResult made = Zelhost({"--player", pocket, "--profile", profile, "--json", "put", song}, false);
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_NE(made.out.find("\"devicePath\": \"G:\\\\Songs\\\\Say"), std::string::npos) << made.out;
    EXPECT_TRUE(fs::is_regular_file(pocket + "/Songs/Say \"hi\" Ünïcode.mp3"));
    RunResult info = Zelhost({"--player", pocket, "info"}, false);
    EXPECT_NE(info.out.find("Pocket"), std::string::npos) << info.out;
    std::ofstream(work + "/broken.profile") << "model = x\nshape = round\n";
    RunResult broken = Zelhost({"--profile", work + "/broken.profile", "info"});
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_NE(broken.err.find("line 2"), std::string::npos) << broken.err;
}

}  // namespace
