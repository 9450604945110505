// The FAT tier: scripted zelhost sessions on real FAT16 and FAT32 images
// mounted through fusefat (set-up, nested puts with album art, folders,
// playlists, FAT's names and case, a rebuild, a format). After each session the image is unmounted and must
// pass fsck.fat, and mtools must read back every file the mount showed, byte
// for byte, and no other.
#include <algorithm>
#include <set>

#include "fat_image.h"
#include "zelhost_fixture.h"

namespace {

using fat_test::FatImage;
using zelhost_test::ReadAll;
using zelhost_test::RunResult;

class FatSession : public zelhost_test::ZelhostTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        ZelhostTest::SetUp();
        std::string why;
        if (!FatImage::Available(why)) GTEST_SKIP() << "no FAT tier on this machine: " << why;
        image = std::make_unique<FatImage>(work + "/player.img", GetParam());
        std::string error;
        ASSERT_TRUE(image->Make(error)) << error;
        ASSERT_TRUE(image->Mount(player, error)) << error;
    }
    void TearDown() override {
        image.reset();  // unmounted before the work folder goes
        ZelhostTest::TearDown();
    }

    // Ends the session: what the mount shows is noted, the image unmounted and
    // checked, and what mtools reads must be the same files with the same bytes.
    void FinishSession() {
        std::map<std::string, std::string> seen;
        for (const auto& entry : fs::recursive_directory_iterator(player)) {
            const std::string relative = fs::relative(entry.path(), player).string();
            seen[entry.is_directory() ? relative + "/" : relative] = entry.is_directory() ? "" : ReadAll(entry.path());
        }
        ASSERT_TRUE(image->Unmount()) << "fusefat did not end after the unmount";
        const fat_test::CommandResult check = image->Check();
        EXPECT_EQ(check.exitCode, 0) << "fsck.fat found damage:\n" << check.out;
        const std::vector<std::string> listed = image->List();
        std::set<std::string> onImage(listed.begin(), listed.end()), throughMount;
        for (const auto& [name, bytes] : seen) throughMount.insert(name);
        EXPECT_EQ(onImage, throughMount);
        for (const auto& [name, bytes] : seen) {
            if (name.back() == '/') continue;
            const fat_test::CommandResult read = image->Read(name);
            EXPECT_EQ(read.exitCode, 0) << name;
            EXPECT_TRUE(read.out == bytes) << name << ": mtools reads " << read.out.size() << " bytes, the mount showed "
                                           << bytes.size();
        }
        finished = listed;
    }
    bool Finished(const std::string& name) const {
        return std::find(finished.begin(), finished.end(), name) != finished.end();
    }

    std::unique_ptr<FatImage> image;
    std::vector<std::string> finished;  // what the image holds after the session
};

// The start of a baseline JPEG picture of this size.
std::string JpegFrame(int width, int height) {
    const char bytes[] = {'\xFF', '\xC0', 0, 17, 8, char(height >> 8), char(height), char(width >> 8), char(width)};
    return std::string(bytes, sizeof bytes);
}

TEST_P(FatSession, SetUpAndNestedPutsWithAlbumArt) {
    const RunResult info = Zelhost({"--profile", "xpl-db", "info"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(ReadAll(player + "/System/libZELPlayerDB.so"), ReadAll(ZEL_PLAYERDB_LIBRARY)) << "the library landed whole";

    ASSERT_EQ(Zelhost({"mkdir", "-p", "Music/The Artist/First Album"}).exitCode, 0);
    const RunResult put = Zelhost({"put", Song("01 Opening.mp3", "Opening"), Song("02 Middle.mp3", "Middle"),
                                   Song("03 Close.mp3", "Close"), "Music/The Artist/First Album"});
    ASSERT_EQ(put.exitCode, 0) << put.err;
    const std::string photo = Photo("view.jpg");
    ASSERT_EQ(Zelhost({"put", photo}).exitCode, 0);
    // The same song again replaces the one on the player.
    ASSERT_EQ(Zelhost({"put", Song("02 Middle.mp3", "Middle again"), "Music/The Artist/First Album"}).exitCode, 0);
    const RunResult db = Zelhost({"db"});
    EXPECT_NE(db.out.find("4 records"), std::string::npos) << db.out;
    const std::string middle = ReadAll(player + "/Music/The Artist/First Album/02 Middle.mp3");
    EXPECT_NE(middle.find(JpegFrame(128, 128)), std::string::npos) << "the cover was scaled for the player";
    EXPECT_NE(db.out.find("\"Middle again\""), std::string::npos) << db.out;

    FinishSession();
    EXPECT_EQ(image->Read("Photo/view.jpg").out, ReadAll(photo));
    EXPECT_TRUE(Finished("System/PlayerDB.zdb"));
}

TEST_P(FatSession, FoldersAreMadeAndRemovedWithWhatIsInThem) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "mkdir", "-p", "Music/Band/Live/Encore"}).exitCode, 0);
    ASSERT_EQ(Zelhost({"put", Song("a.mp3", "A"), "Music/Band/Live/Encore"}).exitCode, 0);
    ASSERT_EQ(Zelhost({"put", Song("b.mp3", "B"), Song("c.mp3", "C"), "Music/Band"}).exitCode, 0);
    EXPECT_EQ(Zelhost({"rm", "Music/Band/b.mp3"}).exitCode, 0);
    EXPECT_NE(Zelhost({"rm", "Music/Band/Live"}).exitCode, 0) << "a folder needs -r";
    EXPECT_EQ(Zelhost({"rm", "-r", "Music/Band/Live"}).exitCode, 0);
    EXPECT_EQ(Zelhost({"mkdir", "Video/Clips", "Text/Notes"}).exitCode, 0);
    const RunResult db = Zelhost({"db"});
    EXPECT_NE(db.out.find("1 record"), std::string::npos) << db.out;

    FinishSession();
    EXPECT_TRUE(Finished("Music/Band/c.mp3") && Finished("Video/Clips/") && Finished("Text/Notes/"));
    EXPECT_FALSE(Finished("Music/Band/b.mp3") || Finished("Music/Band/Live/"));
}

