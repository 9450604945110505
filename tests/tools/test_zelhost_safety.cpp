// zelhost as a demanding user tries it: symbolic links on the player, two runs
// at once, a database that cannot be written, Ctrl-C in the middle of a large
// put, a link that leads out of the player, a library planted on the player,
// source paths longer than a record, and pictures that must not be lost.
#include <fcntl.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "zelhost_fixture.h"

namespace {

using namespace std::chrono_literals;
using namespace zelhost_test;


class ZelhostSafety : public ZelhostTest {
protected:
    // Files of a folder of the player whose name says they are copies in progress.
    std::vector<std::string> Leftovers(const std::string& folder) const {
        std::vector<std::string> found;
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(player + "/" + folder, ignored)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(".~zel", 0) == 0 || name.find(".TMP") != std::string::npos || name.find(".new") != std::string::npos)
                found.push_back(name);
        }
        return found;
    }
    // Everything below a folder, as relative paths.
    static std::vector<std::string> Tree(const std::string& folder) {
        std::vector<std::string> found;
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(folder, ignored))
            found.push_back(fs::relative(entry.path(), folder).string());
        return found;
    }
};

// 1. A folder removed with rm -r takes the links in it, never what they lead to.
TEST_F(ZelhostSafety, RemovingAFolderRemovesLinksInItAndNothingTheyLeadTo) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "put", Photo("cover600.jpg"), Song("song.mp3", "Song")}).exitCode, 0);
    ASSERT_EQ(Zelhost({"mkdir", "-p", "Music/Album", "Text/sub"}).exitCode, 0);
    ASSERT_EQ(Zelhost({"put", Song("track.mp3", "Track"), "Music/Album"}).exitCode, 0);
    ASSERT_EQ(0, symlink("../../Photo", (player + "/Music/Album/pics").c_str()));
    ASSERT_EQ(0, symlink("../..", (player + "/Text/sub/root").c_str()));

    RunResult album = Zelhost({"rm", "-r", "Music/Album"});
    EXPECT_EQ(album.exitCode, 0) << album.err;
    RunResult sub = Zelhost({"rm", "-r", "Text/sub"});
    EXPECT_EQ(sub.exitCode, 0) << sub.err;

    EXPECT_FALSE(fs::exists(player + "/Music/Album") || fs::exists(player + "/Text/sub"));
    for (const char* kept : {"Photo/cover600.jpg", "Music/song.mp3", "System/PlayerDB.zdb", "System/libZELPlayerDB.so"})
        EXPECT_TRUE(OnDrive(kept)) << kept;
    EXPECT_EQ(DatabaseFileRecords(), 2);
    EXPECT_TRUE(DatabaseFileHolds(u"cover600.jpg"));
}

// 2. Two runs at once: both batches land with every record, and the profile the
// player keeps is read whole and written only when it changes.
TEST_F(ZelhostSafety, TwoRunsAtOnceKeepEveryRecordAndTheProfileIsWrittenOnlyWhenItChanges) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "info"}).exitCode, 0);
    const std::string profile = player + "/System/zelhost.profile";
    const auto written = fs::last_write_time(profile);
    std::this_thread::sleep_for(20ms);

    std::vector<std::string> batches[2];
    for (int k = 0; k < 2; ++k) {
        batches[k] = {"put"};
        for (int n = 0; n < 20; ++n) batches[k].push_back(Photo("p" + std::to_string(k) + "-" + std::to_string(n) + ".jpg"));
    }
    const int sink = open("/dev/null", O_WRONLY);
    pid_t runs[2];
    for (int k = 0; k < 2; ++k) runs[k] = Start(batches[k], sink, work + "/err" + std::to_string(k) + ".txt");
    for (int k = 0; k < 2; ++k) EXPECT_EQ(Wait(runs[k]), 0) << ReadAll(work + "/err" + std::to_string(k) + ".txt");
    close(sink);

    EXPECT_EQ(std::distance(fs::directory_iterator(player + "/Photo"), {}), 40);
    EXPECT_EQ(DatabaseFileRecords(), 40);
    EXPECT_TRUE(fs::last_write_time(profile) == written) << "the profile was rewritten unchanged";
    EXPECT_TRUE(Leftovers("System").empty());

    // A profile the player keeps that cannot be read is refused, and left as it is.
    std::ofstream(profile, std::ios::trunc) << "name = half\nmodel = XPL Pla";
    std::ofstream(profile, std::ios::app) << "\ncapabil";
    const std::string broken = ReadAll(profile);
    RunResult ls = Zelhost({"ls"});
    EXPECT_EQ(ls.exitCode, 2);
    EXPECT_NE(ls.err.find("saved profile"), std::string::npos) << ls.err;
    EXPECT_NE(ls.err.find("--profile"), std::string::npos) << ls.err;
    EXPECT_EQ(ReadAll(profile), broken);
}

