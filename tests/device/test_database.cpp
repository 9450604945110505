// The player database: the reference library on its own (look-ups, the file
// it keeps on the player's drive, what a failed or killed write leaves), and
// the device object's bridge to it, loaded from the drive as a host configures it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <thread>

#include "ZELPlayerDB.h"
#include "device_fixture.h"

namespace {

const char kFile[] = "System/PlayerDB.zdb";
const char kTemp[] = "System/PlayerDB.zdb.new";
const char16_t kTempWin[] = u"E:\\System\\PlayerDB.zdb.new";

class PlayerDbTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ZELDB_Create(u'E', nullptr, 1)); }
    // Closes the database while the drive is still there.
    void TearDown() override { ZELDB_Create(0, nullptr, 0); }

    static BOOL Add(const std::u16string& folder, const std::u16string& name, DWORD type = ZEL_MEDIA_MP3) {
        tagDB_File record = Record(type, folder, name);
        return ZELDB_AddRecord(&record);
    }
    // Adds count records named by format to the music folder and writes the file.
    static void Fill(int count, const char16_t* format, bool sync = true) {
        for (int k = 0; k < count; ++k) Add(u"E:\\Music", ZelFormat(format, k));
        if (sync) {
            EXPECT_TRUE(ZELDB_DBSync(1));
        }
    }
    static bool Holds(const std::u16string& path) { return ZELDB_GetRecord(path.c_str(), nullptr) != 0; }
    static int Count() { return ZELDB_ListRecords(nullptr, 0); }
    // Opens the database again from its file.
    static BOOL Reopen() {
        ZELDB_Create(0, nullptr, 0);
        return ZELDB_Create(u'E', nullptr, 0);
    }

    TempDrive drive;
};

TEST_F(PlayerDbTest, RecordsAreFoundIgnoringCaseAndDriveAndKeptOnce) {
    ASSERT_TRUE(Add(u"E:\\Music", u"Song.MP3"));
    EXPECT_TRUE(Holds(u"E:\\MUSIC\\song.mp3") && Holds(u"e:\\music\\SONG.MP3") && Holds(u"\\Music\\Song.MP3"));
    EXPECT_FALSE(Holds(u"E:\\Music\\Song.MP") || Holds(u"E:\\Song.MP3"));
    auto found = std::make_unique<tagDB_File>();
    ASSERT_TRUE(ZELDB_GetRecord(u"E:\\music\\song.mp3", found.get()));
    EXPECT_EQ(std::u16string(found->FileName), u"Song.MP3");  // as recorded

    Add(u"E:\\Music", u"b.mp3");
    tagDB_File again = Record(ZEL_MEDIA_MP3, u"E:\\MUSIC", u"SONG.mp3");
    SetField(again.Text1, u"second");
    ASSERT_TRUE(ZELDB_AddRecord(&again));
    std::vector<tagDB_File> records(3);
    ASSERT_EQ(ZELDB_ListRecords(records.data(), 3), 2);
    EXPECT_EQ(std::u16string(records[0].Text1), u"second");  // replaced where it was
    EXPECT_EQ(std::u16string(records[1].FileName), u"b.mp3");
    EXPECT_TRUE(ZELDB_DeleteRecord(u"E:\\music\\song.mp3"));
    EXPECT_FALSE(ZELDB_DeleteRecord(u"E:\\music\\song.mp3"));
    EXPECT_EQ(Count(), 1);

    EXPECT_FALSE(Add(u"E:\\Music", u""));  // a record needs a name
    EXPECT_FALSE(ZELDB_AddRecord(nullptr));
    ZELDB_Create(0, nullptr, 0);  // nothing works without an open database
    EXPECT_FALSE(Add(u"E:\\Music", u"a.mp3"));
    EXPECT_FALSE(ZELDB_DBSync(1));
    EXPECT_FALSE(ZELDB_Create(u'?', nullptr, 0));
    EXPECT_FALSE(ZELDB_Create(0x10045, nullptr, 0));
}

