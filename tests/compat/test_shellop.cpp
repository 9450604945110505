// SHFileOperationW: copy, move, delete and rename over double-zero-terminated lists.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tempdrive.h"
#include "zelcompat/debug.h"
#include "zelcompat/faults.h"
#include "zelcompat/files.h"
#include "zelcompat/shellop.h"

namespace {

// A double-zero-terminated list of the given paths.
std::u16string List(std::initializer_list<std::u16string> paths) {
    std::u16string list;
    for (const auto& path : paths) {
        list += path;
        list += u'\0';
    }
    list += u'\0';
    return list;
}

struct Op {
    SHFILEOPSTRUCTW request{};
    std::u16string from, to;
    Op(UINT function, std::u16string fromList, std::u16string toList, FILEOP_FLAGS flags)
        : from(std::move(fromList)), to(std::move(toList)) {
        request.wFunc = function;
        request.pFrom = from.c_str();
        request.pTo = to.empty() ? nullptr : to.c_str();
        request.fFlags = flags;
        request.fAnyOperationsAborted = TRUE;  // must be written back
    }
    int Run() { return SHFileOperationW(&request); }
};

const FILEOP_FLAGS kQuiet = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

// A small tree: Src\a.txt, Src\b.mp3, Src\Sub\c.txt, Src\Sub\Deep\d.txt
void MakeTree(const TempDrive& drive) {
    drive.WriteFile("Src/a.txt", "alpha");
    drive.WriteFile("Src/b.mp3", "bravo");
    drive.WriteFile("Src/Sub/c.txt", "charlie");
    drive.WriteFile("Src/Sub/Deep/d.txt", "delta");
}

}  // namespace

TEST(ShellOpCopy, OneItemGoesIntoAnExistingFolderOrBecomesAMissingName) {
    TempDrive drive;
    MakeTree(drive);
    std::filesystem::create_directories(drive.Host("Dest"));
    Op into(FO_COPY, List({drive.Win(u"Src")}), List({drive.Win(u"Dest")}), kQuiet);
    ASSERT_EQ(0, into.Run());
    EXPECT_FALSE(into.request.fAnyOperationsAborted);
    EXPECT_EQ("delta", drive.ReadFile("Dest/Src/Sub/Deep/d.txt"));
    Op folder(FO_COPY, List({drive.Win(u"Src")}), List({drive.Win(u"Copy")}), kQuiet);
    ASSERT_EQ(0, folder.Run());
    EXPECT_EQ("delta", drive.ReadFile("Copy/Sub/Deep/d.txt"));
    EXPECT_FALSE(drive.Exists("Copy/Src"));
    Op file(FO_COPY, List({drive.Win(u"SRC\\A.TXT")}), List({drive.Win(u"New\\Deeper\\renamed.txt")}), kQuiet);
    EXPECT_EQ(0, file.Run());
    EXPECT_EQ("alpha", drive.ReadFile("New/Deeper/renamed.txt"));
}

TEST(ShellOpCopy, WildcardTakesTheMatchingContentOfTheFolder) {
    TempDrive drive;
    MakeTree(drive);
    drive.WriteFile("Src/Folder.txt/inner.txt", "folder named like a file");
    Op all(FO_COPY, List({drive.Win(u"Src\\*.*")}), List({drive.Win(u"All")}), kQuiet);
    ASSERT_EQ(0, all.Run());
    EXPECT_EQ("bravo", drive.ReadFile("All/b.mp3"));
    EXPECT_EQ("delta", drive.ReadFile("All/Sub/Deep/d.txt"));
    EXPECT_FALSE(drive.Exists("All/Src"));
    Op files(FO_COPY, List({drive.Win(u"Src\\*.TXT")}), List({drive.Win(u"Files")}), kQuiet | FOF_FILESONLY);
    ASSERT_EQ(0, files.Run());
    EXPECT_TRUE(drive.Exists("Files/a.txt"));
    EXPECT_FALSE(drive.Exists("Files/b.mp3"));
    EXPECT_FALSE(drive.Exists("Files/Folder.txt"));
}