// 3. A database write that fails reaches the user: the file landed, its record
// did not, and zelhost says which file it is and exits 6.
TEST_F(ZelhostSafety, AFailedDatabaseWriteIsReportedAndNamesTheFile) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "info"}).exitCode, 0);
    // The database's new file cannot be made: a folder is in its place.
    fs::create_directories(player + "/System/PlayerDB.zdb.new");
    RunResult put = Zelhost({"put", Song("song.mp3", "Song")});
    EXPECT_EQ(put.exitCode, 6);
    EXPECT_NE(put.err.find("E:\\Music\\song.mp3"), std::string::npos) << put.err;
    EXPECT_NE(put.err.find("record is missing"), std::string::npos) << put.err;
    EXPECT_TRUE(OnDrive("Music/song.mp3"));
    EXPECT_FALSE(DatabaseFileHolds(u"song.mp3"));

    fs::remove(player + "/System/PlayerDB.zdb.new");
    ASSERT_EQ(Zelhost({"put", Song("song.mp3", "Song")}).exitCode, 0);
    fs::create_directories(player + "/System/PlayerDB.zdb.new");
    RunResult rm = Zelhost({"--json", "rm", "Music/song.mp3"});
    EXPECT_EQ(rm.exitCode, 6);
    EXPECT_NE(rm.out.find("\"status\": \"database\""), std::string::npos) << rm.out;
    EXPECT_NE(rm.out.find("still holds the records of Music/song.mp3"), std::string::npos) << rm.out;
}

