// The reference player database library on its own: look-ups, the file it
// keeps on the player's drive, and what a failed or killed write leaves.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "ZELPlayerDB.h"
#include "core_fixture.h"
#include "zelcompat/faults.h"
#include "zelcompat/window.h"

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
    static bool Holds(const std::u16string& path) { return ZELDB_GetRecord(path.c_str(), nullptr) != 0; }
    static int Count() { return ZELDB_ListRecords(nullptr, 0); }
    // Opens the database again from its file.
    static BOOL Reopen() {
        ZELDB_Create(0, nullptr, 0);
        return ZELDB_Create(u'E', nullptr, 0);
    }

    TempDrive drive;
};

TEST_F(PlayerDbTest, LookupsIgnoreCaseAndDrive) {
    ASSERT_TRUE(Add(u"E:\\Music", u"Song.MP3"));
    EXPECT_TRUE(Holds(u"E:\\MUSIC\\song.mp3"));
    EXPECT_TRUE(Holds(u"e:\\music\\SONG.MP3"));
    EXPECT_TRUE(Holds(u"\\Music\\Song.MP3"));
    EXPECT_FALSE(Holds(u"E:\\Music\\Song.MP"));
    EXPECT_FALSE(Holds(u"E:\\Song.MP3"));

    auto found = std::make_unique<tagDB_File>();
    ASSERT_TRUE(ZELDB_GetRecord(u"E:\\music\\song.mp3", found.get()));
    EXPECT_EQ(std::u16string(found->FileName), u"Song.MP3");  // as recorded
}

TEST_F(PlayerDbTest, TheSamePathIsRecordedOnce) {
    Add(u"E:\\Music", u"a.mp3");
    Add(u"E:\\Music", u"b.mp3");
    tagDB_File again = Record(ZEL_MEDIA_MP3, u"E:\\MUSIC", u"A.MP3");
    SetText(again.Text1, u"second");
    ASSERT_TRUE(ZELDB_AddRecord(&again));
    std::vector<tagDB_File> records(3);
    ASSERT_EQ(ZELDB_ListRecords(records.data(), 3), 2);
    EXPECT_EQ(std::u16string(records[0].Text1), u"second");  // replaced where it was
    EXPECT_EQ(std::u16string(records[1].FileName), u"b.mp3");
    EXPECT_TRUE(ZELDB_DeleteRecord(u"E:\\music\\a.mp3"));
    EXPECT_FALSE(ZELDB_DeleteRecord(u"E:\\music\\a.mp3"));
    EXPECT_EQ(Count(), 1);
}

TEST_F(PlayerDbTest, EveryFieldSurvivesTheFile) {
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
    auto text = [](size_t units, char16_t fill) {
        std::u16string t(units - 2, fill);
        return t + u"\U0001F3B5";
    };
    SetText(full.Folder, u"E:\\" + text(ZEL_DBFOLDER - 4, u'f'));
    SetText(full.FileName, text(ZEL_DBFILENAME - 1, u'n'));
    SetText(full.Text1, text(ZEL_DBTEXT - 1, u'1'));
    SetText(full.Text2, text(ZEL_DBTEXT - 1, u'2'));
    SetText(full.Text3, text(ZEL_DBTEXT - 1, u'3'));
    SetText(full.ShortText1, text(ZEL_DBSHORTTEXT - 1, u's'));
    SetText(full.ShortText2, text(ZEL_DBSHORTTEXT - 1, u't'));
    ASSERT_TRUE(ZELDB_AddRecord(&full));
    ASSERT_TRUE(ZELDB_DBSync(1));
    ASSERT_TRUE(Reopen());

    std::u16string path = std::u16string(full.Folder) + u"\\" + full.FileName;
    auto back = std::make_unique<tagDB_File>();
    ASSERT_TRUE(ZELDB_GetRecord(path.c_str(), back.get()));
    EXPECT_EQ(std::memcmp(back.get(), &full, sizeof full), 0);
}

TEST_F(PlayerDbTest, ManyRecordsAreFoundAfterReloading) {
    for (int k = 0; k < 5000; ++k) Add(ZelFormat(u"E:\\Music\\%d", k % 50), ZelFormat(u"t%05d.mp3", k));
    ASSERT_TRUE(ZELDB_DBSync(1));
    ASSERT_TRUE(Reopen());
    EXPECT_EQ(Count(), 5000);
    for (int k = 0; k < 5000; k += 37) EXPECT_TRUE(Holds(ZelFormat(u"E:\\MUSIC\\%d\\T%05d.MP3", k % 50, k)));
}

TEST_F(PlayerDbTest, ModeOneStartsEmptyOnTheDrive) {
    Add(u"E:\\Music", u"a.mp3");
    ASSERT_TRUE(ZELDB_DBSync(1));
    ASSERT_TRUE(Reopen());
    EXPECT_EQ(Count(), 1);
    ASSERT_TRUE(ZELDB_Create(u'e', nullptr, 1));
    EXPECT_EQ(Count(), 0);
    ASSERT_TRUE(Reopen());  // the empty database was written at once
    EXPECT_EQ(Count(), 0);
}

TEST_F(PlayerDbTest, NothingWorksWithoutAnOpenDatabase) {
    ZELDB_Create(0, nullptr, 0);
    EXPECT_FALSE(Add(u"E:\\Music", u"a.mp3"));
    EXPECT_FALSE(ZELDB_DBSync(1));
    EXPECT_FALSE(ZELDB_Create(u'?', nullptr, 0));
    EXPECT_FALSE(ZELDB_Create(0x10045, nullptr, 0));
    ASSERT_TRUE(ZELDB_Create(u'E', nullptr, 0));
    EXPECT_FALSE(Add(u"E:\\Music", u""));  // a record needs a name
    EXPECT_FALSE(ZELDB_AddRecord(nullptr));
}

