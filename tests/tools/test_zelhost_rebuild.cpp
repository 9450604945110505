// zelhost rebuild, run end to end: a player whose database file was lost gets
// its records back; a player without a database and a database that cannot be
// written; Ctrl-C and SIGTERM in the middle of a rebuild.
#include <signal.h>

#include <chrono>
#include <thread>

#include "zelhost_fixture.h"

namespace {

using namespace std::chrono_literals;
using namespace zelhost_test;

TEST_F(ZelhostTest, ARebuildBringsBackTheRecordsOfALostDatabase) {
    const RunResult put = Zelhost({"--profile", "xpl-db", "put", Song("one.mp3", "First Song"),
                                   Song("two.mp3", "Second Song"), Photo("photo.jpg")});
    ASSERT_EQ(put.exitCode, 0) << put.err;
    // Files the player's rules leave out: a type the profile lacks, the System folder.
    std::ofstream(player + "/Music/notes.xyz") << "notes";
    fs::copy_file(sources + "/one.mp3", player + "/System/extra.mp3");
    fs::remove(player + "/System/PlayerDB.zdb");
    ASSERT_EQ(Zelhost({"db"}).out, "0 records in the player's database:\n");

    const RunResult rebuild = Zelhost({"rebuild"});
    EXPECT_EQ(rebuild.exitCode, 0) << rebuild.err;
    EXPECT_NE(rebuild.out.find("  rebuilding the database: 100%\n"), std::string::npos) << rebuild.out;
    EXPECT_NE(rebuild.out.find("It holds 3 records (0 before): JPG 1, MP3 2\n"), std::string::npos) << rebuild.out;
    EXPECT_EQ(DatabaseFileRecords(), 3);

    const RunResult db = Zelhost({"db"});
    EXPECT_NE(db.out.find("Music/one.mp3  MP3"), std::string::npos) << db.out;
    EXPECT_NE(db.out.find("\"First Song\" by Test Artist, Test Album"), std::string::npos) << db.out;
    EXPECT_NE(db.out.find("\"Second Song\""), std::string::npos) << db.out;
    EXPECT_NE(db.out.find("Photo/photo.jpg  JPG"), std::string::npos) << db.out;
    EXPECT_EQ(db.out.find("notes.xyz"), std::string::npos) << db.out;
    EXPECT_EQ(db.out.find("extra.mp3"), std::string::npos) << db.out;

    const RunResult json = Zelhost({"--json", "rebuild"});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_NE(json.out.find("\"recordsBefore\": 3"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"byType\": {\n        \"JPG\": 1,\n        \"MP3\": 2\n      }"), std::string::npos)
        << json.out;
}

TEST_F(ZelhostTest, ARebuildThatCannotBeDoneOrWrittenChangesNothing) {
    const RunResult plain = Zelhost({"--profile", "plp-plain", "--json", "rebuild"});
    EXPECT_EQ(plain.exitCode, 3);
    EXPECT_NE(plain.out.find("the player keeps no database (profile plp-plain)"), std::string::npos) << plain.out;

    fs::remove_all(player);
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "put", Song("one.mp3", "First Song")}).exitCode, 0);
    std::ofstream(player + "/Music/two.mp3") << "two";
    const std::string before = ReadAll(player + "/System/PlayerDB.zdb");
    // The database's new file cannot be made: a folder is in its place.
    fs::create_directories(player + "/System/PlayerDB.zdb.new");
    const RunResult rebuild = Zelhost({"rebuild"});
    EXPECT_EQ(rebuild.exitCode, 6);
    EXPECT_NE(rebuild.err.find("the player keeps the database it had"), std::string::npos) << rebuild.err;
    EXPECT_EQ(ReadAll(player + "/System/PlayerDB.zdb"), before);
}

// Standard output is a full pipe, so the run stops, blocked, at its first
// progress line, with a part of the records made; the signal comes while it
// waits there.
TEST_F(ZelhostTest, AnInterruptedRebuildLeavesTheDatabaseThePlayerHad) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "info"}).exitCode, 0);
    for (int k = 0; k < 40; ++k) Photo("p" + std::to_string(k) + ".jpg", player + "/Photo");
    ASSERT_EQ(Zelhost({"rebuild"}).exitCode, 0);
    for (int k = 40; k < 80; ++k) Photo("p" + std::to_string(k) + ".jpg", player + "/Photo");
    const std::string before = ReadAll(player + "/System/PlayerDB.zdb");
    ASSERT_EQ(DatabaseFileRecords(), 40);

    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        int gate[2];
        ASSERT_EQ(0, pipe(gate));
        ASSERT_EQ(4096, fcntl(gate[1], F_SETPIPE_SZ, 4096));
        const std::string filler(4096, '#');
        ASSERT_EQ(4096, write(gate[1], filler.data(), filler.size()));
        const std::string errFile = work + "/err.txt";
        const pid_t run = Start({"rebuild"}, gate[1], errFile);
        close(gate[1]);
        // Blocked on its first progress line.
        bool blocked = false;
        for (int wait = 0; wait < 3000 && !blocked; ++wait) {
            blocked = ReadAll("/proc/" + std::to_string(run) + "/wchan").find("pipe_write") != std::string::npos;
            if (!blocked) std::this_thread::sleep_for(10ms);
        }
        EXPECT_TRUE(blocked) << "the run never reached its first progress line";
        kill(run, signal);
        std::string out;
        char buffer[4096];
        for (ssize_t got; (got = read(gate[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(got));
        close(gate[0]);
        EXPECT_EQ(Wait(run), 128 + signal);
        const std::string err = ReadAll(errFile);
        EXPECT_NE(err.find("interrupted: the rebuild stopped before its end; the player keeps the database it had (40 "
                           "records)"),
                  std::string::npos)
            << err;
        EXPECT_EQ(out.find("100%"), std::string::npos) << out;
        EXPECT_EQ(ReadAll(player + "/System/PlayerDB.zdb"), before);
        EXPECT_FALSE(fs::exists(player + "/System/PlayerDB.zdb.new"));
    }
}

}  // namespace
