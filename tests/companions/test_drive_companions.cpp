// The drive-format and safe-removal libraries on their own: what a quick format
// removes and what it must never reach, its stages and how the callback stops
// it, the drives and arguments it refuses, and the flush of a drive.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ZELDevice/abi/DriveFormat.h"
#include "ZELDevice/abi/SafeRemoval.h"
#include "host_fixture.h"
#include "tempdrive.h"

extern "C" BOOL SFRemove(WCHAR driveLetter);

namespace fs = std::filesystem;

namespace {

struct Call {
    DWORD stage, value;
    BYTE percent;
};

// Records the callback's calls; stop decides which call is answered 0.
struct Recorder {
    std::vector<Call> calls;
    std::function<bool(const Call&)> stop = [](const Call&) { return false; };
    static BOOL Callback(DWORD stage, DWORD value, BYTE percent, void* context) {
        auto* self = static_cast<Recorder*>(context);
        self->calls.push_back({stage, value, percent});
        return self->stop(self->calls.back()) ? 0 : 1;
    }
    std::vector<DWORD> Notices() const {
        std::vector<DWORD> notices;
        for (const Call& call : calls)
            if (call.stage == DK_STAGE_NOTICE) notices.push_back(call.value);
        return notices;
    }
};

class DriveFormat : public ::testing::Test {
protected:
    DriveFormat() {
        // What lies outside the drive, where links on the drive point.
        outside.WriteFile("keep.txt", "outside");
        outside.WriteFile("keepdir/inner.txt", "inner");
    }
    // A player's worth of entries: folders, a hidden file, a read-only file and
    // links that lead out of the drive, back up inside it and nowhere.
    void Fill() {
        drive.WriteFile("Music/Rock/a.mp3", "aaaa");
        drive.WriteFile("Music/b.mp3", "bb");
        drive.WriteFile(".hidden", "h");
        drive.WriteFile("System/PlayerDB.zdb", "db");
        drive.WriteFile("readonly.txt", "r");
        fs::permissions(drive.Host("readonly.txt"), fs::perms::owner_read);
        fs::create_symlink(outside.Host("keep.txt"), drive.Host("file-link"));
        fs::create_directory_symlink(outside.Host("keepdir"), drive.Host("folder-link"));
        fs::create_directory_symlink("..", drive.Host("Music/up"));
        fs::create_symlink(outside.Host("missing"), drive.Host("dangling"));
    }
    int Format(Recorder& recorder, char letter = 'E') {
        return DK_Format(static_cast<BYTE>(letter), "XPL Player DB", 0, 0x20, &Recorder::Callback, &recorder);
    }
    void ExpectOutsideUntouched() {
        EXPECT_EQ("outside", outside.ReadFile("keep.txt"));
        EXPECT_EQ("inner", outside.ReadFile("keepdir/inner.txt"));
        EXPECT_EQ((std::vector<std::string>{"keep.txt", "keepdir", "keepdir/inner.txt"}), outside.Entries());
    }

