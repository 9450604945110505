// zelhost on a FAT player and a full one, as a person meets them: names FAT
// refuses are refused before anything is sent, with the rule in the message
// (or changed with --fat-names), and a full player says so. The runs declare
// the player's drive FAT through compat's test seam (a library preloaded into
// zelhost); the FAT tier (tests/fat) runs on real FAT, where it also shows a
// file sent over one spelt otherwise reported as the drive spells it.
#include "fat_names.h"
#include "zelhost_fixture.h"

namespace {

using namespace zelhost_test;

class ZelhostFat : public ZelhostTest {
protected:
    void SetUp() override {
        ZelhostTest::SetUp();
        env["LD_PRELOAD"] = ZEL_FAULT_PRELOAD;
        // The preloaded library comes before the sanitizer's runtime in a sanitizer build.
        env["ASAN_OPTIONS"] = "verify_asan_link_order=0:detect_leaks=0";
        env["ZEL_TEST_FAT_DRIVE"] = "E";
    }
    size_t Entries(const std::string& folder) const {
        std::error_code ignored;
        return static_cast<size_t>(std::distance(fs::directory_iterator(player + "/" + folder, ignored), {}));
    }
};

TEST(ZelhostFatNames, RefusedNamesChangeIntoOnesFatTakes) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"a?b:c.mp3", u"a_b_c.mp3"},
        {u"Live. ", u"Live__"},
        {u"CON.mp3", u"CON_.mp3"},
        {u"lpt1", u"lpt1_"},
        {u"Fine ♪.mp3", u"Fine ♪.mp3"},
    };
    for (const auto& [name, safe] : cases) {
        EXPECT_EQ(zelhost::FatSafeName(name), safe);
        EXPECT_EQ(ZelFatNameRule(zelhost::FatSafeName(name).c_str()), ZEL_NAME_ALLOWED);
    }
}

TEST_F(ZelhostFat, NamesFatRefusesAreRefusedWithTheirRuleOrChanged) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "info"}).exitCode, 0);
    struct Case {
        std::vector<std::string> args;
        const char* rule;
    };
    const Case refused[] = {
        {{"put", Song("a?b.mp3", "Asks")}, "this one holds '?'"},
        {{"put", Song("CON.mp3", "Console")}, "for devices"},
        {{"mkdir", "Music/Live."}, "end in a dot or a space"},
        {{"mkdir", "-p", "Music/pipe|d/Ok"}, "this one holds '|'"},
        {{"mkdir", "Music/" + std::string(256, 'n')}, "at most 255 UTF-16 units (this one has 256)"},
        {{"playlist", "create", "aux"}, "for devices"},
    };
    for (const Case& c : refused) {
        const RunResult run = Zelhost(c.args);
        EXPECT_NE(run.exitCode, 0) << run.err;
        EXPECT_NE(run.err.find(c.rule), std::string::npos) << run.err;
    }
    EXPECT_EQ(Entries("Music"), 0u) << "nothing was made";

    // With --fat-names the names change instead, and the report shows the new ones.
    const RunResult put = Zelhost({"--fat-names", "put", Song("a?b.mp3", "Asks"), Song("CON.mp3", "Console")});
    EXPECT_EQ(put.exitCode, 0) << put.err;
    EXPECT_NE(put.out.find("-> Music/a_b.mp3"), std::string::npos) << put.out;
    EXPECT_NE(put.out.find("-> Music/CON_.mp3"), std::string::npos) << put.out;
    EXPECT_TRUE(OnDrive("Music/a_b.mp3") && OnDrive("Music/CON_.mp3"));
    EXPECT_TRUE(DatabaseFileHolds(u"a_b.mp3"));
    const RunResult made = Zelhost({"--fat-names", "mkdir", "-p", "Music/Live./Set:1"});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_TRUE(fs::is_directory(player + "/Music/Live_/Set_1"));

    // Without the seam the same player is no FAT drive: the name goes as it is.
    env.erase("ZEL_TEST_FAT_DRIVE");
    EXPECT_EQ(Zelhost({"mkdir", "Music/Live."}).exitCode, 0);
}

TEST_F(ZelhostFat, AFullPlayerSaysSoAndKeepsNothingOfTheFile) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "info"}).exitCode, 0);
    env["ZEL_TEST_FAULT"] = "E:\\Music\\*|4|112|1000";  // writes into Music fail with ERROR_DISK_FULL
    const RunResult put = Zelhost({"put", Song("song.mp3", "Song")});
    EXPECT_EQ(put.exitCode, 4);
    EXPECT_NE(put.err.find("the player is full (0x10009)"), std::string::npos) << put.err;
    EXPECT_EQ(Entries("Music"), 0u);
    EXPECT_FALSE(DatabaseFileHolds(u"song.mp3"));
}

}  // namespace