TEST(ShellOpCopy, MultipleDestinationsPairEachSourceWithItsTarget) {
    TempDrive drive;
    MakeTree(drive);
    std::filesystem::create_directories(drive.Host("Existing"));
    Op op(FO_COPY, List({drive.Win(u"Src\\a.txt"), drive.Win(u"Src\\b.mp3"), drive.Win(u"Src\\Sub")}),
          List({drive.Win(u"One\\first.txt"), drive.Win(u"Existing"), drive.Win(u"Two")}),
          kQuiet | FOF_MULTIDESTFILES);
    ASSERT_EQ(0, op.Run());
    EXPECT_EQ("alpha", drive.ReadFile("One/first.txt"));
    EXPECT_EQ("bravo", drive.ReadFile("Existing/b.mp3"));  // a file given an existing folder goes into it
    EXPECT_EQ("charlie", drive.ReadFile("Two/c.txt"));

    Op mismatched(FO_COPY, List({drive.Win(u"Src\\a.txt"), drive.Win(u"Src\\b.mp3")}),
                  List({drive.Win(u"X"), drive.Win(u"Y"), drive.Win(u"Z")}), kQuiet | FOF_MULTIDESTFILES);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, mismatched.Run());
    EXPECT_TRUE(mismatched.request.fAnyOperationsAborted);
    // Without the flag, several destinations are not accepted either.
    Op plain(FO_COPY, List({drive.Win(u"Src\\a.txt")}), List({drive.Win(u"X"), drive.Win(u"Y")}), kQuiet);
    EXPECT_NE(0, plain.Run());
    EXPECT_FALSE(drive.Exists("X"));
}

TEST(ShellOpCopy, CollisionsReplaceOrGetANewName) {
    TempDrive drive;
    drive.WriteFile("a.txt", "new");
    drive.WriteFile("Out/a.txt", "old");
    drive.WriteFile("Out/Copy of a.txt", "older copy");
    Op renamed(FO_COPY, List({drive.Win(u"a.txt")}), List({drive.Win(u"Out")}), kQuiet | FOF_RENAMEONCOLLISION);
    ASSERT_EQ(0, renamed.Run());
    EXPECT_EQ("old", drive.ReadFile("Out/a.txt"));
    EXPECT_EQ("new", drive.ReadFile("Out/Copy (2) of a.txt"));
    // A copy onto itself always gets a new name.
    Op self(FO_COPY, List({drive.Win(u"a.txt")}), List({drive.Win(u"")}), kQuiet);
    ASSERT_EQ(0, self.Run());
    EXPECT_EQ("new", drive.ReadFile("Copy of a.txt"));
    // Otherwise the existing file is replaced, even a read-only one.
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"Out\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    Op replaced(FO_COPY, List({drive.Win(u"a.txt")}), List({drive.Win(u"Out")}), kQuiet);
    ASSERT_EQ(0, replaced.Run());
    EXPECT_EQ("new", drive.ReadFile("Out/a.txt"));
}

TEST(ShellOpCopy, RefusalsAndFailuresStopTheRun) {
    TempDrive drive;
    MakeTree(drive);
    Op inside(FO_COPY, List({drive.Win(u"Src")}), List({drive.Win(u"src\\Sub")}), kQuiet);
    EXPECT_NE(0, inside.Run());
    EXPECT_FALSE(drive.Exists("Src/Sub/Src"));

    // Every source is looked up before the first copy.
    Op missing(FO_COPY, List({drive.Win(u"Src\\a.txt"), drive.Win(u"missing.txt")}), List({drive.Win(u"Out")}),
               kQuiet);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, missing.Run());
    EXPECT_TRUE(missing.request.fAnyOperationsAborted);
    EXPECT_FALSE(drive.Exists("Out/a.txt"));

    ZelInjectFault(drive.Win(u"Out\\Sub\\c.txt").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL);
    Op full(FO_COPY, List({drive.Win(u"Src\\*.*")}), List({drive.Win(u"Out")}), kQuiet);
    EXPECT_EQ(ERROR_DISK_FULL, full.Run());
    EXPECT_TRUE(full.request.fAnyOperationsAborted);
    EXPECT_TRUE(drive.Exists("Out/a.txt"));  // done before the failure
    EXPECT_FALSE(drive.Exists("Out/Sub/Deep/d.txt"));
}

TEST(ShellOpMove, FolderMergesIntoAnExistingFolderOfTheSameName) {
    TempDrive drive;
    MakeTree(drive);
    drive.WriteFile("Out/Src/keep.txt", "kept");
    drive.WriteFile("Out/Src/a.txt", "old");
    Op op(FO_MOVE, List({drive.Win(u"Src")}), List({drive.Win(u"Out")}), kQuiet);
    ASSERT_EQ(0, op.Run());
    EXPECT_EQ("kept", drive.ReadFile("Out/Src/keep.txt"));
    EXPECT_EQ("alpha", drive.ReadFile("Out/Src/a.txt"));
    EXPECT_EQ("delta", drive.ReadFile("Out/Src/Sub/Deep/d.txt"));
    EXPECT_FALSE(drive.Exists("Src"));
    // Moving into the folder it already lies in changes nothing.
    Op stay(FO_MOVE, List({drive.Win(u"Out\\Src")}), List({drive.Win(u"Out")}), kQuiet);
    EXPECT_EQ(0, stay.Run());
    EXPECT_EQ(std::vector<std::string>{"Src"}, [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(drive.Host("Out"))) names.push_back(e.path().filename());
        return names;
    }());
}