TEST_F(PlayerDbTest, TheFileKeepsEveryFieldAndEveryRecordAndWritingReportsProgress) {
    HostWindow window(true);
    ASSERT_TRUE(ZELDB_Create(u'E', window.Handle(), 1));
    tagDB_File full{};
    full.MediaType = ZEL_MEDIA_WMA;
    full.FileSize = 0xFFFFFFF0u;
    for (int k = 0; k < 6; ++k) {
        full.Created[k] = 2000u + k;
        full.Modified[k] = 3000u + k;
    }
    full.Number1 = 7;
    full.Number2 = 245;
    full.OrderNumber = 9999;
    full.LyricsFlag = 1;
    // Texts filling their fields, with a character outside the basic plane.
    auto text = [](size_t units, char16_t fill) { return std::u16string(units - 2, fill) + u"\U0001F3B5"; };
    SetField(full.Folder, u"E:\\" + text(ZEL_DBFOLDER - 4, u'f'));
    SetField(full.FileName, text(ZEL_DBFILENAME - 1, u'n'));
    SetField(full.Text1, text(ZEL_DBTEXT - 1, u'1'));
    SetField(full.Text2, text(ZEL_DBTEXT - 1, u'2'));
    SetField(full.Text3, text(ZEL_DBTEXT - 1, u'3'));
    SetField(full.ShortText1, text(ZEL_DBSHORTTEXT - 1, u's'));
    SetField(full.ShortText2, text(ZEL_DBSHORTTEXT - 1, u't'));
    ASSERT_TRUE(ZELDB_AddRecord(&full));
    for (int k = 0; k < 5000; ++k) Add(ZelFormat(u"E:\\Music\\%d", k % 50), ZelFormat(u"t%05d.mp3", k));
    window.reports.clear();
    ASSERT_TRUE(ZELDB_DBSync(1));

    const std::vector<tagProgressReport>& reports = window.reports;
    const DWORD size = static_cast<DWORD>(drive.ReadFile(kFile).size());
    ASSERT_GE(reports.size(), 4u);  // start, more than one chunk, end
    EXPECT_EQ(reports.front().Event, ZEL_REPORT_START);
    EXPECT_EQ(reports.front().Done, 0u);
    EXPECT_EQ(reports.back().Event, ZEL_REPORT_END);
    EXPECT_EQ(reports.back().Done, size);
    for (size_t k = 1; k + 1 < reports.size(); ++k) {
        EXPECT_EQ(reports[k].Event, ZEL_REPORT_PROGRESS);
        EXPECT_GT(reports[k].Done, reports[k - 1].Done);
        EXPECT_EQ(reports[k].Total, size);
    }
    ASSERT_TRUE(Reopen());

    std::u16string path = std::u16string(full.Folder) + u"\\" + full.FileName;
    auto back = std::make_unique<tagDB_File>();
    ASSERT_TRUE(ZELDB_GetRecord(path.c_str(), back.get()));
    EXPECT_EQ(std::memcmp(back.get(), &full, sizeof full), 0);
    EXPECT_EQ(Count(), 5001);
    for (int k = 0; k < 5000; k += 37) EXPECT_TRUE(Holds(ZelFormat(u"E:\\MUSIC\\%d\\T%05d.MP3", k % 50, k)));

    // Mode 1 starts empty; over a file, the file keeps its database until the
    // new one is written, and one that never was is dropped.
    ASSERT_TRUE(ZELDB_Create(u'e', nullptr, 1));
    EXPECT_EQ(Count(), 0);
    Add(u"E:\\Music", u"partial.mp3");
    ASSERT_TRUE(Reopen());
    EXPECT_EQ(Count(), 5001);
    ASSERT_TRUE(ZELDB_Create(u'e', nullptr, 1));
    ASSERT_TRUE(ZELDB_DBSync(1));
    ASSERT_TRUE(Reopen());
    EXPECT_EQ(Count(), 0);
}

// A damaged file is refused; a failed write leaves the previous file.
TEST_F(PlayerDbTest, DamagedFilesAreRefusedAndFailedWritesChangeNothing) {
    Fill(100, u"%d.mp3");
    const std::string bytes = drive.ReadFile(kFile);
    Add(u"E:\\Music", u"more.mp3");
    int fault = ZelInjectFault(kTempWin, ZEL_FAULT_WRITE, ERROR_DISK_FULL, 1000);
    EXPECT_FALSE(ZELDB_DBSync(1));
    ZelRemoveFault(fault);
    EXPECT_EQ(drive.ReadFile(kFile), bytes);
    EXPECT_FALSE(drive.Exists(kTemp));
    EXPECT_TRUE(ZELDB_DBSync(1));  // the change is still pending and goes out now
    ASSERT_TRUE(Reopen());
    EXPECT_EQ(Count(), 101);

    for (size_t at : {size_t(3), bytes.size() / 2, bytes.size() - 1}) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x20);
        drive.WriteFile(kFile, damaged);
        EXPECT_FALSE(Reopen()) << at;
        EXPECT_EQ(Count(), 0);
    }
    drive.WriteFile(kFile, bytes.substr(0, bytes.size() - 4));
    EXPECT_FALSE(Reopen());
    Add(u"E:\\Music", u"new.mp3");  // the next write replaces the damaged file
    ASSERT_TRUE(ZELDB_DBSync(1));
    ASSERT_TRUE(Reopen());
    EXPECT_EQ(Count(), 1);
}

