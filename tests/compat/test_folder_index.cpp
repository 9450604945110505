// What the kept folder names must never change: a name found without regard to
// case, or a folder listed again, right after the folder was written to (by
// this process or another), and the attributes a listing reads.
#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "lasterror.h"
#include "tempdrive.h"
#include "zelcompat/files.h"

namespace {

struct Listed {
    std::u16string name;
    DWORD attributes;
    DWORD size;
    bool operator==(const Listed&) const = default;
};

std::vector<Listed> List(const std::u16string& pattern) {
    std::vector<Listed> listed;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return listed;
    do {
        listed.push_back({data.cFileName, data.dwFileAttributes, data.nFileSizeLow});
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return listed;
}

bool Found(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::u16string Text(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace

TEST(FolderIndex, NamesInAnotherCaseAreFoundRightAfterEachChange) {
    TempDrive drive;
    for (int k = 0; k < 50; ++k) drive.WriteFile("Music/track" + std::to_string(k) + ".mp3", "");
    const std::u16string music = drive.Win(u"Music\\");
    // Every round first reads the folder for a missing name, then changes it at
    // once and looks for the change in another case: the names kept from the
    // read must not hide what came after it.
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const std::string name = "New" + std::to_string(round) + ".mp3";
        const std::u16string upper = music + u"NEW" + Text(std::to_string(round)) + u".MP3";
        ASSERT_FALSE(Found(upper));
        if (round % 2 == 0) {
            drive.WriteFile("Music/" + name, "");  // another program writes to the folder
        } else {
            HANDLE file = CreateFileW((music + Text(name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, file);
            CloseHandle(file);
        }
        ASSERT_TRUE(Found(upper));
        EXPECT_EQ(drive.Host("Music/" + name), ZelHostPath(upper.c_str()));
    }

    // Renames and deletions are seen as promptly; writing under another case
    // lands in the existing file instead of making a twin.
    ASSERT_TRUE(Found(music + u"TRACK1.MP3"));
    ASSERT_TRUE(MoveFileW((music + u"track1.mp3").c_str(), (music + u"Moved.mp3").c_str()));
    EXPECT_FALSE(Found(music + u"TRACK1.MP3"));
    EXPECT_TRUE(Found(music + u"MOVED.MP3"));
    ASSERT_TRUE(Found(music + u"TRACK2.MP3"));
    ASSERT_EQ(0, std::remove(drive.Host("Music/track2.mp3").c_str()));
    EXPECT_FALSE(Found(music + u"TRACK2.MP3"));
    // Another program gives a name another case: the old spelling must not shadow the new one.
    drive.WriteFile("Music/Zed.mp3", "");
    ASSERT_TRUE(Found(music + u"ZED.MP3"));
    ASSERT_EQ(0, std::rename(drive.Host("Music/Zed.mp3").c_str(), drive.Host("Music/zed.mp3").c_str()));
    EXPECT_EQ(drive.Host("Music/zed.mp3"), ZelHostPath((music + u"ZED.MP3").c_str()));
    ASSERT_FALSE(Found(music + u"TWIN.MP3"));
    drive.WriteFile("Music/twin.mp3", "old");
    HANDLE file = CreateFileW((music + u"TWIN.MP3").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    EXPECT_FALSE(drive.Exists("Music/TWIN.MP3"));
    EXPECT_EQ("", drive.ReadFile("Music/twin.mp3"));
}

// Where the host reports no changes (network file systems, or no watch to be
// had), the folder's times must vouch for the names kept.
TEST(FolderIndex, WithoutChangeReportsTheFolderTimesVouchForTheNames) {
    TempDrive drive;
    for (int k = 0; k < 50; ++k) drive.WriteFile("Music/track" + std::to_string(k) + ".mp3", "");
    ZelInjectFault(drive.Win(u"Music").c_str(), ZEL_FAULT_WATCH, ERROR_ACCESS_DENIED);
    const std::u16string music = drive.Win(u"Music\\");
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const std::u16string upper = music + u"LATE" + Text(std::to_string(round)) + u".MP3";
        ASSERT_FALSE(Found(upper));
        drive.WriteFile("Music/Late" + std::to_string(round) + ".mp3", "");
        ASSERT_TRUE(Found(upper));
    }
}

TEST(FolderIndex, ASearchAgainShowsNewNamesAndCurrentSizes) {
    TempDrive drive;
    drive.WriteFile("Music/b.mp3", "12");
    drive.WriteFile("Music/A.mp3", "1");
    const std::u16string pattern = drive.Win(u"Music\\*.*");
    const DWORD folder = FILE_ATTRIBUTE_DIRECTORY, normal = FILE_ATTRIBUTE_NORMAL;
    EXPECT_EQ((std::vector<Listed>{{u".", folder, 0}, {u"..", folder, 0}, {u"A.mp3", normal, 1}, {u"b.mp3", normal, 2}}),
              List(pattern));
    // A file that grows leaves its folder as it was: the search must still read it anew.
    drive.WriteFile("Music/b.mp3", "12345");
    drive.WriteFile("Music/C.mp3", "");
    ASSERT_EQ(0, std::remove(drive.Host("Music/A.mp3").c_str()));
    EXPECT_EQ((std::vector<Listed>{{u".", folder, 0}, {u"..", folder, 0}, {u"b.mp3", normal, 5}, {u"C.mp3", normal, 0}}),
              List(pattern));
}

TEST(FolderIndex, HiddenAttributesAreListedWhereTheFileSystemKeepsThem) {
    TempDrive drive;
    drive.WriteFile("Music/shown.mp3", "");
    drive.WriteFile("Music/hidden.mp3", "");
    drive.WriteFile("Music/tool.mp3", "");
    drive.WriteFile("Music/.dot.mp3", "");
    drive.WriteFile("Music/Folder/x.mp3", "");
    if (!SetFileAttributesW(drive.Win(u"Music\\hidden.mp3").c_str(), FILE_ATTRIBUTE_HIDDEN)) {
        GTEST_SKIP() << "the file system of " << drive.Folder() << " keeps no extended attributes";
    }
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"Music\\Folder").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    // Set by another program in the same form.
    ASSERT_EQ(0, setxattr(drive.Host("Music/tool.mp3").c_str(), "user.DOSATTRIB", "0x22", 4, 0));

    const DWORD hidden = FILE_ATTRIBUTE_HIDDEN;
    const std::vector<Listed> expected{{u".", FILE_ATTRIBUTE_DIRECTORY, 0},
                                       {u"..", FILE_ATTRIBUTE_DIRECTORY, 0},
                                       {u".dot.mp3", hidden, 0},
                                       {u"Folder", FILE_ATTRIBUTE_DIRECTORY | hidden | FILE_ATTRIBUTE_SYSTEM, 0},
                                       {u"hidden.mp3", hidden, 0},
                                       {u"shown.mp3", FILE_ATTRIBUTE_NORMAL, 0},
                                       {u"tool.mp3", hidden | FILE_ATTRIBUTE_ARCHIVE, 0}};
    EXPECT_EQ(expected, List(drive.Win(u"Music\\*.*")));
    // Read again from the kept names, and after the attribute changed (which leaves the folder as it was).
    EXPECT_EQ(expected, List(drive.Win(u"Music\\*.*")));
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"Music\\HIDDEN.MP3").c_str(), FILE_ATTRIBUTE_NORMAL));
    const std::vector<Listed> shown = List(drive.Win(u"Music\\h*.*"));
    EXPECT_EQ((std::vector<Listed>{{u"hidden.mp3", FILE_ATTRIBUTE_NORMAL, 0}}), shown);
}