TEST(ShellOpMove, FolderCrossesFileSystemsByCopyAndDelete) {
    TempDrive source(u'E');
    char pattern[] = "/dev/shm/zelshellXXXXXX";
    char* made = mkdtemp(pattern);
    ASSERT_NE(nullptr, made);
    std::string other = made;
    struct stat a {}, b {};
    stat(source.Folder().c_str(), &a);
    stat(other.c_str(), &b);
    if (a.st_dev == b.st_dev) {
        std::filesystem::remove_all(other);
        GTEST_SKIP() << "no second file system";
    }
    ZelMapDrive(u'G', other.c_str());
    MakeTree(source);
    Op op(FO_MOVE, List({source.Win(u"Src")}), List({u"G:\\"}), kQuiet);
    int result = op.Run();
    std::ifstream in(other + "/Src/Sub/Deep/d.txt", std::ios::binary);
    std::string moved(std::istreambuf_iterator<char>(in), {});
    ZelUnmapDrive(u'G');
    std::filesystem::remove_all(other);
    EXPECT_EQ(0, result);
    EXPECT_EQ("delta", moved);
    EXPECT_FALSE(source.Exists("Src"));
}

TEST(ShellOpDelete, FoldersGoWholeAndFilesOnlyLeavesFolders) {
    TempDrive drive;
    MakeTree(drive);
    drive.WriteFile("Other/x.txt", "x");
    Op files(FO_DELETE, List({drive.Win(u"Src\\*.*")}), u"", kQuiet | FOF_FILESONLY);
    ASSERT_EQ(0, files.Run());
    EXPECT_FALSE(drive.Exists("Src/a.txt"));
    EXPECT_TRUE(drive.Exists("Src/Sub/Deep/d.txt"));

    ZelInjectFault(drive.Win(u"Src\\Sub").c_str(), ZEL_FAULT_REMOVEDIR, ERROR_ACCESS_DENIED);
    Op blocked(FO_DELETE, List({drive.Win(u"Src")}), u"", kQuiet);
    EXPECT_EQ(ERROR_ACCESS_DENIED, blocked.Run());
    EXPECT_TRUE(drive.Exists("Src/Sub"));
    ZelClearFaults();
    // Read-only files go too.
    drive.WriteFile("Src/Sub/locked.txt", "locked");
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"Src\\Sub\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    Op whole(FO_DELETE, List({drive.Win(u"Src")}), u"", kQuiet | FOF_ALLOWUNDO);
    ASSERT_EQ(0, whole.Run());
    EXPECT_FALSE(drive.Exists("Src"));
    EXPECT_TRUE(drive.Exists("Other/x.txt"));
}

TEST(ShellOpRename, BareNameStaysInTheSourceFolderAndNothingIsOverwritten) {
    TempDrive drive;
    MakeTree(drive);
    Op op(FO_RENAME, List({drive.Win(u"Src\\Sub")}), List({u"Renamed"}), kQuiet);
    ASSERT_EQ(0, op.Run());
    EXPECT_EQ("charlie", drive.ReadFile("Src/Renamed/c.txt"));
    EXPECT_FALSE(drive.Exists("Src/Sub"));
    Op taken(FO_RENAME, List({drive.Win(u"Src\\a.txt")}), List({drive.Win(u"Src\\b.mp3")}), kQuiet);
    EXPECT_NE(0, taken.Run());
    EXPECT_EQ("bravo", drive.ReadFile("Src/b.mp3"));
    Op several(FO_RENAME, List({drive.Win(u"Src\\a.txt"), drive.Win(u"Src\\b.mp3")}), List({u"c.txt"}), kQuiet);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, several.Run());
}

TEST(ShellOpRequest, MalformedRequestsAreRefused) {
    TempDrive drive;
    drive.WriteFile("a.txt", "alpha");
    EXPECT_EQ(ERROR_INVALID_PARAMETER, SHFileOperationW(nullptr));
    Op unknown(7, List({drive.Win(u"a.txt")}), List({drive.Win(u"b.txt")}), kQuiet);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, unknown.Run());
    Op empty(FO_COPY, std::u16string(2, u'\0'), List({drive.Win(u"b.txt")}), kQuiet);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, empty.Run());
    Op noDestination(FO_COPY, List({drive.Win(u"a.txt")}), u"", kQuiet);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, noDestination.Run());
    EXPECT_TRUE(noDestination.request.fAnyOperationsAborted);
    EXPECT_FALSE(drive.Exists("b.txt"));
}