// 4. Ctrl-C (and SIGTERM) in the middle of a large put. The run's standard
// output is a pipe with room for exactly the lines of the small files before
// the large one, so the run stops, blocked, at the large file's first progress
// line with its copy half made; the signal comes while it waits there.
TEST_F(ZelhostSafety, AnInterruptedPutKeepsWhatLandedAndWhatWasThere) {
    auto text = [&](const std::string& folder, const std::string& name, size_t size, char fill) {
        fs::create_directories(folder);
        EXPECT_TRUE(zelmediagen::WriteText(folder + "/" + name, std::string(size, fill)));
        return folder + "/" + name;
    };
    const std::string oldBig = text(sources + "/old", "big.txt", 6 << 20, 'o');
    const std::string newBig = text(sources + "/new", "big.txt", 8 << 20, 'n');
    const std::string a = text(sources, "a.txt", 100, 'a'), b = text(sources, "b.txt", 200, 'b');
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "info"}).exitCode, 0);
    // What the small files print, measured on another player.
    const std::string realPlayer = player;
    player = work + "/measure";
    RunResult measured = Zelhost({"--profile", "xpl-db", "put", a, b});
    ASSERT_EQ(measured.exitCode, 0) << measured.err;
    player = realPlayer;
    ASSERT_LT(measured.out.size(), 4000u);

    struct Round { int signal; bool replacing; };
    for (const Round round : {Round{SIGINT, false}, Round{SIGTERM, true}}) {
        SCOPED_TRACE(round.replacing ? "SIGTERM over an earlier copy" : "SIGINT, a new file");
        if (round.replacing) {
            ASSERT_EQ(Zelhost({"put", oldBig}).exitCode, 0);
        }
        const int recordsBefore = std::max(DatabaseFileRecords(), 0);

        int gate[2];
        ASSERT_EQ(0, pipe(gate));
        ASSERT_EQ(4096, fcntl(gate[1], F_SETPIPE_SZ, 4096));
        const std::string filler(4096 - measured.out.size(), '#');
        ASSERT_EQ(static_cast<ssize_t>(filler.size()), write(gate[1], filler.data(), filler.size()));
        const pid_t run = Start({"put", a, b, newBig}, gate[1], work + "/err.txt");
        close(gate[1]);

        // The large file is half copied and the run waits on its progress line.
        std::string partial;
        for (int wait = 0; wait < 3000 && partial.empty(); ++wait) {
            for (const std::string& name : Leftovers("Text"))
                if (fs::file_size(player + "/Text/" + name) >= (2u << 20)) partial = name;
            if (partial.empty()) std::this_thread::sleep_for(10ms);
        }
        ASSERT_FALSE(partial.empty()) << "the large copy never got under way";
        // The files sent before it are in the database file already.
        EXPECT_EQ(DatabaseFileRecords(), recordsBefore + (round.replacing ? 0 : 2));
        kill(run, round.signal);
        std::string out;
        char buffer[4096];
        for (ssize_t got; (got = read(gate[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(got));
        close(gate[0]);
        EXPECT_EQ(Wait(run), 128 + round.signal) << ReadAll(work + "/err.txt");
        EXPECT_NE(ReadAll(work + "/err.txt").find("interrupted"), std::string::npos);

        EXPECT_TRUE(Leftovers("Text").empty());
        EXPECT_TRUE(OnDrive("Text/a.txt") && OnDrive("Text/b.txt"));
        EXPECT_TRUE(DatabaseFileHolds(u"a.txt") && DatabaseFileHolds(u"b.txt"));
        if (round.replacing) {
            EXPECT_TRUE(ReadAll(player + "/Text/big.txt") == ReadAll(oldBig)) << "the earlier copy stays whole";
            RunResult db = Zelhost({"--json", "db"});
            EXPECT_NE(db.out.find("\"size\": 6291456"), std::string::npos) << db.out;
            EXPECT_EQ(db.out.find("\"size\": 8388608"), std::string::npos);
        } else {
            EXPECT_FALSE(OnDrive("Text/big.txt"));
            EXPECT_FALSE(DatabaseFileHolds(u"big.txt"));
        }
    }
}

// The same on an MTP player: the agent's copy stops, and the player keeps no
// object, no partial file, and the file of that name it had before.
TEST_F(ZelhostSafety, AnInterruptedPutOnAnMtpPlayerLeavesNoObject) {
    const std::string big = sources + "/big.txt";
    ASSERT_TRUE(zelmediagen::WriteText(big, std::string(8 << 20, 'n')));
    ASSERT_EQ(Zelhost({"--profile", "mtp-player", "info"}).exitCode, 0);
    ASSERT_TRUE(zelmediagen::WriteText(player + "/Text/big.txt", "earlier"));

    // The pipe is full: the run waits on its first progress line, a quarter into the copy.
    int gate[2];
    ASSERT_EQ(0, pipe(gate));
    ASSERT_EQ(4096, fcntl(gate[1], F_SETPIPE_SZ, 4096));
    const std::string filler(4096, '#');
    ASSERT_EQ(static_cast<ssize_t>(filler.size()), write(gate[1], filler.data(), filler.size()));
    const pid_t run = Start({"put", big}, gate[1], work + "/err.txt");
    close(gate[1]);
    bool underWay = false;
    for (int wait = 0; wait < 3000 && !underWay; ++wait) {
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(player + "/Text", ignored))
            underWay |= entry.path().filename().string().rfind(".zelmtp-", 0) == 0 && entry.file_size(ignored) >= (2u << 20);
        if (!underWay) std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(underWay) << "the copy never got under way";
    kill(run, SIGINT);
    char buffer[4096];
    while (read(gate[0], buffer, sizeof buffer) > 0) {
    }
    close(gate[0]);
    EXPECT_EQ(Wait(run), 128 + SIGINT) << ReadAll(work + "/err.txt");
    EXPECT_EQ(Tree(player + "/Text"), std::vector<std::string>{"big.txt"});
    EXPECT_EQ(ReadAll(player + "/Text/big.txt"), "earlier");
}

// 5. A link that leads out of the player is never written through.
TEST_F(ZelhostSafety, ALinkOutOfThePlayerIsNeverWrittenThrough) {
    const std::string outside = work + "/outside";
    fs::create_directories(outside);
    fs::create_directories(player);
    ASSERT_EQ(0, symlink(outside.c_str(), (player + "/System").c_str()));

    // The translation once answered an empty text here, and the library went to
    // the host's root: whether such a file is there must not change.
    const bool atRootBefore = fs::exists("/libZELPlayerDB.so");
    RunResult db = Zelhost({"--profile", "xpl-db", "info"});
    EXPECT_EQ(fs::exists("/libZELPlayerDB.so"), atRootBefore);
    EXPECT_EQ(db.exitCode, 5);
    EXPECT_NE(db.err.find("outside the player"), std::string::npos) << db.err;
    RunResult plain = Zelhost({"--profile", "plp-plain", "put", Song("song.mp3", "Song")});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_NE(plain.err.find("outside the player"), std::string::npos) << "the profile is not kept: " << plain.err;
    EXPECT_TRUE(OnDrive("Music/song.mp3"));
    EXPECT_TRUE(Tree(outside).empty());
}

// 6. A library planted on the player (newer than zelhost's, and under the
// name the module loader tries first) is replaced, and its code does not run,
// unless the user says to load it.
TEST_F(ZelhostSafety, APlantedDatabaseLibraryIsReplacedNotRun) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "info"}).exitCode, 0);
    for (const char* name : {"System/libZELPlayerDB.so", "System/ZELPlayerDB.dll"}) {
        fs::copy_file(ZEL_PLANTED_LIBRARY, player + "/" + name, fs::copy_options::overwrite_existing);
        fs::last_write_time(player + "/" + name, fs::file_time_type::clock::now() + 24h);
    }
    const std::string marker = work + "/planted-code-ran";
    env["ZEL_PLANTED_MARKER"] = marker;

    RunResult info = Zelhost({"info"});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_TRUE(ReadAll(player + "/System/libZELPlayerDB.so") == ReadAll(ZEL_PLAYERDB_LIBRARY));
    EXPECT_NE(info.err.find("--use-player-library"), std::string::npos) << info.err;
    EXPECT_TRUE(Leftovers("System").empty());

    Zelhost({"--use-player-library", "info"});
    EXPECT_TRUE(fs::exists(marker)) << "the user asked for the player's own library";
}