// The child process dies the moment the library reports its write failed: the
// new file is half written and nothing was cleaned up, as when a process is
// killed in the middle of a sync.
TEST_F(PlayerDbTest, KilledWritesLeaveAWholeDatabase) {
    Fill(200, u"old%03d.mp3");
    const std::string before = drive.ReadFile(kFile);
    ASSERT_GT(before.size(), 8192u);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ZelSetDebugSink(
            [](LPCWSTR line, void*) {
                if (std::u16string(line).rfind(u"[PlayerDB] Can't write", 0) == 0) raise(SIGKILL);
            },
            nullptr);
        ZelInjectFault(kTempWin, ZEL_FAULT_WRITE, ERROR_DISK_FULL, 4096);
        Fill(200, u"new%03d.mp3", false);
        ZELDB_DBSync(1);
        _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    EXPECT_EQ(drive.ReadFile(kTemp).size(), 4096u);  // the half-written new file
    EXPECT_EQ(drive.ReadFile(kFile), before);
    ASSERT_TRUE(Reopen());
    EXPECT_EQ(Count(), 200);
    Add(u"E:\\Music", u"next.mp3");  // the leftover new file does not stand in the way
    ASSERT_TRUE(ZELDB_DBSync(1));
    ASSERT_TRUE(Reopen());
    EXPECT_EQ(Count(), 201);

    // A child that keeps rewriting the database is killed at arbitrary
    // moments; the file on the drive is always one whole version or the other.
    Fill(2799, u"base%04d.mp3");
    std::mt19937 random(11);
    for (int round = 0; round < 8; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int n = 0;; ++n) {
                n % 2 ? ZELDB_DeleteRecord(u"E:\\Music\\marker.mp3") : Add(u"E:\\Music", u"marker.mp3");
                ZELDB_DBSync(1);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 30000));
        kill(child, SIGKILL);
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(Reopen()) << "round " << round;
        int count = Count();
        EXPECT_TRUE(count == 3000 || count == 3001) << count;
        EXPECT_EQ(Holds(u"E:\\Music\\marker.mp3"), count == 3001);
    }
}

