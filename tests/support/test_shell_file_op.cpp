// The shell file-operation object: what it refuses, how it fills the shell's
// request, and the silent copy routine.
#include <gtest/gtest.h>

#include <string>

#include "ZELDevice/support/ShellFileOp.h"
#include "tempdrive.h"
#include "zelcompat/afxwin.h"

namespace {

struct Outcome {
    BOOL ok;
    BOOL started = -1;
    int result = -1;
    BOOL aborted = -1;
};

Outcome RunOp(CShellFileOp& op) {
    Outcome out{};
    out.ok = op.Go(&out.started, &out.result, &out.aborted);
    return out;
}

}  // namespace

TEST(ShellFileOpRefusal, RunBeforeAnyOperationIsSetCallsNothing) {
    TempDrive drive;
    drive.WriteFile("a.txt", "alpha");
    CShellFileOp op;
    op.AddSourceFile(drive.Win(u"a.txt").c_str());
    op.AddDestFile(drive.Win(u"b.txt").c_str());
    BOOL started = TRUE;
    EXPECT_FALSE(op.Go(&started));
    EXPECT_FALSE(started);
    EXPECT_FALSE(op.IsStarted());
    EXPECT_FALSE(drive.Exists("b.txt"));
}

TEST(ShellFileOpRefusal, IncompleteOrMismatchedListsAreRefused) {
    TempDrive drive;
    drive.WriteFile("a.txt", "alpha");
    drive.WriteFile("b.txt", "bravo");

    CShellFileOp noSource;
    noSource.AddDestFile(drive.Win(u"Out").c_str());
    noSource.SetOperationFlags(FO_COPY, nullptr, FOF_SILENT);
    EXPECT_FALSE(RunOp(noSource).started);

    CShellFileOp noDestination;
    noDestination.AddSourceFile(drive.Win(u"a.txt").c_str());
    noDestination.SetOperationFlags(FO_MOVE, nullptr, FOF_SILENT);
    EXPECT_FALSE(RunOp(noDestination).started);

    for (UINT operation : {0u, 5u}) {
        CShellFileOp unknown;
        unknown.AddSourceFile(drive.Win(u"a.txt").c_str());
        unknown.AddDestFile(drive.Win(u"Out").c_str());
        unknown.SetOperationFlags(operation, nullptr, FOF_SILENT);
        Outcome out = RunOp(unknown);
        EXPECT_FALSE(out.ok) << operation;
        EXPECT_FALSE(out.started) << operation;
    }

    // Two sources and three destinations: neither one folder nor one each.
    CShellFileOp mismatched;
    mismatched.AddSourceFile(drive.Win(u"a.txt").c_str());
    mismatched.AddSourceFile(drive.Win(u"b.txt").c_str());
    for (auto name : {u"X", u"Y", u"Z"}) mismatched.AddDestFile(drive.Win(name).c_str());
    mismatched.SetOperationFlags(FO_COPY, nullptr, FOF_SILENT | FOF_NOCONFIRMATION);
    Outcome out = RunOp(mismatched);
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.started);
    EXPECT_EQ(-1, out.result);  // the shell was not asked
    EXPECT_FALSE(drive.Exists("X"));

    // Delete is the one operation without a destination.
    CShellFileOp erase;
    erase.AddSourceFile(drive.Win(u"a.txt").c_str());
    erase.SetOperationFlags(FO_DELETE, nullptr, FOF_SILENT | FOF_NOCONFIRMATION);
    EXPECT_TRUE(RunOp(erase).ok);
    EXPECT_FALSE(drive.Exists("a.txt"));
}

TEST(ShellFileOpLists, TwoSourcesAndOneDestinationGoIntoThatFolder) {
    TempDrive drive;
    drive.WriteFile("a.txt", "alpha");
    drive.WriteFile("b.txt", "bravo");
    CShellFileOp op;
    op.AddSourceFile(drive.Win(u"a.txt").c_str());
    op.AddSourceFile(drive.Win(u"b.txt").c_str());
    op.AddDestFile(drive.Win(u"Out").c_str());
    op.SetOperationFlags(FO_COPY, nullptr, FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR);
    Outcome out = RunOp(op);
    ASSERT_TRUE(out.ok);
    EXPECT_TRUE(out.started);
    EXPECT_EQ(0, out.result);
    EXPECT_FALSE(out.aborted);
    EXPECT_FALSE(op.GetRequest().fFlags & FOF_MULTIDESTFILES);
    EXPECT_EQ("alpha", drive.ReadFile("Out/a.txt"));
    EXPECT_EQ("bravo", drive.ReadFile("Out/b.txt"));
}