TEST_P(FatSession, PlaylistsAreWrittenRenamedAndPurged) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "put", "--playlist", "Road", Song("one.mp3", "One"),
                       Song("two.mp3", "Two")})
                  .exitCode,
              0);
    ASSERT_EQ(Zelhost({"playlist", "create", "Night"}).exitCode, 0);
    ASSERT_EQ(Zelhost({"playlist", "add", "Night", "Music/two.mp3"}).exitCode, 0);
    ASSERT_EQ(Zelhost({"playlist", "rename", "Road", "Trip"}).exitCode, 0);
    ASSERT_EQ(Zelhost({"rm", "Music/one.mp3"}).exitCode, 0);  // the playlists lose it too
    const RunResult trip = Zelhost({"playlist", "show", "Trip"});
    EXPECT_EQ(trip.out, "Music/two.mp3\n") << trip.err;

    FinishSession();
    EXPECT_TRUE(Finished("Playlists/Trip.xpl") && Finished("Playlists/Night.xpl"));
    EXPECT_FALSE(Finished("Playlists/Road.xpl"));
}

TEST_P(FatSession, FatNamesAreRefusedOrChangedAndTheDrivesSpellingStays) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "info"}).exitCode, 0);
    const RunResult refused = Zelhost({"put", Song("what?.mp3", "What")});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_NE(refused.err.find("FAT names cannot hold"), std::string::npos) << refused.err;
    EXPECT_EQ(Zelhost({"mkdir", "Music/NUL"}).exitCode, 3);
    const RunResult changed = Zelhost({"--fat-names", "put", Song("what?.mp3", "What")});
    EXPECT_EQ(changed.exitCode, 0) << changed.err;
    EXPECT_NE(changed.out.find("-> Music/what_.mp3"), std::string::npos) << changed.out;

    ASSERT_EQ(Zelhost({"put", Song("Song.mp3", "First")}).exitCode, 0);
    const RunResult again = Zelhost({"put", Song("SONG.mp3", "Second", sources + "/case2")});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("-> Music/Song.mp3"), std::string::npos) << again.out;
    const RunResult db = Zelhost({"db"});
    EXPECT_NE(db.out.find("Music/Song.mp3"), std::string::npos) << db.out;
    EXPECT_EQ(db.out.find("SONG"), std::string::npos) << db.out;
    EXPECT_NE(db.out.find("\"Second\""), std::string::npos) << "the second song replaced the first: " << db.out;

    FinishSession();
    EXPECT_TRUE(Finished("Music/Song.mp3") && Finished("Music/what_.mp3"));
    EXPECT_FALSE(Finished("Music/SONG.mp3"));
}

TEST_P(FatSession, ARebuildBringsBackALostDatabase) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "mkdir", "-p", "Music/Band/Live"}).exitCode, 0);
    ASSERT_EQ(Zelhost({"put", Song("a.mp3", "A"), Song("b.mp3", "B"), "Music/Band/Live"}).exitCode, 0);
    ASSERT_EQ(Zelhost({"put", Photo("p.jpg")}).exitCode, 0);
    fs::remove(player + "/System/PlayerDB.zdb");
    const RunResult rebuild = Zelhost({"rebuild"});
    ASSERT_EQ(rebuild.exitCode, 0) << rebuild.err;
    EXPECT_NE(rebuild.out.find("It holds 3 records (0 before): JPG 1, MP3 2"), std::string::npos) << rebuild.out;
    const RunResult db = Zelhost({"db"});
    EXPECT_NE(db.out.find("Music/Band/Live/b.mp3  MP3"), std::string::npos) << db.out;

    FinishSession();
    EXPECT_TRUE(Finished("System/PlayerDB.zdb"));
}

TEST_P(FatSession, AFormatLeavesAFreshPlayer) {
    ASSERT_EQ(Zelhost({"--profile", "xpl-db", "put", Song("old.mp3", "Old"), Photo("old.jpg")}).exitCode, 0);
    ASSERT_EQ(Zelhost({"mkdir", "-p", "Music/Gone/Deeper"}).exitCode, 0);
    const RunResult format = Zelhost({"format", "--yes"});
    ASSERT_EQ(format.exitCode, 0) << format.err;
    const RunResult db = Zelhost({"db"});
    EXPECT_NE(db.out.find("0 records"), std::string::npos) << db.out;
    ASSERT_EQ(Zelhost({"put", Song("new.mp3", "New")}).exitCode, 0);

    FinishSession();
    EXPECT_TRUE(Finished("Music/new.mp3") && Finished("Photo/") && Finished("System/PlayerDB.zdb"));
    EXPECT_FALSE(Finished("Music/old.mp3") || Finished("Photo/old.jpg") || Finished("Music/Gone/"));
}

INSTANTIATE_TEST_SUITE_P(Fat, FatSession, ::testing::Values(16, 32),
                         [](const ::testing::TestParamInfo<int>& info) { return "FAT" + std::to_string(info.param); });

}  // namespace