    TempDrive drive;
    TempDrive outside{u'O'};
    DebugLines debug;
};

TEST_F(DriveFormat, RemovesEverythingOnTheDriveAndNothingElse) {
    Fill();
    Recorder recorder;
    ASSERT_EQ(DK_OK, Format(recorder));

    EXPECT_TRUE(drive.Entries().empty());
    EXPECT_TRUE(fs::is_directory(drive.Folder()));
    ExpectOutsideUntouched();

    // Each stage is announced as it begins; the percentages climb to 100.
    EXPECT_EQ((std::vector<DWORD>{DK_STAGE_INIT, DK_STAGE_TABLES, DK_STAGE_WRITE}), recorder.Notices());
    std::vector<BYTE> percents;
    for (const Call& call : recorder.calls)
        if (call.stage == DK_STAGE_PERCENT) percents.push_back(call.percent);
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(100, percents.back());
    EXPECT_TRUE(debug.Has(u"[DK_Format] E: formatted, 12 entries removed\n"));
}

TEST_F(DriveFormat, RefusesBadArgumentsAndDrivesItCannotOpen) {
    drive.WriteFile("Music/a.mp3", "a");
    ZelMapDrive(u'M', (drive.Folder() + "/no-such-folder").c_str());
    const std::string unterminated(128, 'x');
    struct Case {
        const char* what;
        BYTE letter;
        const char* model;
        BYTE first, second;
        int result;
    };
    for (const Case& c : {Case{"letter", '1', "M", 0, 8, DK_ERR_PARAMETER},
                          Case{"no model", 'E', nullptr, 0, 8, DK_ERR_PARAMETER},
                          Case{"model without end", 'E', unterminated.c_str(), 0, 8, DK_ERR_PARAMETER},
                          Case{"file system", 'E', "M", 3, 8, DK_ERR_PARAMETER},
                          Case{"cluster of 0", 'E', "M", 0, 0, DK_ERR_PARAMETER},
                          Case{"cluster of 3", 'E', "M", 0, 3, DK_ERR_PARAMETER},
                          Case{"unmapped letter", 'Q', "M", 0, 8, DK_ERR_OPEN},
                          Case{"missing folder", 'M', "M", 0, 8, DK_ERR_OPEN}}) {
        SCOPED_TRACE(c.what);
        Recorder recorder;
        EXPECT_EQ(c.result, DK_Format(c.letter, c.model, c.first, c.second, &Recorder::Callback, &recorder));
        EXPECT_TRUE(recorder.calls.empty());
        EXPECT_EQ("a", drive.ReadFile("Music/a.mp3"));
    }
    ZelUnmapDrive(u'M');
    // A lower-case letter names the same drive; the callback may be absent.
    EXPECT_EQ(DK_OK, DK_Format('e', "M", 2, 8, nullptr, nullptr));
    EXPECT_TRUE(drive.Entries().empty());
}

TEST_F(DriveFormat, StopsWhereTheCallbackAnswersNoAndNamesWhatStayed) {
    struct Case {
        const char* what;
        std::function<bool(const Call&)> stop;
        int result;
        bool someRemoved;
    };
    const auto notice = [](DWORD stage) { return [stage](const Call& c) { return c.stage == DK_STAGE_NOTICE && c.value == stage; }; };
    for (const Case& c : {Case{"initialising", notice(DK_STAGE_INIT), DK_STAGE_INIT, false},
                          Case{"tables", notice(DK_STAGE_TABLES), DK_STAGE_TABLES, false},
                          Case{"writing", notice(DK_STAGE_WRITE), DK_STAGE_WRITE, false},
                          Case{"half way", [](const Call& c) { return c.stage == DK_STAGE_PERCENT && c.percent >= 50; },
                               DK_STAGE_WRITE, true}}) {
        SCOPED_TRACE(c.what);
        drive.WriteFile("Music/a.mp3", "a");
        drive.WriteFile("Music/b.mp3", "b");
        drive.WriteFile("Text/c.txt", "c");
        drive.WriteFile("d.txt", "d");
        const size_t before = drive.Entries().size();
        Recorder recorder;
        recorder.stop = c.stop;
        debug.lines.clear();
        EXPECT_EQ(c.result, Format(recorder));
        const size_t after = drive.Entries().size();
        EXPECT_EQ(c.someRemoved, after < before);
        EXPECT_GT(after, 0u);
        // The stop is the callback's last call, and what stayed in the root is named.
        EXPECT_TRUE(c.stop(recorder.calls.back()));
        for (const auto& entry : fs::directory_iterator(drive.Folder())) {
            const std::string name = entry.path().filename().string();
            const std::string line = "[DK_Format] not removed: E:\\" + name + (entry.is_directory() ? " (and what it holds)" : "") + "\n";
            EXPECT_TRUE(debug.Has(std::u16string(line.begin(), line.end()))) << line;
        }
    }
}

// An entry this process cannot remove: a file in a folder without write
// permission, or, for a user whom permissions do not stop, an immutable file.
// False when neither can be made here.
bool MakeUnremovable(const std::string& folder, const std::string& file) {
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    if (access(folder.c_str(), W_OK) != 0) return true;
    fs::permissions(folder, fs::perms::owner_all);
    int fd = open(file.c_str(), O_RDONLY);
    int flags = 0;
    bool made = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                (flags |= FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (fd >= 0) close(fd);
    return made;
}

void MakeRemovable(const std::string& folder, const std::string& file) {
    fs::permissions(folder, fs::perms::owner_all);
    int fd = open(file.c_str(), O_RDONLY);
    int flags = 0;
    if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL)) {
        flags &= ~FS_IMMUTABLE_FL;
        ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    if (fd >= 0) close(fd);
}

TEST_F(DriveFormat, AnEntryThatCannotBeRemovedIsNamedAndTheRestGoes) {
    Fill();
    drive.WriteFile("Kept/stays.mp3", "s");
    if (!MakeUnremovable(drive.Host("Kept"), drive.Host("Kept/stays.mp3")))
        GTEST_SKIP() << "no entry can be made unremovable here";
    Recorder recorder;
    const int result = Format(recorder);
    MakeRemovable(drive.Host("Kept"), drive.Host("Kept/stays.mp3"));

    EXPECT_EQ(DK_ERR_WRITE, result);
    EXPECT_EQ((std::vector<std::string>{"Kept", "Kept/stays.mp3"}), drive.Entries());
    ExpectOutsideUntouched();
    const auto named = std::find_if(debug.lines.begin(), debug.lines.end(), [](const std::u16string& line) {
        return line.rfind(u"[DK_Format] not removed: E:\\Kept\\stays.mp3 (", 0) == 0;
    });
    EXPECT_NE(debug.lines.end(), named);
}

TEST(SafeRemoval, FlushesAMappedDriveAndSaysWhetherItMayBeUnplugged) {
    TempDrive drive;
    DebugLines debug;
    EXPECT_TRUE(SFRemove(u'e'));
    EXPECT_TRUE(debug.Has(u"[SFRemove] E: flushed; the player may be unplugged\n"));
    EXPECT_FALSE(SFRemove(u'Q'));
    EXPECT_TRUE(debug.Has(u"[SFRemove] Q: is not mapped to a folder\n"));
}

}  // namespace
