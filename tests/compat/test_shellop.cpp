// SHFileOperationW: copy, move, delete and rename over double-zero-terminated lists.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tempdrive.h"
#include "zelcompat/files.h"
#include "zelcompat/shellop.h"

namespace {

using Paths = std::initializer_list<std::u16string>;

// A double-zero-terminated list of the given paths.
std::u16string List(Paths paths) {
    std::u16string list;
    for (const auto& path : paths) list += path + u'\0';
    return list + u'\0';
}

const FILEOP_FLAGS kQuiet = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

struct Op {
    SHFILEOPSTRUCTW request{};
    std::u16string from, to;
    Op(UINT function, std::u16string fromList, std::u16string toList, FILEOP_FLAGS flags = kQuiet)
        : from(std::move(fromList)), to(std::move(toList)) {
        request.wFunc = function;
        request.pFrom = from.c_str();
        request.pTo = to.empty() ? nullptr : to.c_str();
        request.fFlags = flags;
        request.fAnyOperationsAborted = TRUE;  // must be written back
    }
    int Run() { return SHFileOperationW(&request); }
};

// Runs one operation on the given paths; an empty destination list passes no pTo.
int Shell(UINT function, Paths from, Paths to, FILEOP_FLAGS flags = kQuiet) {
    return Op(function, List(from), to.size() ? List(to) : u"", flags).Run();
}

// A small tree: Src\a.txt, Src\b.mp3, Src\Sub\c.txt, Src\Sub\Deep\d.txt
void MakeTree(const TempDrive& drive) {
    drive.WriteFile("Src/a.txt", "alpha");
    drive.WriteFile("Src/b.mp3", "bravo");
    drive.WriteFile("Src/Sub/c.txt", "charlie");
    drive.WriteFile("Src/Sub/Deep/d.txt", "delta");
}

}  // namespace

TEST(ShellOpCopy, ItemsGoIntoExistingFoldersOrBecomeTheMissingNameOrPairWithTheirTargets) {
    TempDrive drive;
    MakeTree(drive);
    drive.WriteFile("Src/Folder.txt/inner.txt", "folder named like a file");
    std::filesystem::create_directories(drive.Host("Dest"));
    Op into(FO_COPY, List({drive.Win(u"Src")}), List({drive.Win(u"Dest")}));
    ASSERT_EQ(0, into.Run());
    EXPECT_FALSE(into.request.fAnyOperationsAborted);
    EXPECT_EQ("delta", drive.ReadFile("Dest/Src/Sub/Deep/d.txt"));
    ASSERT_EQ(0, Shell(FO_COPY, {drive.Win(u"Src")}, {drive.Win(u"Copy")}));
    EXPECT_EQ("delta", drive.ReadFile("Copy/Sub/Deep/d.txt"));
    EXPECT_FALSE(drive.Exists("Copy/Src"));
    EXPECT_EQ(0, Shell(FO_COPY, {drive.Win(u"SRC\\A.TXT")}, {drive.Win(u"New\\Deeper\\renamed.txt")}));
    EXPECT_EQ("alpha", drive.ReadFile("New/Deeper/renamed.txt"));

    // A wildcard takes the matching content of the folder, not the folder.
    ASSERT_EQ(0, Shell(FO_COPY, {drive.Win(u"Src\\*.*")}, {drive.Win(u"All")}));
    EXPECT_EQ("delta", drive.ReadFile("All/Sub/Deep/d.txt"));
    EXPECT_FALSE(drive.Exists("All/Src"));
    ASSERT_EQ(0, Shell(FO_COPY, {drive.Win(u"Src\\*.TXT")}, {drive.Win(u"Files")}, kQuiet | FOF_FILESONLY));
    EXPECT_TRUE(drive.Exists("Files/a.txt"));
    EXPECT_FALSE(drive.Exists("Files/b.mp3"));
    EXPECT_FALSE(drive.Exists("Files/Folder.txt"));

    // Several destinations pair each source with its target.
    std::filesystem::create_directories(drive.Host("Existing"));
    ASSERT_EQ(0, Shell(FO_COPY, {drive.Win(u"Src\\a.txt"), drive.Win(u"Src\\b.mp3"), drive.Win(u"Src\\Sub")},
                       {drive.Win(u"One\\first.txt"), drive.Win(u"Existing"), drive.Win(u"Two")},
                       kQuiet | FOF_MULTIDESTFILES));
    EXPECT_EQ("alpha", drive.ReadFile("One/first.txt"));
    EXPECT_EQ("bravo", drive.ReadFile("Existing/b.mp3"));  // a file given an existing folder goes into it
    EXPECT_EQ("charlie", drive.ReadFile("Two/c.txt"));

    Op mismatched(FO_COPY, List({drive.Win(u"Src\\a.txt"), drive.Win(u"Src\\b.mp3")}),
                  List({drive.Win(u"X"), drive.Win(u"Y"), drive.Win(u"Z")}), kQuiet | FOF_MULTIDESTFILES);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, mismatched.Run());
    EXPECT_TRUE(mismatched.request.fAnyOperationsAborted);
    // Without the flag, several destinations are not accepted either.
    EXPECT_NE(0, Shell(FO_COPY, {drive.Win(u"Src\\a.txt")}, {drive.Win(u"X"), drive.Win(u"Y")}));
    EXPECT_FALSE(drive.Exists("X"));
}