TEST_F(PlayerDbTest, AnUnreadableFileIsNotTaken) {
    for (int k = 0; k < 10; ++k) Add(u"E:\\Music", ZelFormat(u"%d.mp3", k));
    ASSERT_TRUE(ZELDB_DBSync(1));
    std::string bytes = drive.ReadFile(kFile);
    for (size_t at : {size_t(3), bytes.size() / 2, bytes.size() - 1}) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x20);
        drive.WriteFile(kFile, damaged);
        EXPECT_FALSE(Reopen()) << at;
        EXPECT_EQ(Count(), 0);
    }
    drive.WriteFile(kFile, bytes.substr(0, bytes.size() - 4));
    EXPECT_FALSE(Reopen());
    // The next write replaces the damaged file.
    Add(u"E:\\Music", u"new.mp3");
    ASSERT_TRUE(ZELDB_DBSync(1));
    ASSERT_TRUE(Reopen());
    EXPECT_EQ(Count(), 1);
}

TEST_F(PlayerDbTest, AFailedWriteLeavesThePreviousFile) {
    for (int k = 0; k < 100; ++k) Add(u"E:\\Music", ZelFormat(u"%d.mp3", k));
    ASSERT_TRUE(ZELDB_DBSync(1));
    const std::string before = drive.ReadFile(kFile);

    Add(u"E:\\Music", u"more.mp3");
    int fault = ZelInjectFault(kTempWin, ZEL_FAULT_WRITE, ERROR_DISK_FULL, 1000);
    EXPECT_FALSE(ZELDB_DBSync(1));
    ZelRemoveFault(fault);
    EXPECT_EQ(drive.ReadFile(kFile), before);
    EXPECT_FALSE(drive.Exists(kTemp));
    EXPECT_TRUE(ZELDB_DBSync(1));  // the change is still pending and goes out now
    ASSERT_TRUE(Reopen());
    EXPECT_EQ(Count(), 101);
}

// The child process dies the moment the library reports its write failed: the
// new file is half written and nothing was cleaned up, as when a process is
// killed in the middle of a sync.
TEST_F(PlayerDbTest, AProcessKilledInTheMiddleOfASyncLeavesTheOldDatabase) {
    for (int k = 0; k < 200; ++k) Add(u"E:\\Music", ZelFormat(u"old%03d.mp3", k));
    ASSERT_TRUE(ZELDB_DBSync(1));
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
        for (int k = 0; k < 200; ++k) Add(u"E:\\Music", ZelFormat(u"new%03d.mp3", k));
        ZELDB_DBSync(1);
        _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);

    EXPECT_EQ(drive.ReadFile(kTemp).size(), 4096u);  // the half-written new file
    EXPECT_EQ(drive.ReadFile(kFile), before);
    ASSERT_TRUE(Reopen());
    EXPECT_EQ(Count(), 200);
    EXPECT_TRUE(Holds(u"E:\\Music\\old199.mp3"));
    EXPECT_FALSE(Holds(u"E:\\Music\\new000.mp3"));
}

// A child that keeps rewriting the database is killed at arbitrary moments;
// the file on the drive is always one whole version or the other.
TEST_F(PlayerDbTest, KillsAtArbitraryMomentsLeaveAWholeDatabase) {
    for (int k = 0; k < 3000; ++k) Add(u"E:\\Music", ZelFormat(u"base%04d.mp3", k));
    ASSERT_TRUE(ZELDB_DBSync(1));
    std::mt19937 random(11);
    for (int round = 0; round < 8; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int n = 0;; ++n) {
                if (n % 2 == 0)
                    Add(u"E:\\Music", u"marker.mp3");
                else
                    ZELDB_DeleteRecord(u"E:\\Music\\marker.mp3");
                ZELDB_DBSync(1);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 30000));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(Reopen()) << "round " << round;
        int count = Count();
        EXPECT_TRUE(count == 3000 || count == 3001) << count;
        EXPECT_EQ(Holds(u"E:\\Music\\marker.mp3"), count == 3001);
    }
}

std::vector<tagProgressReport> g_reports;

LRESULT CALLBACK RecordReports(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ZEL_WM_PROGRESS) {
        g_reports.push_back(*reinterpret_cast<const tagProgressReport*>(lParam));
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(PlayerDbTest, WritingReportsProgressToTheWindow) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = RecordReports;
    windowClass.lpszClassName = u"ZelPlayerDbReports";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, u"ZelPlayerDbReports", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ZELDB_Create(u'E', window, 0));
    for (int k = 0; k < 2000; ++k) Add(u"E:\\Music", ZelFormat(u"%04d.mp3", k));
    g_reports.clear();
    ASSERT_TRUE(ZELDB_DBSync(1));
    DestroyWindow(window);
    UnregisterClassW(u"ZelPlayerDbReports", nullptr);

    const DWORD size = static_cast<DWORD>(drive.ReadFile(kFile).size());
    ASSERT_GE(g_reports.size(), 4u);  // start, more than one chunk, end
    EXPECT_EQ(g_reports.front().Event, ZEL_REPORT_START);
    EXPECT_EQ(g_reports.front().Done, 0u);
    EXPECT_EQ(g_reports.back().Event, ZEL_REPORT_END);
    EXPECT_EQ(g_reports.back().Done, size);
    for (size_t k = 1; k + 1 < g_reports.size(); ++k) {
        EXPECT_EQ(g_reports[k].Event, ZEL_REPORT_PROGRESS);
        EXPECT_GT(g_reports[k].Done, g_reports[k - 1].Done);
        EXPECT_EQ(g_reports[k].Total, size);
    }
}

}  // namespace
