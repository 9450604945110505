// Win32 file behaviour on a temporary drive: the FAT-like name lookup, DOS
// attributes, search order, links, volumes, injected faults, folder rules,
// CopyFileExW's progress contract and C streams by UTF-16 path.
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "lasterror.h"
#include "tempdrive.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"
#include "zelcompat/wstdio.h"

namespace {

using Names = std::vector<std::u16string>;

Names Search(const std::u16string& pattern) {
    Names names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        names.emplace_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    EXPECT_EQ(ERROR_NO_MORE_FILES, static_cast<int>(GetLastError()));
    FindClose(find);
    return names;
}

HANDLE Open(const std::u16string& path, DWORD access = GENERIC_READ, DWORD disposition = OPEN_EXISTING) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, 0, nullptr);
}

DWORD Attributes(const std::u16string& path) { return GetFileAttributesW(path.c_str()); }

// Records the callback's calls; can raise the cancel flag or answer differently
// at a given chunk call (1-based, 0: never).
struct Recorder {
    std::vector<std::pair<DWORD, LONGLONG>> calls{};  // reason, bytes done
    std::vector<LONGLONG> totals{};
    BOOL* cancel = nullptr;
    size_t cancelAt = 0;
    size_t answerAt = 0;
    DWORD answer = PROGRESS_CONTINUE;
};

DWORD CALLBACK Progress(LARGE_INTEGER total, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER, DWORD stream,
                        DWORD reason, HANDLE, HANDLE, LPVOID data) {
    auto* recorder = static_cast<Recorder*>(data);
    EXPECT_EQ(1u, stream);
    recorder->calls.emplace_back(reason, done.QuadPart);
    recorder->totals.push_back(total.QuadPart);
    size_t chunks = recorder->calls.size() - 1;  // the first call is the stream switch
    if (recorder->cancel && chunks == recorder->cancelAt) *recorder->cancel = TRUE;
    return chunks == recorder->answerAt ? recorder->answer : PROGRESS_CONTINUE;
}

const size_t kSize = 3 * 1024 * 1024 + 123;

int Copy(const TempDrive& drive, const std::u16string& from, const std::u16string& to, Recorder* recorder = nullptr,
         BOOL* cancel = nullptr) {
    return ErrorOf([&] {
        return CopyFileExW(drive.Win(from).c_str(), drive.Win(to).c_str(), recorder ? Progress : nullptr, recorder,
                           cancel, 0);
    });
}

}  // namespace

