// Win32 file behaviour on a temporary drive: set the last error to a sentinel,
// call, and check both the result and GetLastError().
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tempdrive.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"

namespace {

constexpr DWORD kSentinel = 0xDEAD;

std::vector<std::u16string> Search(const std::u16string& pattern) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        names.emplace_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
    FindClose(find);
    return names;
}

}  // namespace

TEST(FilesLookup, MixedCaseNamesFindTheExistingEntry) {
    TempDrive drive;
    drive.WriteFile("Music/Rock/Song.MP3", "abc");
    SetLastError(kSentinel);
    HANDLE file = CreateFileW(drive.Win(u"MUSIC\\rock\\song.mp3").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(3u, GetFileSize(file, nullptr));
    char buffer[8] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(3u, read);
    EXPECT_EQ(std::string("abc"), std::string(buffer, read));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(drive.Host("Music/Rock/Song.MP3"), ZelHostPath(drive.Win(u"music\\ROCK\\SONG.mp3").c_str()));

    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(drive.Win(u"Music\\none.mp3").c_str(), GENERIC_READ, 0, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(drive.Win(u"Nowhere\\none.mp3").c_str(), GENERIC_READ, 0, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST(FilesLookup, OverwriteKeepsTheExistingNameAndCreateFolderRefusesCaseTwin) {
    TempDrive drive;
    drive.WriteFile("a.mp3", "old");
    HANDLE file = CreateFileW(drive.Win(u"A.MP3").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "new!", 4, &written, nullptr));
    CloseHandle(file);
    EXPECT_EQ("new!", drive.ReadFile("a.mp3"));
    EXPECT_FALSE(drive.Exists("A.MP3"));

    ASSERT_TRUE(CreateDirectoryW(drive.Win(u"Music").c_str(), nullptr));
    SetLastError(kSentinel);
    EXPECT_FALSE(CreateDirectoryW(drive.Win(u"MUSIC").c_str(), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    SetLastError(kSentinel);
    EXPECT_FALSE(CreateDirectoryW(drive.Win(u"No\\Such").c_str(), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST(FilesAttributes, ReadOnlyAndHiddenRoundTripAndReadOnlyBlocksDeletion) {
    TempDrive drive;
    drive.WriteFile("a.txt", "x");
    std::u16string path = drive.Win(u"a.txt");
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), GetFileAttributesW(path.c_str()));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), GetFileAttributesW(path.c_str()));

    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), GetFileAttributesW(path.c_str()));
    EXPECT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_FALSE(drive.Exists("a.txt"));

    ASSERT_TRUE(CreateDirectoryW(drive.Win(u"Dir").c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"Dir").c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN),
              GetFileAttributesW(drive.Win(u"dir").c_str()));
    drive.WriteFile(".secret", "");
    EXPECT_TRUE(GetFileAttributesW(drive.Win(u".secret").c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST(FilesSearch, OrderIgnoresCaseAndDotsAppearBelowTheRootOnly) {
    TempDrive drive;
    drive.WriteFile("b.mp3", "");
    drive.WriteFile("A.mp3", "");
    drive.WriteFile("c.MP3", "");
    drive.WriteFile("Sub/z.txt", "");
    drive.WriteFile("Sub/Y.txt", "");
    EXPECT_EQ((std::vector<std::u16string>{u"A.mp3", u"b.mp3", u"c.MP3", u"Sub"}), Search(drive.Win(u"*.*")));
    EXPECT_EQ((std::vector<std::u16string>{u".", u"..", u"Y.txt", u"z.txt"}), Search(drive.Win(u"SUB\\*.*")));
    EXPECT_EQ((std::vector<std::u16string>{u"A.mp3", u"b.mp3", u"c.MP3"}), Search(drive.Win(u"*.mp3")));
    EXPECT_EQ((std::vector<std::u16string>{u"b.mp3"}), Search(drive.Win(u"B.MP3")));

    WIN32_FIND_DATAW data;
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(drive.Win(u"*.wma").c_str(), &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(drive.Win(u"Gone\\*.*").c_str(), &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST(FilesSearch, LinkOutOfTheDriveIsNotFollowed) {
    TempDrive drive;
    TempDrive outside(u'F');
    outside.WriteFile("secret.txt", "outside");
    ASSERT_EQ(0, symlink(outside.Host("secret.txt").c_str(), drive.Host("link.txt").c_str()));
    ASSERT_EQ(0, symlink(outside.Folder().c_str(), drive.Host("linkdir").c_str()));
    drive.WriteFile("inside.txt", "in");
    ASSERT_EQ(0, symlink(drive.Host("inside.txt").c_str(), drive.Host("ok.txt").c_str()));

    EXPECT_EQ((std::vector<std::u16string>{u"inside.txt", u"ok.txt"}), Search(drive.Win(u"*.*")));
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(drive.Win(u"link.txt").c_str(), GENERIC_READ, 0, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(drive.Win(u"link.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, 0, nullptr));
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(drive.Win(u"linkdir\\secret.txt").c_str(), GENERIC_READ, 0,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_EQ("outside", outside.ReadFile("secret.txt"));
    HANDLE ok = CreateFileW(drive.Win(u"ok.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, ok);
    CloseHandle(ok);
}

TEST(FilesVolume, FreeSpaceAgreesWithStatvfsAndCanBeFaked) {
    TempDrive drive;
    ULARGE_INTEGER available, total, free;
    ASSERT_TRUE(GetDiskFreeSpaceExW(drive.Win().c_str(), &available, &total, &free));
    struct statvfs vfs;
    ASSERT_EQ(0, statvfs(drive.Folder().c_str(), &vfs));
    EXPECT_EQ(static_cast<ULONGLONG>(vfs.f_blocks) * vfs.f_frsize, total.QuadPart);
    ULONGLONG expectedFree = static_cast<ULONGLONG>(vfs.f_bavail) * vfs.f_frsize;
    EXPECT_NEAR(static_cast<double>(expectedFree), static_cast<double>(available.QuadPart), 64.0 * 1024 * 1024);

    ZelSetDriveSpace(u'E', 3ull << 30, 8ull << 30);
    ASSERT_TRUE(GetDiskFreeSpaceExW(drive.Win().c_str(), &available, &total, nullptr));
    EXPECT_EQ(3072u, available.QuadPart >> 20);
    EXPECT_EQ(8192u, total.QuadPart >> 20);
}

TEST(FilesVolume, WritableTestLabelAndInjectedWriteProtection) {
    TempDrive drive;
    HANDLE volume = CreateFileW(u"\\\\.\\E:", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, volume);
    DWORD returned = 0;
    EXPECT_TRUE(DeviceIoControl(volume, IOCTL_DISK_IS_WRITABLE, nullptr, 0, nullptr, 0, &returned, nullptr));
    ZelInjectFault(u"\\\\.\\E:", ZEL_FAULT_IOCTL, ERROR_WRITE_PROTECT);
    SetLastError(kSentinel);
    EXPECT_FALSE(DeviceIoControl(volume, IOCTL_DISK_IS_WRITABLE, nullptr, 0, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_WRITE_PROTECT), GetLastError());
    CloseHandle(volume);

    ASSERT_TRUE(SetVolumeLabelW(u"E:\\", u"D4"));
    WCHAR label[40] = {};
    ASSERT_TRUE(GetVolumeInformationW(u"E:\\", label, 40, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(std::u16string(u"D4"), std::u16string(label));
}

TEST(FilesFaults, InjectedDiskFullSurfacesFromWritesAfterTheAllowedBytes) {
    TempDrive drive;
    ZelInjectFault(drive.Win(u"Music\\*").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 5);
    ASSERT_TRUE(CreateDirectoryW(drive.Win(u"Music").c_str(), nullptr));
    HANDLE file = CreateFileW(drive.Win(u"music\\a.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
    SetLastError(kSentinel);
    EXPECT_FALSE(WriteFile(file, "defg", 4, &written, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), GetLastError());
    EXPECT_EQ(2u, written);
    CloseHandle(file);
    EXPECT_EQ("abcde", drive.ReadFile("Music/a.bin"));

    int id = ZelInjectFault(drive.Win(u"a.txt").c_str(), ZEL_FAULT_DELETE, ERROR_ACCESS_DENIED);
    drive.WriteFile("a.txt", "");
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFileW(drive.Win(u"A.TXT").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    ZelRemoveFault(id);
    EXPECT_TRUE(DeleteFileW(drive.Win(u"A.TXT").c_str()));
}

TEST(FilesFolders, RemoveAndMoveFollowWindowsRules) {
    TempDrive drive;
    drive.WriteFile("Full/x.txt", "x");
    SetLastError(kSentinel);
    EXPECT_FALSE(RemoveDirectoryW(drive.Win(u"full").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), GetLastError());
    drive.WriteFile("b.txt", "b");
    SetLastError(kSentinel);
    EXPECT_FALSE(MoveFileW(drive.Win(u"b.txt").c_str(), drive.Win(u"Full\\X.TXT").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_TRUE(MoveFileW(drive.Win(u"b.txt").c_str(), drive.Win(u"B.TXT").c_str()));
    EXPECT_TRUE(drive.Exists("B.TXT"));
    EXPECT_FALSE(drive.Exists("b.txt"));
    EXPECT_TRUE(DeleteFileW(drive.Win(u"Full\\x.txt").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(drive.Win(u"FULL").c_str()));
    EXPECT_FALSE(drive.Exists("Full"));
}