// Two processes keep one player's database at once, each having read it
// before the other wrote: every record of both ends up in the file, whether
// each writes after every record or once at the end.
TEST_F(PlayerDbTest, WritersInTwoProcessesKeepEachOthersRecords) {
    Fill(5, u"old%d.mp3");
    for (bool syncEach : {true, false}) {
        SCOPED_TRACE(syncEach ? "a write per record" : "one write at the end");
        int go[2];
        ASSERT_EQ(0, pipe(go));
        pid_t children[2];
        for (int k = 0; k < 2; ++k) {
            children[k] = fork();
            ASSERT_GE(children[k], 0);
            if (children[k] == 0) {
                close(go[1]);
                bool ok = Reopen();  // both read the file as it is now
                char start;
                ok = ok && read(go[0], &start, 1) == 1;
                for (int n = 0; n < 20 && ok; ++n) {
                    ok = Add(u"E:\\Music", ZelFormat(u"p%d-%d-%02d.mp3", syncEach ? 1 : 2, k, n)) != 0;
                    if (syncEach) ok = ok && ZELDB_DBSync(1);
                }
                if (k == 1) ok = ok && ZELDB_DeleteRecord(ZelFormat(u"E:\\Music\\old%d.mp3", syncEach ? 0 : 1).c_str());
                ok = ok && ZELDB_DBSync(1);
                _exit(ok ? 0 : 1);
            }
        }
        close(go[0]);
        ASSERT_EQ(2, write(go[1], "gg", 2));
        close(go[1]);
        for (pid_t child : children) {
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        ASSERT_TRUE(Reopen());
        EXPECT_EQ(Count(), syncEach ? 44 : 83);
        EXPECT_FALSE(Holds(ZelFormat(u"E:\\Music\\old%d.mp3", syncEach ? 0 : 1)));
        EXPECT_TRUE(Holds(u"E:\\Music\\p1-0-19.mp3") && Holds(u"E:\\Music\\p1-1-00.mp3"));
        EXPECT_FALSE(drive.Exists(kTemp));
    }
}

// The device object's bridge.
class DeviceDbTest : public ::testing::Test {
protected:
    void SetUp() override { Open(*device); }
    // Loads the library into d and opens the drive's database.
    void Open(TestDevice& d, int mode = 0) {
        d.m_strDriveRoot = u"E:\\";
        UseDatabase(d.m_Settings, drive);
        ASSERT_EQ(d.DB_LoadDBLibrary(), 1);
        d.m_pfnZELDB_Create(d.m_Settings.DriveLetter, nullptr, mode);
    }
    // How many records the library loaded from the drive holds.
    int Count() {
        HMODULE module = LoadLibraryW(drive.Win(u"System\\ZELPlayerDB.dll").c_str());  // the one the device holds
        auto list = reinterpret_cast<decltype(&ZELDB_ListRecords)>(
            reinterpret_cast<void*>(GetProcAddress(module, "ZELDB_ListRecords")));
        const int count = list(nullptr, 0);
        FreeLibrary(module);
        return count;
    }
    bool Holds(TestDevice& d, const std::u16string& path, tagDB_File* found = nullptr) {
        auto record = std::make_unique<tagDB_File>();
        return d.m_pfnZELDB_GetRecord(path.c_str(), found ? found : record.get()) != 0;
    }
    BOOL AddFile(std::u16string path, DWORD mediaType, tagDB_File* out = nullptr) {
        tagDB_File record = Record(mediaType, u"C:\\pc", u"source");
        BOOL result = device->AddFileToDB(path.data(), &record);
        if (out) *out = record;
        return result;
    }

    TempDrive drive;  // outlives the device, which writes the database when it lets the library go
    std::unique_ptr<TestDevice> device = std::make_unique<TestDevice>();
};

TEST_F(DeviceDbTest, LoadNeedsTheLibraryAndAllFiveEntryPoints) {
    TestDevice none;
    EXPECT_EQ(none.DB_LoadDBLibrary(), 0);  // no path
    SetField(none.m_Settings.DBLibraryPath, drive.Win(u"System\\Missing.dll"));
    EXPECT_EQ(none.DB_LoadDBLibrary(), 0);
    std::filesystem::copy_file(ZEL_PARTIAL_PLAYERDB_LIBRARY, drive.Host("System/libPartialPlayerDB.so"));
    SetField(none.m_Settings.DBLibraryPath, drive.Win(u"System\\PartialPlayerDB.dll"));
    EXPECT_EQ(none.DB_LoadDBLibrary(), 0);
    EXPECT_NE(none.m_pfnZELDB_GetRecord, nullptr);  // what was found stays
    EXPECT_EQ(none.m_pfnZELDB_DBSync, nullptr);
    EXPECT_EQ(device->DB_LoadDBLibrary(), 1);  // loading again lets the first go
}

TEST_F(DeviceDbTest, AddAndDeleteGoToTheDatabaseExceptNonAudioOnRvM41AndRvM43) {
    tagDB_File stored;
    EXPECT_NE(AddFile(u"E:\\Music\\a.mp3", ZEL_MEDIA_MP3, &stored), 0);
    EXPECT_EQ(std::u16string(stored.FileName), u"a.mp3");
    EXPECT_EQ(std::u16string(stored.Folder), u"E:\\Music");
    tagDB_File found{};
    ASSERT_TRUE(Holds(*device, u"E:\\Music\\a.mp3", &found));
    EXPECT_EQ(found.MediaType, ZEL_MEDIA_MP3);
    std::u16string path = u"E:\\Music\\a.mp3";
    EXPECT_NE(device->DeleteFileToDB(path.data()), 0);
    EXPECT_FALSE(Holds(*device, path));

    SetField(device->m_Settings.ModelName, u"RV-M43");
    tagDB_File refused;
    EXPECT_EQ(AddFile(u"E:\\Photo\\p.jpg", ZEL_MEDIA_JPG, &refused), 0);
    EXPECT_EQ(std::u16string(refused.FileName), u"p.jpg");  // the record was filled all the same
    EXPECT_EQ(Count(), 0);
    EXPECT_NE(AddFile(u"E:\\Music\\a.mp3", ZEL_MEDIA_MP3), 0);
    EXPECT_NE(AddFile(u"E:\\Music\\b.wma", ZEL_MEDIA_ASF_AUDIO), 0);
    SetField(device->m_Settings.ModelName, u"RV-M41");
    EXPECT_EQ(AddFile(u"E:\\Video\\v.wmv", ZEL_MEDIA_WMV), 0);
    EXPECT_EQ(AddFile(u"E:\\Text\\t.txt", ZEL_MEDIA_TXT), 0);
    SetField(device->m_Settings.ModelName, u"RV-M410");
    EXPECT_NE(AddFile(u"E:\\Photo\\p.jpg", ZEL_MEDIA_JPG), 0);
    EXPECT_EQ(Count(), 3);
    EXPECT_TRUE(Holds(*device, u"E:\\Photo\\p.jpg"));

    // A path whose folder or name does not fit the record is not cut into
    // another path, and a record the library refuses is reported.
    DebugLines lines;
    const std::u16string longFolder = u"E:\\" + std::u16string(ZEL_DBFOLDER, u'f');
    const std::u16string longName = u"E:\\Music\\" + std::u16string(ZEL_DBFILENAME, u'n');
    for (const std::u16string& path : {longFolder + u"\\a.mp3", longName}) {
        EXPECT_EQ(AddFile(path, ZEL_MEDIA_MP3), 0);
        EXPECT_TRUE(lines.Has(u"[Device] The path does not fit a database record: " + path));
    }
    EXPECT_EQ(AddFile(u"E:\\Music\\", ZEL_MEDIA_MP3), 0);  // no file name
    EXPECT_TRUE(lines.Has(u"[Device] The player's database did not take the record of E:\\Music\\"));
    EXPECT_EQ(Count(), 3);
}

TEST_F(DeviceDbTest, TreeEntriesAreLookedUpWhenTheDatabaseIsInUse) {
    AddFile(u"E:\\Music\\a.mp3", ZEL_MEDIA_MP3);
    CZEL_File entries[] = {Entry(u"a.mp3", false, u"E:\\Music\\a.mp3"), Entry(u"b.mp3", false, u"E:\\Music\\b.mp3"),
                           Entry(u"Sub", true, u"E:\\Music\\Sub")};
    for (CZEL_File& entry : entries) device->Add2Tree(&entry, 1);
    EXPECT_EQ(entries[0].InDatabase, 1u);
    EXPECT_EQ(entries[1].InDatabase, 0u);
    EXPECT_EQ(entries[2].InDatabase, 1u);

    // A listed folder: files are looked up by the path MakeTree gives them;
    // PLP players and players without the capability never ask.
    device->MoveCurrentPath(u"Music");
    ASSERT_EQ(device->HaveChild(u"Music"), 1);
    device->List({{u"A.MP3", false}, {u"c.mp3", false}});
    device->m_Settings.PlayerType = 2;
    device->MakeTree();
    device->m_Settings.PlayerType = 1;
    device->m_Settings.Capabilities = 0;
    device->MakeTree();
    std::vector<DWORD> inDatabase;
    for (auto it = device->m_itCurrent.begin(); it != device->m_itCurrent.end(); ++it)
        inDatabase.push_back(it->InDatabase);
    EXPECT_EQ(inDatabase, (std::vector<DWORD>{1, 0, 1, 1, 0, 1, 1, 1, 1}));
}

TEST_F(DeviceDbTest, RecordsOutliveTheDeviceObject) {
    AddFile(u"E:\\Music\\a.mp3", ZEL_MEDIA_MP3);
    device->m_pfnZELDB_DBSync(1);
    AddFile(u"E:\\Music\\b.mp3", ZEL_MEDIA_MP3);  // not synced: written when the library goes
    device.reset();
    EXPECT_TRUE(drive.Exists("System/PlayerDB.zdb"));
    TestDevice next;
    Open(next);
    EXPECT_TRUE(Holds(next, u"E:\\Music\\a.mp3"));
    EXPECT_TRUE(Holds(next, u"E:\\Music\\b.mp3"));
}

}  // namespace