TEST(ShellFileOpLists, OneDestinationPerSourceNamesEachTarget) {
    TempDrive drive;
    drive.WriteFile("a.txt", "alpha");
    drive.WriteFile("b.txt", "bravo");
    CShellFileOp op;
    op.AddSourceFile(drive.Win(u"a.txt").c_str());
    op.AddSourceFile(drive.Win(u"b.txt").c_str());
    op.AddDestFile(drive.Win(u"One\\first.txt").c_str());
    op.AddDestFile(drive.Win(u"Two\\second.txt").c_str());
    op.SetOperationFlags(FO_COPY, nullptr, FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR);
    ASSERT_TRUE(RunOp(op).ok);
    EXPECT_TRUE(op.GetRequest().fFlags & FOF_MULTIDESTFILES);
    EXPECT_EQ("alpha", drive.ReadFile("One/first.txt"));
    EXPECT_EQ("bravo", drive.ReadFile("Two/second.txt"));
    EXPECT_EQ(2, op.GetSourceFileList().GetCount());
    EXPECT_EQ(2, op.GetDestFileList().GetCount());
}

TEST(ShellFileOpRequest, EachChoiceSetsItsShellFlag) {
    const FILEOP_FLAGS flags[] = {FOF_SILENT,         FOF_ALLOWUNDO,         FOF_FILESONLY,      FOF_NOCONFIRMATION,
                                  FOF_NOCONFIRMMKDIR, FOF_RENAMEONCOLLISION, FOF_SIMPLEPROGRESS};
    for (int i = 0; i < 7; ++i) {
        BOOL on[7] = {};
        on[i] = TRUE;
        CShellFileOp op;
        op.SetOperationFlags(FO_COPY, nullptr, on[0], on[1], on[2], on[3], on[4], on[5], on[6]);
        EXPECT_EQ(flags[i], op.GetRequest().fFlags) << i;
        EXPECT_TRUE(op.IsPrepared());
    }
}

TEST(ShellFileOpRequest, OwnerWindowIsTheHandleOfTheObject) {
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, u"owner", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr));
    CShellFileOp op;
    op.SetOperationFlags(FO_COPY, &owner, FOF_SILENT);
    EXPECT_EQ(owner.GetSafeHwnd(), op.GetRequest().hwnd);
    EXPECT_NE(nullptr, op.GetRequest().hwnd);
    op.SetOperationFlags(FO_COPY, nullptr, FOF_SILENT);
    EXPECT_EQ(nullptr, op.GetRequest().hwnd);
}

TEST(ShellFileOpRequest, ShellFailureIsReportedThroughThePointers) {
    TempDrive drive;
    CShellFileOp op;
    op.AddSourceFile(drive.Win(u"missing.txt").c_str());
    op.AddDestFile(drive.Win(u"Out").c_str());
    op.SetProgressDlgTitle(u"Copying");
    op.SetOperationFlags(FO_COPY, nullptr, FOF_SILENT | FOF_NOCONFIRMATION);
    Outcome out = RunOp(op);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.started);
    EXPECT_TRUE(op.IsStarted());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, out.result);
    EXPECT_TRUE(out.aborted);
    // Null pointers are allowed.
    EXPECT_FALSE(op.Go(nullptr, nullptr, nullptr));
}

TEST(ShellFileOpRequest, ResetForgetsEverything) {
    TempDrive drive;
    drive.WriteFile("a.txt", "alpha");
    CShellFileOp op;
    op.AddSourceFile(drive.Win(u"a.txt").c_str());
    op.AddDestFile(drive.Win(u"b.txt").c_str());
    op.SetOperationFlags(FO_COPY, nullptr, FOF_SILENT);
    ASSERT_TRUE(RunOp(op).ok);
    EXPECT_EQ(0, op.Reset());
    EXPECT_TRUE(op.GetSourceFileList().IsEmpty());
    EXPECT_TRUE(op.GetDestFileList().IsEmpty());
    EXPECT_FALSE(op.IsPrepared());
    EXPECT_FALSE(op.IsStarted());
    EXPECT_EQ(0, op.GetRequest().fFlags);
    EXPECT_FALSE(RunOp(op).started);
}

TEST(ShellFileOpSilentCopy, CopiesAFolderWithItsContent) {
    TempDrive pc(u'E');
    TempDrive player(u'F');
    pc.WriteFile("FMT/Model/SYSTEM/db.dat", "template");
    pc.WriteFile("FMT/Model/readme.txt", "text");
    EXPECT_TRUE(ShellSilentCopy(nullptr, pc.Win(u"FMT\\Model\\*.*").c_str(), player.Win(u"").c_str()));
    EXPECT_EQ("template", player.ReadFile("SYSTEM/db.dat"));
    EXPECT_EQ("text", player.ReadFile("readme.txt"));
    // Copying again replaces without asking.
    pc.WriteFile("FMT/Model/readme.txt", "newer");
    EXPECT_TRUE(ShellSilentCopy(nullptr, pc.Win(u"FMT\\Model\\readme.txt").c_str(), player.Win(u"").c_str()));
    EXPECT_EQ("newer", player.ReadFile("readme.txt"));
}

TEST(ShellFileOpSilentCopy, MissingSourceFails) {
    TempDrive drive;
    EXPECT_FALSE(ShellSilentCopy(nullptr, drive.Win(u"nothing").c_str(), drive.Win(u"Out").c_str()));
    EXPECT_FALSE(drive.Exists("Out"));
}