TEST(FilesLookup, ExactThenCaseInsensitiveCaseTwinsRefusedAndTheDriveTable) {
    TempDrive drive;
    drive.WriteFile("Music/Rock/Song.MP3", "abc");
    HANDLE file = Open(drive.Win(u"MUSIC\\rock\\song.mp3"));
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    char buffer[8] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ("abc", std::string(buffer, read));
    CloseHandle(file);
    EXPECT_EQ(drive.Host("Music/Rock/Song.MP3"), ZelHostPath(drive.Win(u"music\\ROCK\\SONG.mp3").c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ErrorOf([&] { return Open(drive.Win(u"Music\\none.mp3")); }));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, ErrorOf([&] { return Open(drive.Win(u"Nowhere\\none.mp3")); }));

    // An exact match wins over a case twin.
    drive.WriteFile("Music/rock/exact.txt", "lower");
    EXPECT_EQ(drive.Host("Music/rock/exact.txt"), ZelHostPath(drive.Win(u"Music\\rock\\exact.txt").c_str()));

    // Overwriting A.MP3 where a.mp3 exists writes a.mp3.
    drive.WriteFile("a.mp3", "old");
    file = Open(drive.Win(u"A.MP3"), GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(ERROR_ALREADY_EXISTS, static_cast<int>(GetLastError()));
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "new!", 4, &written, nullptr));
    CloseHandle(file);
    EXPECT_EQ("new!", drive.ReadFile("a.mp3"));
    EXPECT_FALSE(drive.Exists("A.MP3"));

    // Folders: case-twin and not-empty refusals; a case change is a rename.
    ASSERT_TRUE(CreateDirectoryW(drive.Win(u"Dir").c_str(), nullptr));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, ErrorOf([&] { return CreateDirectoryW(drive.Win(u"DIR").c_str(), nullptr); }));
    drive.WriteFile("Full/x.txt", "x");
    drive.WriteFile("b.txt", "b");
    EXPECT_EQ(ERROR_DIR_NOT_EMPTY, ErrorOf([&] { return RemoveDirectoryW(drive.Win(u"full").c_str()); }));
    EXPECT_EQ(ERROR_ALREADY_EXISTS,
              ErrorOf([&] { return MoveFileW(drive.Win(u"b.txt").c_str(), drive.Win(u"Full\\X.TXT").c_str()); }));
    EXPECT_TRUE(MoveFileW(drive.Win(u"b.txt").c_str(), drive.Win(u"B.TXT").c_str()));  // a case change is allowed
    EXPECT_TRUE(drive.Exists("B.TXT") && !drive.Exists("b.txt"));

    // The drive table maps both ways; Z: is the host's root unless the host maps it.
    EXPECT_EQ(drive.Folder(), ZelDriveFolder(u'E'));
    EXPECT_EQ(drive.Win(u"Music\\a.mp3"), ZelWindowsPath(drive.Host("Music/a.mp3").c_str()));
    EXPECT_EQ("/usr/lib", ZelHostPath(u"Z:\\usr\\lib"));
    EXPECT_EQ(u"Z:\\usr\\lib", ZelWindowsPath("/usr/lib"));
    EXPECT_EQ("", ZelHostPath(u"Q:\\a.mp3"));  // not mapped
}

TEST(FilesAttributes, ReadOnlyAndHiddenRoundTripAndReadOnlyBlocksChanges) {
    TempDrive drive;
    drive.WriteFile("a.txt", "x");
    std::u16string path = drive.Win(u"a.txt");
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), Attributes(path));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), Attributes(path));
    EXPECT_EQ(ERROR_ACCESS_DENIED, ErrorOf([&] { return DeleteFileW(path.c_str()); }));
    EXPECT_EQ(ERROR_ACCESS_DENIED, ErrorOf([&] { return Open(path, GENERIC_WRITE); }));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_FALSE(drive.Exists("a.txt"));
}

TEST(FilesSearch, OrderIgnoresCaseAndDotsAppearBelowTheRootOnly) {
    TempDrive drive;
    for (const char* name : {"b.mp3", "A.mp3", "c.MP3", "Sub/z.txt", "Sub/Y.txt"}) drive.WriteFile(name, "");
    EXPECT_EQ((Names{u"A.mp3", u"b.mp3", u"c.MP3", u"Sub"}), Search(drive.Win(u"*.*")));
    EXPECT_EQ((Names{u".", u"..", u"Y.txt", u"z.txt"}), Search(drive.Win(u"SUB\\*.*")));
    EXPECT_EQ((Names{u"A.mp3", u"b.mp3", u"c.MP3"}), Search(drive.Win(u"*.mp3")));
    EXPECT_EQ((Names{u"b.mp3"}), Search(drive.Win(u"B.MP3")));
    WIN32_FIND_DATAW data;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ErrorOf([&] { return FindFirstFileW(drive.Win(u"*.wma").c_str(), &data); }));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, ErrorOf([&] { return FindFirstFileW(drive.Win(u"Gone\\*.*").c_str(), &data); }));
}