TEST(ShellOpCopy, CollisionsReplaceOrGetANewName) {
    TempDrive drive;
    drive.WriteFile("a.txt", "new");
    drive.WriteFile("Out/a.txt", "old");
    drive.WriteFile("Out/Copy of a.txt", "older copy");
    ASSERT_EQ(0, Shell(FO_COPY, {drive.Win(u"a.txt")}, {drive.Win(u"Out")}, kQuiet | FOF_RENAMEONCOLLISION));
    EXPECT_EQ("old", drive.ReadFile("Out/a.txt"));
    EXPECT_EQ("new", drive.ReadFile("Out/Copy (2) of a.txt"));
    // A copy onto itself always gets a new name.
    ASSERT_EQ(0, Shell(FO_COPY, {drive.Win(u"a.txt")}, {drive.Win(u"")}));
    EXPECT_EQ("new", drive.ReadFile("Copy of a.txt"));
    // Otherwise the existing file is replaced, even a read-only one.
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"Out\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_EQ(0, Shell(FO_COPY, {drive.Win(u"a.txt")}, {drive.Win(u"Out")}));
    EXPECT_EQ("new", drive.ReadFile("Out/a.txt"));
}

TEST(ShellOpCopy, RefusalsAndFailuresStopTheRun) {
    TempDrive drive;
    MakeTree(drive);
    EXPECT_NE(0, Shell(FO_COPY, {drive.Win(u"Src")}, {drive.Win(u"src\\Sub")}));
    EXPECT_FALSE(drive.Exists("Src/Sub/Src"));

    // Every source is looked up before the first copy.
    Op missing(FO_COPY, List({drive.Win(u"Src\\a.txt"), drive.Win(u"missing.txt")}), List({drive.Win(u"Out")}));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, missing.Run());
    EXPECT_TRUE(missing.request.fAnyOperationsAborted);
    EXPECT_FALSE(drive.Exists("Out/a.txt"));

    ZelInjectFault(drive.Win(u"Out\\Sub\\c.txt").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL);
    Op full(FO_COPY, List({drive.Win(u"Src\\*.*")}), List({drive.Win(u"Out")}));
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
    ASSERT_EQ(0, Shell(FO_MOVE, {drive.Win(u"Src")}, {drive.Win(u"Out")}));
    EXPECT_EQ("kept", drive.ReadFile("Out/Src/keep.txt"));
    EXPECT_EQ("alpha", drive.ReadFile("Out/Src/a.txt"));
    EXPECT_EQ("delta", drive.ReadFile("Out/Src/Sub/Deep/d.txt"));
    EXPECT_FALSE(drive.Exists("Src"));
    // Moving into the folder it already lies in changes nothing.
    EXPECT_EQ(0, Shell(FO_MOVE, {drive.Win(u"Out\\Src")}, {drive.Win(u"Out")}));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(drive.Host("Out")), {}));
    EXPECT_TRUE(drive.Exists("Out/Src/keep.txt"));
}