// 7. A source whose path does not fit the record is refused, never cut into
// the path of another file that then goes in its place.
TEST_F(ZelhostSafety, ASourcePathTooLongForTheRecordIsRefused) {
    // Z:\ + the host path: the sibling's Windows path is 383 units, all a record holds.
    std::string folder = sources;
    while (folder.size() + 200 < 372) folder += "/" + std::string(190, 'd');
    folder += "/" + std::string(372 - folder.size() - 1, 'e');
    ASSERT_EQ(folder.size(), 372u);
    const std::string sibling = Song("song.mp3", "The Sibling", folder);
    const std::string wanted = Song("song.mp3 (the long version).mp3", "The Long Version", folder);
    ASSERT_EQ(sibling.size() + 2, 383u);  // a record's Folder holds 383 units and its end

    RunResult put = Zelhost({"--profile", "xpl-db", "put", wanted});
    EXPECT_EQ(put.exitCode, 4);
    EXPECT_NE(put.err.find("a player record holds 383"), std::string::npos) << put.err;
    EXPECT_FALSE(OnDrive("Music/song.mp3 (the long version).mp3"));
    EXPECT_FALSE(OnDrive("Music/song.mp3"));
    EXPECT_EQ(DatabaseFileRecords(), -1) << "nothing was recorded";
}