TEST(FilesSearch, LinkOutOfTheDriveIsNotFollowed) {
    TempDrive drive;
    TempDrive outside(u'F');
    outside.WriteFile("secret.txt", "outside");
    ASSERT_EQ(0, symlink(outside.Host("secret.txt").c_str(), drive.Host("link.txt").c_str()));
    ASSERT_EQ(0, symlink(outside.Folder().c_str(), drive.Host("linkdir").c_str()));
    drive.WriteFile("inside.txt", "in");
    ASSERT_EQ(0, symlink(drive.Host("inside.txt").c_str(), drive.Host("ok.txt").c_str()));

    EXPECT_EQ((Names{u"inside.txt", u"ok.txt"}), Search(drive.Win(u"*.*")));
    EXPECT_NE(kSucceeded, ErrorOf([&] { return Open(drive.Win(u"link.txt")); }));
    EXPECT_NE(kSucceeded, ErrorOf([&] { return Open(drive.Win(u"link.txt"), GENERIC_WRITE, CREATE_ALWAYS); }));
    EXPECT_EQ(ERROR_ACCESS_DENIED, ErrorOf([&] { return Open(drive.Win(u"linkdir\\secret.txt")); }));
    EXPECT_EQ("outside", outside.ReadFile("secret.txt"));
    EXPECT_TRUE(CloseHandle(Open(drive.Win(u"ok.txt"))));

    // The translation to a host path fails with a clear error; it never answers
    // a text that a caller could put a file name after.
    std::string host = "stale";
    for (const char16_t* leaving : {u"linkdir\\lib.so", u"linkdir", u"link.txt"}) {
        SetLastError(0xDEAD);
        host = "stale";
        EXPECT_FALSE(ZelResolveHostPath(drive.Win(leaving).c_str(), host)) << ZelToUtf8(leaving);
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
        EXPECT_EQ("", host);
        EXPECT_EQ("", ZelHostPath(drive.Win(leaving).c_str()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    }
    EXPECT_FALSE(ZelResolveHostPath(drive.Win(u"Gone\\x").c_str(), host));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    ASSERT_TRUE(ZelResolveHostPath(drive.Win(u"new.txt").c_str(), host));
    EXPECT_EQ(drive.Host("new.txt"), host);

    // Links out of the drive are removed as links; what they lead to stays.
    EXPECT_TRUE(DeleteFileW(drive.Win(u"link.txt").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(drive.Win(u"linkdir").c_str()));
    EXPECT_FALSE(std::filesystem::is_symlink(drive.Host("link.txt")) || std::filesystem::is_symlink(drive.Host("linkdir")));
    EXPECT_EQ("outside", outside.ReadFile("secret.txt"));
}

// A link to a folder of the drive (here the drive's own root, as a careless
// "root -> ../.." makes it) is listed as a link and removed as one.
TEST(FilesSearch, LinksInsideTheDriveAreListedAndRemovedAsLinks) {
    TempDrive drive;
    drive.WriteFile("Music/a.mp3", "a");
    std::filesystem::create_directories(drive.Host("Text/sub"));
    ASSERT_EQ(0, symlink("../..", drive.Host("Text/sub/root").c_str()));
    ASSERT_EQ(0, symlink("../../Music/a.mp3", drive.Host("Text/sub/song.mp3").c_str()));

    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(drive.Win(u"Text\\sub\\root").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    FindClose(find);
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
              data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT), Attributes(drive.Win(u"Text\\sub\\song.mp3")) &
                                                               (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(0u, Attributes(drive.Win(u"Music\\a.mp3")) & FILE_ATTRIBUTE_REPARSE_POINT);

    // A link to a folder is no file to delete; removing it as a folder takes the link only.
    EXPECT_EQ(ERROR_ACCESS_DENIED, ErrorOf([&] { return DeleteFileW(drive.Win(u"Text\\sub\\root").c_str()); }));
    EXPECT_TRUE(RemoveDirectoryW(drive.Win(u"Text\\sub\\root").c_str()));
    EXPECT_EQ(ERROR_DIRECTORY, ErrorOf([&] { return RemoveDirectoryW(drive.Win(u"Text\\sub\\song.mp3").c_str()); }));
    EXPECT_TRUE(DeleteFileW(drive.Win(u"Text\\sub\\song.mp3").c_str()));
    EXPECT_EQ("a", drive.ReadFile("Music/a.mp3"));
    EXPECT_TRUE(RemoveDirectoryW(drive.Win(u"Text\\sub").c_str()));
}

TEST(FilesVolume, FreeSpaceLabelWriteProtectionAndInjectedFaults) {
    TempDrive drive;
    ULARGE_INTEGER available, total, free;
    ASSERT_TRUE(GetDiskFreeSpaceExW(drive.Win().c_str(), &available, &total, &free));
    struct statvfs vfs;
    ASSERT_EQ(0, statvfs(drive.Folder().c_str(), &vfs));
    EXPECT_EQ(static_cast<ULONGLONG>(vfs.f_blocks) * vfs.f_frsize, total.QuadPart);
    ZelSetDriveSpace(u'E', 3ull << 30, 8ull << 30);
    ASSERT_TRUE(GetDiskFreeSpaceExW(drive.Win().c_str(), &available, &total, nullptr));
    EXPECT_TRUE(available.QuadPart == 3ull << 30 && total.QuadPart == 8ull << 30);

    HANDLE volume = Open(u"\\\\.\\E:", 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, volume);
    DWORD returned = 0;
    auto writable = [&] {
        return DeviceIoControl(volume, IOCTL_DISK_IS_WRITABLE, nullptr, 0, nullptr, 0, &returned, nullptr);
    };
    EXPECT_EQ(kSucceeded, ErrorOf(writable));
    ZelInjectFault(u"\\\\.\\E:", ZEL_FAULT_IOCTL, ERROR_WRITE_PROTECT);
    EXPECT_EQ(ERROR_WRITE_PROTECT, ErrorOf(writable));
    CloseHandle(volume);

    ZelInjectFault(drive.Win(u"Music\\*").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 5);
    ASSERT_TRUE(CreateDirectoryW(drive.Win(u"Music").c_str(), nullptr));
    HANDLE file = Open(drive.Win(u"music\\a.bin"), GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
    EXPECT_EQ(ERROR_DISK_FULL, ErrorOf([&] { return WriteFile(file, "defg", 4, &written, nullptr); }));
    EXPECT_EQ(2u, written);
    CloseHandle(file);
    EXPECT_EQ("abcde", drive.ReadFile("Music/a.bin"));

    int id = ZelInjectFault(drive.Win(u"a.txt").c_str(), ZEL_FAULT_DELETE, ERROR_ACCESS_DENIED);
    drive.WriteFile("a.txt", "");
    EXPECT_EQ(ERROR_ACCESS_DENIED, ErrorOf([&] { return DeleteFileW(drive.Win(u"A.TXT").c_str()); }));
    ZelRemoveFault(id);
    EXPECT_TRUE(DeleteFileW(drive.Win(u"A.TXT").c_str()));
}

TEST(FilesCopy, CallbackSequenceIsOneStreamSwitchThenGrowingChunks) {
    TempDrive drive;
    drive.WriteFile("src.bin", std::string(kSize, 'x'));
    Recorder recorder;
    ASSERT_EQ(kSucceeded, Copy(drive, u"SRC.BIN", u"dst.bin", &recorder));
    ASSERT_GE(recorder.calls.size(), 3u);  // several chunks for 3 MiB
    EXPECT_EQ(std::make_pair(static_cast<DWORD>(CALLBACK_STREAM_SWITCH), LONGLONG{0}), recorder.calls[0]);
    for (size_t i = 1; i < recorder.calls.size(); ++i)
        EXPECT_TRUE(recorder.calls[i].first == CALLBACK_CHUNK_FINISHED &&
                    recorder.calls[i].second > recorder.calls[i - 1].second) << "call " << i;
    EXPECT_EQ(static_cast<LONGLONG>(kSize), recorder.calls.back().second);
    EXPECT_EQ(std::vector<LONGLONG>(recorder.calls.size(), kSize), recorder.totals);
    EXPECT_EQ(std::string(kSize, 'x'), drive.ReadFile("dst.bin"));
}

// Names in a folder of the drive, hidden ones included, as the host sees them.
std::vector<std::string> HostNames(const TempDrive& drive, const std::string& folder = "") {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(drive.Host(folder)))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A copy that does not complete leaves no partial file and no temporary: over an
// existing file the old one stays as it was, and a new destination is not made
// (save by a stop, which keeps what was copied so it may be resumed).
TEST(FilesCopy, AnUnfinishedCopyLeavesTheOldFileOrNothingAndNoTemporary) {
    TempDrive drive;
    drive.WriteFile("Music/src.bin", std::string(kSize, 'n'));
    struct Ending {
        const char* name;
        size_t cancelAt;  // raise the cancel flag at this chunk call (0: never)
        size_t answerAt;
        DWORD answer;
        ULONGLONG fullAfter;  // the drive is full after this many bytes (0: never)
        int error;
    };
    const Ending endings[] = {
        {"cancel flag", 1, 0, PROGRESS_CONTINUE, 0, ERROR_REQUEST_ABORTED},
        {"callback cancels", 0, 2, PROGRESS_CANCEL, 0, ERROR_REQUEST_ABORTED},
        {"callback stops", 0, 1, PROGRESS_STOP, 0, ERROR_REQUEST_ABORTED},
        {"drive full", 0, 0, PROGRESS_CONTINUE, 1024 * 1024 + 7, ERROR_DISK_FULL},
    };
    for (bool existing : {true, false}) {
        for (const Ending& ending : endings) {
            SCOPED_TRACE(std::string(ending.name) + (existing ? " over a file" : " to a new name"));
            if (existing) drive.WriteFile("Music/dst.bin", "old content");
            BOOL cancel = FALSE;
            Recorder recorder{.cancel = ending.cancelAt ? &cancel : nullptr, .cancelAt = ending.cancelAt,
                              .answerAt = ending.answerAt, .answer = ending.answer};
            int fault = ending.fullAfter ? ZelInjectFault(drive.Win(u"Music\\dst.bin").c_str(), ZEL_FAULT_WRITE,
                                                          ERROR_DISK_FULL, ending.fullAfter)
                                         : 0;
            const char16_t* target = existing ? u"Music\\DST.BIN" : u"Music\\dst.bin";
            EXPECT_EQ(ending.error, Copy(drive, u"Music\\src.bin", target, &recorder, &cancel));
            if (fault) ZelRemoveFault(fault);
            if (ending.cancelAt) { EXPECT_EQ(ending.cancelAt + 1, recorder.calls.size()) << "a chunk after the flag"; }
            const bool kept = existing || ending.answer == PROGRESS_STOP;
            EXPECT_EQ(kept ? (std::vector<std::string>{"dst.bin", "src.bin"}) : std::vector<std::string>{"src.bin"},
                      HostNames(drive, "Music"));
            if (existing) { EXPECT_EQ("old content", drive.ReadFile("Music/dst.bin")); }
            std::filesystem::remove(drive.Host("Music/dst.bin"));
        }
    }
    drive.WriteFile("Music/dst.bin", "old content");
    ASSERT_EQ(kSucceeded, Copy(drive, u"Music\\src.bin", u"Music\\dst.bin"));
    EXPECT_EQ(std::string(kSize, 'n'), drive.ReadFile("Music/dst.bin"));
    EXPECT_EQ((std::vector<std::string>{"dst.bin", "src.bin"}), HostNames(drive, "Music"));

    // A read-only destination is refused and kept; a missing source and a refused overwrite are reported.
    drive.WriteFile("ro.bin", "old");
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"ro.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ERROR_ACCESS_DENIED, Copy(drive, u"Music\\src.bin", u"RO.BIN"));
    EXPECT_EQ("old", drive.ReadFile("ro.bin"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Copy(drive, u"missing.bin", u"x.bin"));
    EXPECT_EQ(ERROR_FILE_EXISTS, ErrorOf([&] {
                  return CopyFileW(drive.Win(u"Music\\src.bin").c_str(), drive.Win(u"ro.bin").c_str(), TRUE);
              }));

    // A link of the drive named as the destination is replaced, not written through.
    drive.WriteFile("Music/kept.bin", "kept");
    ASSERT_EQ(0, symlink("kept.bin", drive.Host("Music/alias.bin").c_str()));
    ASSERT_EQ(kSucceeded, Copy(drive, u"Music\\src.bin", u"Music\\alias.bin"));
    EXPECT_EQ("kept", drive.ReadFile("Music/kept.bin"));
    EXPECT_FALSE(std::filesystem::is_symlink(drive.Host("Music/alias.bin")));
}

// The two calls a writer needs to replace a file by one of its own: a name of
// its own in the same folder, and a rename over the old file.
TEST(FilesCopy, TemporaryNamesAreOwnedAndMovesReplaceInOneStep) {
    TempDrive drive;
    std::filesystem::create_directories(drive.Host("Music"));
    WCHAR first[MAX_PATH], second[MAX_PATH];
    const UINT a = GetTempFileNameW(drive.Win(u"Music").c_str(), u"ZELDEV", 0, first);
    const UINT b = GetTempFileNameW(drive.Win(u"Music\\").c_str(), u"ZELDEV", 0, second);
    ASSERT_TRUE(a != 0 && b != 0 && a != b);
    EXPECT_EQ(0u, std::u16string(first).rfind(drive.Win(u"Music\\ZEL"), 0)) << ZelToUtf8(first);
    EXPECT_EQ(u".TMP", std::u16string(first).substr(std::u16string(first).size() - 4));
    EXPECT_EQ(2u, HostNames(drive, "Music").size()) << "each name is taken by its file";
    EXPECT_EQ(ERROR_PATH_NOT_FOUND,
              ErrorOf([&] { return GetTempFileNameW(drive.Win(u"Gone").c_str(), u"ZEL", 0, first) != 0; }));

    drive.WriteFile("Music/a.mp3", "old");
    drive.WriteFile("Music/new.tmp", "new");
    EXPECT_EQ(ERROR_ALREADY_EXISTS,
              ErrorOf([&] { return MoveFileExW(drive.Win(u"Music\\new.tmp").c_str(), drive.Win(u"Music\\a.mp3").c_str(), 0); }));
    ASSERT_TRUE(MoveFileExW(drive.Win(u"Music\\new.tmp").c_str(), drive.Win(u"MUSIC\\A.MP3").c_str(),
                            MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ("new", drive.ReadFile("Music/a.mp3"));
    EXPECT_FALSE(drive.Exists("Music/new.tmp"));
    drive.WriteFile("Music/ro.mp3", "ro");
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"Music\\ro.mp3").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ERROR_ACCESS_DENIED, ErrorOf([&] {
                  return MoveFileExW(drive.Win(u"Music\\a.mp3").c_str(), drive.Win(u"Music\\ro.mp3").c_str(),
                                     MOVEFILE_REPLACE_EXISTING);
              }));
    EXPECT_EQ(ERROR_ACCESS_DENIED, ErrorOf([&] {
                  return MoveFileExW(drive.Win(u"Music\\a.mp3").c_str(), drive.Win(u"Music").c_str(),
                                     MOVEFILE_REPLACE_EXISTING);
              }));
    EXPECT_EQ("ro", drive.ReadFile("Music/ro.mp3"));
}

TEST(FilesStreams, Utf16LinesComeInPiecesTextModeAppendsAndFailuresAreReported) {
    TempDrive drive;
    FILE* out = _wfopen(drive.Win(u"list.xpl").c_str(), u"wb");
    ASSERT_NE(nullptr, out);
    for (LPCWSTR line : {u"\xFEFFXPL PLAYLIST\r\n", u"0123456789ABCDEF\r\n", u"tail"}) EXPECT_GE(fputws(line, out), 0);
    fclose(out);
    EXPECT_EQ(std::string("\xFF\xFEX\0P\0", 6), drive.ReadFile("list.xpl").substr(0, 6));

    FILE* in = _wfopen(drive.Win(u"LIST.XPL").c_str(), u"rb");
    ASSERT_NE(nullptr, in);
    // A line longer than the buffer comes in pieces of at most size-1 units; a
    // piece stops after the line feed.
    WCHAR line[64];
    for (auto [size, want] : {std::pair{8, u"\xFEFFXPL PL"}, {8, u"AYLIST\r"}, {8, u"\n"},
                              {64, u"0123456789ABCDEF\r\n"}, {64, u"tail"}}) {
        ASSERT_NE(nullptr, fgetws(line, size, in));
        EXPECT_EQ(std::u16string(want), std::u16string(line));
    }
    EXPECT_EQ(nullptr, fgetws(line, 64, in));
    fclose(in);

    // Text mode appends CR LF; failures are reported.
    for (int i = 0; i < 2; ++i) {
        FILE* text = _wfopen(drive.Win(u"test.txt").c_str(), u"at");
        ASSERT_NE(nullptr, text);
        EXPECT_GE(fputws(u"  Rock\n", text), 0);
        fclose(text);
    }
    EXPECT_EQ("  Rock\r\n  Rock\r\n", drive.ReadFile("test.txt"));

    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ErrorOf([&] { return _wfopen(drive.Win(u"none.xpl").c_str(), u"rb"); }));
    EXPECT_NE(kSucceeded, ErrorOf([&] { return _wfopen(drive.Win(u"No\\x.xpl").c_str(), u"wb"); }));
    drive.WriteFile("ro.xpl", "x");
    SetFileAttributesW(drive.Win(u"ro.xpl").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_NE(kSucceeded, ErrorOf([&] { return _wfopen(drive.Win(u"ro.xpl").c_str(), u"wb"); }));

    ZelInjectFault(drive.Win(u"full.bin").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 10);
    out = _wfopen(drive.Win(u"full.bin").c_str(), u"wb");
    ASSERT_NE(nullptr, out);
    std::string block(100, 'q');
    size_t written = fwrite(block.data(), 1, block.size(), out);
    EXPECT_TRUE(fflush(out) != 0 || written < block.size());
    fclose(out);
    EXPECT_EQ(10u, drive.ReadFile("full.bin").size());

    for (const char* name : {"a.xpl", "c.xpl"}) drive.WriteFile(name, "");
    EXPECT_EQ(0, _wrename(drive.Win(u"a.xpl").c_str(), drive.Win(u"b.xpl").c_str()));
    EXPECT_TRUE(drive.Exists("b.xpl"));
    EXPECT_NE(0, _wrename(drive.Win(u"c.xpl").c_str(), drive.Win(u"B.XPL").c_str()));  // b.xpl is taken
}

TEST(FilesStreams, WritingOverAFileReplacesItWholeOrNotAtAll) {
    TempDrive drive;
    auto leftovers = [&] {
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(drive.Folder()))
            count += entry.path().filename().string().rfind(".~zel", 0) == 0;
        return count;
    };
    drive.WriteFile("list.xpl", "old playlist");
    // While the new file is written the old one stays readable; the close puts the new one in place.
    FILE* out = _wfopen(drive.Win(u"list.xpl").c_str(), u"wb");
    ASSERT_NE(nullptr, out);
    ASSERT_EQ(3u, fwrite("new", 1, 3, out));
    fflush(out);
    EXPECT_EQ("old playlist", drive.ReadFile("list.xpl"));
    EXPECT_EQ(0, fclose(out));
    EXPECT_EQ("new", drive.ReadFile("list.xpl"));

    // A write that fails on the way (a full drive) keeps the old file, and the close says so.
    const int fault = ZelInjectFault(drive.Win(u"list.xpl").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 2);
    out = _wfopen(drive.Win(u"LIST.XPL").c_str(), u"wb");
    ASSERT_NE(nullptr, out);
    fwrite("longer text", 1, 11, out);
    EXPECT_NE(0, fclose(out));
    ZelRemoveFault(fault);
    EXPECT_EQ("new", drive.ReadFile("list.xpl"));
    EXPECT_EQ(0u, leftovers());
}