TEST(ShellOpMove, FolderCrossesFileSystemsByCopyAndDelete) {
    TempDrive source(u'E');
    char pattern[] = "/dev/shm/zelshellXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    std::string other = pattern;
    struct stat a {}, b {};
    stat(source.Folder().c_str(), &a);
    stat(other.c_str(), &b);
    if (a.st_dev == b.st_dev) {
        std::filesystem::remove_all(other);
        GTEST_SKIP() << "no second file system";
    }
    ZelMapDrive(u'G', other.c_str());
    MakeTree(source);
    int result = Shell(FO_MOVE, {source.Win(u"Src")}, {u"G:\\"});
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
    ASSERT_EQ(0, Shell(FO_DELETE, {drive.Win(u"Src\\*.*")}, {}, kQuiet | FOF_FILESONLY));
    EXPECT_FALSE(drive.Exists("Src/a.txt"));
    EXPECT_TRUE(drive.Exists("Src/Sub/Deep/d.txt"));

    ZelInjectFault(drive.Win(u"Src\\Sub").c_str(), ZEL_FAULT_REMOVEDIR, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ERROR_ACCESS_DENIED, Shell(FO_DELETE, {drive.Win(u"Src")}, {}));
    EXPECT_TRUE(drive.Exists("Src/Sub"));
    ZelClearFaults();
    // Read-only files go too; links go as links, and what they lead to stays.
    drive.WriteFile("Src/Sub/locked.txt", "locked");
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"Src\\Sub\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_EQ(0, symlink("../../Other", drive.Host("Src/Sub/other").c_str()));
    ASSERT_EQ(0, symlink("../..", drive.Host("Src/Sub/root").c_str()));
    ASSERT_EQ(0, symlink("../Other/x.txt", drive.Host("Src/x.txt").c_str()));
    ASSERT_EQ(0, Shell(FO_DELETE, {drive.Win(u"Src")}, {}, kQuiet | FOF_ALLOWUNDO));
    EXPECT_FALSE(drive.Exists("Src"));
    EXPECT_EQ("x", drive.ReadFile("Other/x.txt"));
}

TEST(ShellOpRename, BareNameStaysInTheSourceFolderNothingIsOverwrittenAndBadRequestsAreRefused) {
    TempDrive drive;
    MakeTree(drive);
    ASSERT_EQ(0, Shell(FO_RENAME, {drive.Win(u"Src\\Sub")}, {u"Renamed"}));
    EXPECT_EQ("charlie", drive.ReadFile("Src/Renamed/c.txt"));
    EXPECT_FALSE(drive.Exists("Src/Sub"));
    EXPECT_NE(0, Shell(FO_RENAME, {drive.Win(u"Src\\a.txt")}, {drive.Win(u"Src\\b.mp3")}));
    EXPECT_EQ("bravo", drive.ReadFile("Src/b.mp3"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              Shell(FO_RENAME, {drive.Win(u"Src\\a.txt"), drive.Win(u"Src\\b.mp3")}, {u"c.txt"}));

    // Malformed requests are refused.
    EXPECT_EQ(ERROR_INVALID_PARAMETER, SHFileOperationW(nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, Shell(7, {drive.Win(u"a.txt")}, {drive.Win(u"b.txt")}));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, Op(FO_COPY, std::u16string(2, u'\0'), List({drive.Win(u"b.txt")})).Run());
    Op noDestination(FO_COPY, List({drive.Win(u"a.txt")}), u"");
    EXPECT_EQ(ERROR_INVALID_PARAMETER, noDestination.Run());
    EXPECT_TRUE(noDestination.request.fAnyOperationsAborted);
    EXPECT_FALSE(drive.Exists("b.txt"));
}