// 8. A picture whose path says "temp" goes from a private copy; when none can
// be made it is not sent, and the user's own file stays. Each run has a
// scratch folder of its own in TMPDIR, gone when it ends; nothing is made in
// the user's home.
TEST_F(ZelhostSafety, PicturesAreNeverSentFromTheUsersOwnFileAndNothingIsLeftBehind) {
    const std::string scan = Photo("scan.jpg", work + "/temp");
    RunResult put = Zelhost({"--profile", "xpl-db", "put", scan, Song("song.mp3", "Song")});
    EXPECT_EQ(put.exitCode, 0) << put.err;
    EXPECT_TRUE(OnDrive("Photo/scan.jpg") && OnDrive("Music/song.mp3"));
    EXPECT_TRUE(fs::exists(scan));
    EXPECT_EQ(Tree(tmp), std::vector<std::string>{}) << "the scratch folder goes with its run";
    EXPECT_EQ(Tree(home), std::vector<std::string>{}) << "nothing in the user's home";

    // No scratch folder can be made: TMPDIR names a file.
    std::ofstream(work + "/not-a-folder") << "x";
    env["TMPDIR"] = work + "/not-a-folder";
    const std::string second = Photo("second.jpg", work + "/temp");
    RunResult refused = Zelhost({"put", second});
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_NE(refused.err.find("no private copy could be made"), std::string::npos) << refused.err;
    EXPECT_TRUE(fs::exists(second));
    EXPECT_FALSE(OnDrive("Photo/second.jpg"));
    RunResult plain = Zelhost({"put", Photo("plain.jpg")});
    EXPECT_EQ(plain.exitCode, 0) << "a picture that needs no copy goes: " << plain.err;
    EXPECT_EQ(Tree(home), std::vector<std::string>{});
}

// 9. Ctrl-C while get --move copies a large recording: the recording stays on
// the player and the folder of this computer is left as it was. The run blocks
// on its first progress line (the pipe is full) with the copy a quarter made.
TEST_F(ZelhostSafety, AnInterruptedMoveKeepsTheRecording) {
    ASSERT_EQ(Zelhost({"--profile", "recorder", "info"}).exitCode, 0);
    fs::create_directories(player + "/Record");
    ASSERT_TRUE(zelmediagen::WriteText(player + "/Record/long.mp3", std::string(32 << 20, 'r')));
    const std::string fetched = work + "/fetched";
    fs::create_directories(fetched);

    int gate[2];
    ASSERT_EQ(0, pipe(gate));
    ASSERT_EQ(4096, fcntl(gate[1], F_SETPIPE_SZ, 4096));
    const std::string filler(4096, '#');
    ASSERT_EQ(4096, write(gate[1], filler.data(), filler.size()));
    const pid_t run = Start({"get", "--move", "Record/long.mp3", fetched}, gate[1], work + "/err.txt");
    close(gate[1]);
    bool underWay = false;
    for (int wait = 0; wait < 3000 && !underWay; ++wait) {
        for (const std::string& name : Tree(fetched))
            underWay = underWay || fs::file_size(fetched + "/" + name) >= (4u << 20);
        if (!underWay) std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(underWay) << "the copy never got under way";
    kill(run, SIGINT);
    char buffer[4096];
    while (read(gate[0], buffer, sizeof buffer) > 0) {
    }
    close(gate[0]);
    EXPECT_EQ(130, Wait(run)) << ReadAll(work + "/err.txt");
    EXPECT_EQ(32u << 20, fs::file_size(player + "/Record/long.mp3"));
    EXPECT_TRUE(Tree(fetched).empty()) << "nothing of the copy is left, hidden or not";
}

}  // namespace
