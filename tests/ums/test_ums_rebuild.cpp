// Rebuilding a mass-storage player's database: what each model family records
// of one drive (with the tags of music), the refusals, the host's progress
// messages and the messages that run in between, the log templates of the
// log-file family, and the database the player keeps when a rebuild is stopped
// before its end.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "database_file.h"
#include "mediagen.h"
#include "ums_fixture.h"

namespace {

namespace fs = std::filesystem;

// A device whose database can be listed from the very library it loaded.
class RebuildUMS : public TestUMS {
public:
    std::vector<tagDB_File> Records() const {
        auto list = reinterpret_cast<ZELDB_LISTRECORDS_PROC>(
            reinterpret_cast<void*>(GetProcAddress(m_hDBLibrary, ZELDB_LISTRECORDS_NAME)));
        if (list == nullptr) return {};
        std::vector<tagDB_File> records(static_cast<size_t>(list(nullptr, 0)));
        list(records.data(), static_cast<int>(records.size()));
        return records;
    }
    // The recorded paths below the root, "/" between folders.
    std::set<std::string> RecordedPaths() const {
        std::set<std::string> paths;
        for (const tagDB_File& record : Records()) {
            std::u16string path = Text(record.Folder) + u"\\" + Text(record.FileName);
            path.erase(0, 3);  // "E:\"
            std::replace(path.begin(), path.end(), u'\\', u'/');
            paths.insert(std::string(path.begin(), path.end()));
        }
        return paths;
    }
    BOOL Record(const std::u16string& path) {
        tagDB_File record{};
        record.MediaType = ZEL_MEDIA_MP3;
        std::u16string copy = path;
        return AddFileToDB(copy.data(), &record);
    }
};

class UmsRebuild : public UmsTest {
protected:
    // A player of the given model with its database library on the drive.
    void StartPlayer(const std::u16string& model, const Adjust& more = {}) {
        Adjust database = WithDatabase();
        ASSERT_EQ(ZEL_SUCCESS, Create(player, DriveInfo(), [&](tagDeviceSettings& s) {
                      database(s);
                      SetField(s.ModelName, model);
                      SetField(s.Extensions, u"MP3.WMA.OGG.WAV.JPG.AVI.TXT");
                      if (more) more(s);
                  }));
        host.Clear();
    }
    RebuildUMS player;
};

// ---- What each family records. ----

struct FamilyCase {
    const char* model;
    std::set<std::string> recorded;
    bool keepsEarlierRecords;  // the log-file family adds to the database it has
};
void PrintTo(const FamilyCase& c, std::ostream* out) { *out << c.model; }

class UmsRebuildFamily : public UmsRebuild, public ::testing::WithParamInterface<FamilyCase> {
protected:
    // One drive with something for every rule: hidden entries, category
    // folders in any case, the folders no walk enters, extensions outside the
    // player's list, and a link back to the root that a walk must not follow.
    void LayOutDrive() {
        zelmediagen::Mp3Options song;
        song.frames = 20;
        song.title = "Harbour Walk";
        song.artist = "The Test Ensemble";
        song.album = "Sample Sessions";
        song.track = 3;
        fs::create_directories(drive.Host("Music"));
        ASSERT_TRUE(zelmediagen::WriteMp3(drive.Host("Music/song.mp3"), song));
        for (const char* name : {"a.mp3", "b.wav", "c.jpg", ".hidden.mp3", "Music/song.wav", "Music/.secret.mp3",
                                 "Music/Live/live.mp3", "Music/Live/talk.jpg", "PHOTO/p.jpg", "PHOTO/p.png",
                                 "Video/v.avi", "Video/clip.mkv", "Imported Files/i.wav", "Extras/x.mp3",
                                 "Text/t.txt", "System/s.mp3", "RECORDED/r.mp3", ".hiddenfolder/h.mp3"})
            drive.WriteFile(name, name);
        fs::create_directory_symlink(drive.Folder(), drive.Host("Music/loop"));
    }
};

TEST_P(UmsRebuildFamily, RecordsWhatTheFamilysRulesTakeWithTheTagsOfMusic) {
    const FamilyCase& c = GetParam();
    LayOutDrive();
    const std::u16string model(c.model, c.model + std::strlen(c.model));
    StartPlayer(model);
    ASSERT_TRUE(player.Record(u"E:\\Extras\\earlier.mp3"));
    player.UpdateDataBase(0);

    ASSERT_EQ(ZEL_SUCCESS, player.RebuildDB());

    std::set<std::string> expected = c.recorded;
    if (c.keepsEarlierRecords) expected.insert("Extras/earlier.mp3");
    EXPECT_EQ(expected, player.RecordedPaths());
    // Written once, at the end.
    EXPECT_EQ(static_cast<int>(expected.size()), DatabaseFileRecords(drive));

    for (const tagDB_File& record : player.Records()) {
        const std::u16string name = Text(record.FileName);
        if (name == u"song.mp3") {
            EXPECT_EQ(ZEL_MEDIA_MP3, record.MediaType);
            EXPECT_EQ(u"Harbour Walk", Text(record.Text1));
            EXPECT_EQ(u"Sample Sessions", Text(record.Text2));
            EXPECT_EQ(u"The Test Ensemble", Text(record.Text3));
            EXPECT_EQ(3u, record.OrderNumber);
            EXPECT_EQ(fs::file_size(drive.Host("Music/song.mp3")), record.FileSize);
        } else if (name == u"p.jpg") {
            EXPECT_EQ(ZEL_MEDIA_JPG, record.MediaType);
            EXPECT_EQ(fs::file_size(drive.Host("PHOTO/p.jpg")), record.FileSize);
            EXPECT_EQ(u"", Text(record.Text1));
        }
    }
}

// The root's files by the player's list; below it only the four category
// folders, each by its own list whatever the player's list says.
const std::set<std::string> kCategoryPlayer = {
    "a.mp3", "b.wav", "c.jpg", ".hidden.mp3", "Music/song.mp3", "Music/song.wav", "Music/.secret.mp3",
    "Music/Live/live.mp3", "PHOTO/p.jpg", "Video/v.avi", "Video/clip.mkv", "Imported Files/i.wav"};

INSTANTIATE_TEST_SUITE_P(
    Families, UmsRebuildFamily,
    ::testing::Values(
        // Everything in the player's list but SYSTEM and RECORDED, hidden entries included.
        FamilyCase{"TestPlayer",
                   {"a.mp3", "b.wav", "c.jpg", ".hidden.mp3", "Music/song.mp3", "Music/song.wav", "Music/.secret.mp3",
                    "Music/Live/live.mp3", "Music/Live/talk.jpg", "PHOTO/p.jpg", "Video/v.avi", "Imported Files/i.wav",
                    "Extras/x.mp3", "Text/t.txt", ".hiddenfolder/h.mp3"},
                   false},
        // MP3, WMA and OGG in every folder, hidden entries skipped.
        FamilyCase{"RW-M41",
                   {"a.mp3", "Music/song.mp3", "Music/Live/live.mp3", "Extras/x.mp3", "System/s.mp3", "RECORDED/r.mp3"},
                   false},
        FamilyCase{"PHW-B2200", kCategoryPlayer, false}, FamilyCase{"PHW-B2200[MTP]", kCategoryPlayer, false},
        // The four media folders only, records added to those the player has.
        FamilyCase{"RW-LC8",
                   {"Music/song.mp3", "Music/song.wav", "Music/.secret.mp3", "Music/Live/live.mp3", "Music/Live/talk.jpg",
                    "PHOTO/p.jpg", "Video/v.avi", "Text/t.txt"},
                   true}),
    [](const ::testing::TestParamInfo<FamilyCase>& info) {
        std::string name;
        for (const char* p = info.param.model; *p; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        return name;
    });

// ---- Refusals and the host's messages. ----

TEST_F(UmsRebuild, RefusesWithoutADatabaseOrTenMegabytesFree) {
    struct Case {
        const char* what;
        Adjust adjust;
        ULONGLONG freeBytes;  // 0: the drive's own
        DWORD result;
    };
    const ULONGLONG mib = 1 << 20;
    for (const Case& c :
         {Case{"no database capability", [](tagDeviceSettings& s) { s.Capabilities &= ~ZEL_CAP_DATABASE; }, 0,
               ZEL_FAILURE},
          Case{"player type 2 loads no database library", [](tagDeviceSettings& s) { s.PlayerType = 2; }, 0,
               ZEL_FAILURE},
          Case{"9 MiB free", {}, 10 * mib - 1, ZEL_ERR_LOW_SPACE},
          Case{"exactly 10 MiB free", {}, 10 * mib, ZEL_SUCCESS}}) {
        SCOPED_TRACE(c.what);
        drive.WriteFile("Music/a.mp3", "a");
        RebuildUMS target;
        Adjust database = WithDatabase();
        ASSERT_EQ(ZEL_SUCCESS, Create(target, DriveInfo(), [&](tagDeviceSettings& s) {
                      database(s);
                      if (c.adjust) c.adjust(s);
                  }));
        target.Record(u"E:\\Music\\gone.mp3");
        target.UpdateDataBase(0);
        const std::string before = drive.ReadFile("System/PlayerDB.zdb");
        ZelSetDriveSpace(u'E', c.freeBytes, c.freeBytes ? 100 * mib : 0);
        host.Clear();

        EXPECT_EQ(c.result, target.RebuildDB());
        ZelSetDriveSpace(u'E', 0, 0);
        if (c.result == ZEL_SUCCESS) {
            EXPECT_EQ((std::set<std::string>{"Music/a.mp3"}), target.RecordedPaths());
        } else {
            EXPECT_TRUE(host.messages.empty());
            EXPECT_EQ(before, drive.ReadFile("System/PlayerDB.zdb"));
        }
    }
}

// The percentages rise without repeats between the start and the end, and the
// host's own messages run meanwhile: one it posts at the start and at each
// percentage is handled right after it.
TEST_F(UmsRebuild, PercentagesRiseBetweenTheStartAndTheEndWhileTheHostsMessagesRun) {
    struct Case {
        int files;
        std::vector<LPARAM> percentages;
    };
    std::vector<LPARAM> all;
    for (LPARAM p = 1; p < 100; ++p) all.push_back(p);
    StartPlayer(u"TestPlayer");
    constexpr WPARAM kPosted = 77;
    ZelSetMainWindow(host.Handle());
    host.onMessage = [this](WPARAM event, LPARAM value) {
        if (event == ZEL_EVENT_REBUILD_BEGIN || event == ZEL_EVENT_REBUILD_PROGRESS)
            PostMessageW(host.Handle(), ZEL_WM_PROGRESS, kPosted, value);
    };
    for (const Case& c : {Case{1, {}}, Case{4, {25, 50, 75}}, Case{7, {14, 28, 42, 57, 71, 85}}, Case{250, all}}) {
        SCOPED_TRACE(c.files);
        fs::remove_all(drive.Host("Text"));
        for (int k = 0; k < c.files; ++k) drive.WriteFile("Text/" + std::to_string(k) + ".txt", "t");
        host.Clear();
        ASSERT_EQ(ZEL_SUCCESS, player.RebuildDB());
        std::vector<Event> expected{{ZEL_EVENT_REBUILD_BEGIN, 0}, {kPosted, 0}};
        for (LPARAM p : c.percentages) expected.insert(expected.end(), {{ZEL_EVENT_REBUILD_PROGRESS, p}, {kPosted, p}});
        expected.emplace_back(ZEL_EVENT_REBUILD_END, 100);
        EXPECT_EQ(expected, host.messages);
        EXPECT_EQ(static_cast<size_t>(c.files), player.RecordedPaths().size());
    }
    host.onMessage = nullptr;
    ZelSetMainWindow(nullptr);
    // The agent rebuilds its family's database: a start and an end, no record of the device's own.
    SetField(player.m_Settings.ModelName, u"RV-500");
    player.Record(u"E:\\Music\\old.mp3");
    host.Clear();
    EXPECT_EQ(ZEL_SUCCESS, player.RebuildDB());
    EXPECT_EQ((std::vector<Event>{{ZEL_EVENT_REBUILD_BEGIN, 0}, {ZEL_EVENT_REBUILD_END, 100}}), host.messages);
    EXPECT_EQ(251u, player.RecordedPaths().size());
}

// ---- The log-file family's templates. ----

TEST_F(UmsRebuild, TheLogFileFamilyStartsEachMediaFolderLogFromTheModelsTemplate) {
    drive.WriteFile("Music/SX_Music.log", "the player's old log");
    drive.WriteFile("photo/p.jpg", "p");
    StartPlayer(u"RW-LC8", [](tagDeviceSettings& s) {
        SetField(s.Folders[1], u"");  // no video or text folder
        SetField(s.Folders[3], u"");
    });
    ASSERT_EQ(ZEL_SUCCESS, player.RebuildDB());

    const std::string templates = ZelHostPath(ZelDataFolder(u"FMT\\RW-LC8").c_str()) + "/FMT/RW-LC8/";
    const std::string musicLog = drive.ReadFile("Music/SX_Music.log");
    EXPECT_NE(musicLog.find("Category=Music"), std::string::npos) << musicLog;
    EXPECT_EQ(zelmediagen::ReadBytes(templates + "Music/SX_Music.log"),
              zelmediagen::Bytes(musicLog.begin(), musicLog.end()));
    EXPECT_TRUE(drive.Exists("photo/SX_Photo.log"));  // the folder as the drive spells it
    // Folders the player does not have are not made for their logs.
    EXPECT_FALSE(drive.Exists("Video") || drive.Exists("Text"));
    EXPECT_EQ((std::set<std::string>{"photo/p.jpg"}), player.RecordedPaths());
}

// The log-file family's records join the database the player has, so a stop
// is taken during the walk only: stopped there, the logs and the records stay
// as they were; stopped among the records, the rebuild runs to its end.
TEST_F(UmsRebuild, TheLogFileFamilyStopsOnlyBeforeItsFirstRecord) {
    for (int k = 0; k < 4; ++k) drive.WriteFile("Music/" + std::to_string(k) + ".mp3", "a");
    StartPlayer(u"RW-LC8");
    ASSERT_TRUE(player.Record(u"E:\\Old\\old.mp3"));
    player.UpdateDataBase(0);
    for (WPARAM cancelAt : {ZEL_EVENT_REBUILD_BEGIN, ZEL_EVENT_REBUILD_PROGRESS}) {
        SCOPED_TRACE(cancelAt);
        drive.WriteFile("Music/SX_Music.log", "the player's old log");
        host.onMessage = [this, cancelAt](WPARAM event, LPARAM) {
            if (event == cancelAt) player.CancelTransfer();
        };
        const DWORD result = player.RebuildDB();
        host.onMessage = nullptr;
        const bool stopped = cancelAt == ZEL_EVENT_REBUILD_BEGIN;
        EXPECT_EQ(stopped ? ZEL_ERR_CANCELLED : ZEL_SUCCESS, result);
        EXPECT_EQ(stopped, drive.ReadFile("Music/SX_Music.log") == "the player's old log");
        EXPECT_EQ(stopped ? 1u : 5u, player.RecordedPaths().size());
    }
}

// ---- A rebuild that never reaches its end. ----

// The host cancels as it cancels a copy, when the rebuild starts (the walk
// stops) or at the first percentage (the records stop): the database the
// player had is open again and the end is sent at the percentage reached. Or
// the process running the rebuild dies at its first percentage, killed or
// ending as a program does (the database library is let go on the way out).
// Each time the player keeps the database file it had, whole.
TEST_F(UmsRebuild, ARebuildThatNeverReachesItsEndLeavesTheDatabaseThePlayerHad) {
    for (int k = 0; k < 8; ++k) drive.WriteFile("Music/" + std::to_string(k) + ".mp3", "a");
    StartPlayer(u"TestPlayer");
    ASSERT_TRUE(player.Record(u"E:\\Old\\old.mp3"));
    player.UpdateDataBase(0);
    const std::string before = drive.ReadFile("System/PlayerDB.zdb");
    enum How { CancelAtStart, CancelAtPercentage, Killed, Exits };
    for (How how : {CancelAtStart, CancelAtPercentage, Killed, Exits}) {
        SCOPED_TRACE(how);
        host.Clear();
        host.onMessage = [this, how](WPARAM event, LPARAM) {
            if (how == CancelAtStart && event == ZEL_EVENT_REBUILD_BEGIN) player.CancelTransfer();
            if (event != ZEL_EVENT_REBUILD_PROGRESS) return;
            if (how == CancelAtPercentage) player.CancelTransfer();
            if (how == Killed) raise(SIGKILL);
            if (how == Exits) std::exit(9);
        };
        if (how == Killed || how == Exits) {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) _exit(player.RebuildDB() == ZEL_SUCCESS ? 0 : 1);
            int status = 0;
            ASSERT_EQ(child, waitpid(child, &status, 0));
            EXPECT_TRUE(how == Killed ? WIFSIGNALED(status) : WIFEXITED(status) && WEXITSTATUS(status) == 9);
        } else {
            EXPECT_EQ(ZEL_ERR_CANCELLED, player.RebuildDB());
            const LPARAM reached = how == CancelAtStart ? 0 : 12;
            std::vector<Event> expected{{ZEL_EVENT_REBUILD_BEGIN, 0}, {ZEL_EVENT_REBUILD_END, reached}};
            if (reached) expected.insert(expected.begin() + 1, {ZEL_EVENT_REBUILD_PROGRESS, reached});
            EXPECT_EQ(expected, host.messages);
            EXPECT_EQ((std::set<std::string>{"Old/old.mp3"}), player.RecordedPaths());
        }
        host.onMessage = nullptr;
        EXPECT_EQ(before, drive.ReadFile("System/PlayerDB.zdb"));
        EXPECT_FALSE(drive.Exists("System/PlayerDB.zdb.new"));
    }
    // A cancel left over from before does not stop the next rebuild.
    EXPECT_EQ(ZEL_SUCCESS, player.RebuildDB());
    EXPECT_EQ(8u, player.RecordedPaths().size());
}

}  // namespace
