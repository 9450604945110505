// zelhost format, firmware and eject, run end to end: what a format leaves on
// the player and what it must not reach, a firmware package copied and read
// back, and a player made ready to unplug.
#include <poll.h>
#include <pty.h>

#include "zelhost_fixture.h"

namespace {

using namespace zelhost_test;

// Runs zelhost format on a terminal of its own, answers its question and
// answers the exit code; what it wrote to the terminal goes to shown.
int FormatOnTerminal(const std::string& player, const std::string& home, const std::string& answer,
                     std::string& shown) {
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0) return -1;
    if (child == 0) {
        setenv("HOME", home.c_str(), 1);
        execl(ZELHOST_BINARY, ZELHOST_BINARY, "--player", player.c_str(), "format", static_cast<char*>(nullptr));
        _exit(127);
    }
    bool answered = false;
    char buffer[512];
    for (;;) {
        struct pollfd ready = {terminal, POLLIN, 0};
        if (poll(&ready, 1, 20000) <= 0) break;
        const ssize_t got = read(terminal, buffer, sizeof buffer);
        if (got <= 0) break;
        shown.append(buffer, static_cast<size_t>(got));
        if (!answered && shown.find("Type yes to go on:") != std::string::npos) {
            const std::string line = answer + "\n";
            answered = write(terminal, line.data(), line.size()) == static_cast<ssize_t>(line.size());
        }
    }
    close(terminal);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ZelhostTest, FormatAsksOnATerminal) {
    ASSERT_EQ(Zelhost({"--profile", "plp-plain", "put", Song("song.mp3", "Song")}).exitCode, 0);
    std::string shown;
    EXPECT_EQ(FormatOnTerminal(player, work + "/home", "no", shown), 3) << shown;
    EXPECT_NE(shown.find("Everything on it is removed"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Not formatted; nothing was removed."), std::string::npos) << shown;
    EXPECT_TRUE(OnDrive("Music/song.mp3"));

    shown.clear();
    EXPECT_EQ(FormatOnTerminal(player, work + "/home", "yes", shown), 0) << shown;
    EXPECT_NE(shown.find("] 100%"), std::string::npos) << "a progress bar on the terminal: " << shown;
    EXPECT_FALSE(OnDrive("Music/song.mp3"));
    EXPECT_TRUE(fs::is_directory(player + "/Pictures")) << "the profile's own folders come back";
    // The player still knows its profile afterwards.
    RunResult ls = Zelhost({"ls"});
    EXPECT_EQ(ls.out, "E:\\\n  Music/\n  Pictures/\n  Playlists/\n") << ls.err;
}

TEST_F(ZelhostTest, FormatLeavesAFreshPlayerAndEjectLetsItGo) {
    const std::string song = Song("song.mp3", "Song");
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "put", song, Photo("photo.jpg")}).exitCode, 0);
    ASSERT_EQ(Zelhost({"mkdir", "Music/Live"}).exitCode, 0);
    std::ofstream(work + "/outside.txt") << "outside";
    fs::create_symlink(work + "/outside.txt", player + "/Music/link.mp3");
    fs::create_directory_symlink(work + "/home", player + "/home-link");

    // No terminal to ask on: the format needs --yes.
    RunResult unconfirmed = Zelhost({"format"});
    EXPECT_EQ(unconfirmed.exitCode, 2);
    EXPECT_NE(unconfirmed.err.find("--yes"), std::string::npos) << unconfirmed.err;
    EXPECT_TRUE(OnDrive("Music/song.mp3"));
    // A folder that holds the home folder is never formatted.
    EXPECT_EQ(Zelhost({"--player", work, "format", "--yes"}, false).exitCode, 3);
    EXPECT_TRUE(OnDrive("Music/song.mp3"));

    RunResult format = Zelhost({"format", "--yes"});
    EXPECT_EQ(format.exitCode, 0) << format.err;
    EXPECT_NE(format.out.find("Formatted the player"), std::string::npos) << format.out;
    EXPECT_NE(format.out.find("Database: 0 records"), std::string::npos) << format.out;
    EXPECT_EQ(ReadAll(work + "/outside.txt"), "outside");
    EXPECT_TRUE(fs::is_directory(work + "/home"));
    EXPECT_TRUE(OnDrive("Settings.ini")) << "the model's template files";
    EXPECT_EQ(DatabaseFileRecords(), 0);

    // A later command still knows the profile and lists the fresh standard folders.
    RunResult ls = Zelhost({"ls"});
    EXPECT_EQ(ls.exitCode, 0) << ls.err;
    EXPECT_EQ(ls.out, "E:\\\n  Music/\n  Photo/\n  Playlists/\n  Text/\n  Video/\n");
    RunResult db = Zelhost({"db"});
    EXPECT_EQ(db.exitCode, 0);
    EXPECT_NE(db.out.find("0 records"), std::string::npos) << db.out;

    RunResult json = Zelhost({"--json", "format", "--yes"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(json.out.find("\"status\": \"ok\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"databaseRecords\": 0"), std::string::npos);
    EXPECT_NE(json.out.find("\"label\": \"PL Player DB\""), std::string::npos);

    RunResult eject = Zelhost({"eject"});
    EXPECT_EQ(eject.exitCode, 0) << eject.err;
    EXPECT_NE(eject.out.find("may be unplugged"), std::string::npos) << eject.out;
    RunResult ejectJson = Zelhost({"--json", "eject"});
    EXPECT_NE(ejectJson.out.find("\"flushed\": true"), std::string::npos) << ejectJson.out;
}

TEST_F(ZelhostTest, FirmwareDescriptionAndPackageUpdate) {
    RunResult none = Zelhost({"--profile", "xpl-db", "firmware"});
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_NE(none.out.find("not described"), std::string::npos) << none.out;

    const std::string package = work + "/package";
    fs::create_directories(package + "/system");
    std::ofstream(package + "/a.bin") << "a";
    std::ofstream(package + "/empty.bin");
    std::ofstream(package + "/system/SYSTEM.VER") << "VER 2.5 WA\nFWUP 12345678\n";
    std::ofstream(package + "/system/fw.img") << "image";
    std::ofstream(package + "/update.bin") << "not taken: it comes after the system folder";

    RunResult update = Zelhost({"firmware", "update", package});
    EXPECT_EQ(update.exitCode, 0) << update.err;
    EXPECT_TRUE(OnDrive("a.bin"));
    EXPECT_EQ(ReadAll(player + "/System/fw.img"), "image");
    EXPECT_FALSE(OnDrive("empty.bin"));
    EXPECT_FALSE(OnDrive("update.bin"));
    EXPECT_NE(update.out.find("Copied 3 files"), std::string::npos) << update.out;
    EXPECT_NE(update.out.find("region ET"), std::string::npos) << "read afresh after the copy";

    RunResult json = Zelhost({"--json", "firmware"});
    EXPECT_NE(json.out.find("\"file\": \"System/SYSTEM.VER\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"major\": 2"), std::string::npos);
    EXPECT_NE(json.out.find("\"update\": \"12345\""), std::string::npos);

    EXPECT_EQ(Zelhost({"firmware", "update", work + "/missing"}).exitCode, 4);
    EXPECT_EQ(Zelhost({"firmware", "update"}).exitCode, 2);
}

}  // namespace
