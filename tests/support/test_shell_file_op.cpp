// The shell file-operation object: what it refuses and how it fills the shell's
// request. Its silent copy is tried by the format and rebuild tests (templates).
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// An operation over files of the drive; operation 0 leaves it unprepared.
using Names = std::vector<const char16_t*>;
void Prepare(CShellFileOp& op, const TempDrive& drive, UINT operation, const Names& sources, const Names& destinations) {
    for (auto name : sources) op.AddSourceFile(drive.Win(name).c_str());
    for (auto name : destinations) op.AddDestFile(drive.Win(name).c_str());
    if (operation) op.SetOperationFlags(operation, nullptr, FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR);
}

}  // namespace

TEST(ShellFileOp, IncompleteOrMismatchedRequestsAreRefusedWithoutCallingTheShell) {
    TempDrive drive;
    drive.WriteFile("a.txt", "alpha");
    drive.WriteFile("b.txt", "bravo");
    const struct {
        UINT operation;
        Names sources, destinations;
    } cases[] = {
        {0, {u"a.txt"}, {u"X"}},                            // no operation set
        {FO_COPY, {}, {u"X"}},                              // no source
        {FO_MOVE, {u"a.txt"}, {}},                          // no destination
        {5, {u"a.txt"}, {u"X"}},                            // unknown operation
        {FO_COPY, {u"a.txt", u"b.txt"}, {u"X", u"Y", u"Z"}},  // neither one folder nor one each
    };
    for (const auto& c : cases) {
        CShellFileOp op;
        Prepare(op, drive, c.operation, c.sources, c.destinations);
        Outcome out = RunOp(op);
        EXPECT_FALSE(out.ok) << c.operation;
        EXPECT_FALSE(out.started) << c.operation;
        EXPECT_EQ(-1, out.result) << c.operation;
        EXPECT_FALSE(op.IsStarted());
    }
    CShellFileOp zero;
    zero.AddSourceFile(drive.Win(u"a.txt").c_str());
    zero.AddDestFile(drive.Win(u"X").c_str());
    zero.SetOperationFlags(0, nullptr, FOF_SILENT);
    EXPECT_FALSE(RunOp(zero).started);
    EXPECT_FALSE(drive.Exists("X"));
    EXPECT_TRUE(drive.Exists("a.txt"));

    // Delete is the one operation without a destination.
    CShellFileOp erase;
    Prepare(erase, drive, FO_DELETE, {u"a.txt"}, {});
    EXPECT_TRUE(RunOp(erase).ok);
    EXPECT_FALSE(drive.Exists("a.txt"));
}

TEST(ShellFileOp, DestinationsAreOneFolderOrOnePerSource) {
    TempDrive drive;
    drive.WriteFile("a.txt", "alpha");
    drive.WriteFile("b.txt", "bravo");
    CShellFileOp folder;
    Prepare(folder, drive, FO_COPY, {u"a.txt", u"b.txt"}, {u"Out"});
    Outcome out = RunOp(folder);
    ASSERT_TRUE(out.ok);
    EXPECT_TRUE(out.started);
    EXPECT_EQ(0, out.result);
    EXPECT_FALSE(out.aborted);
    EXPECT_FALSE(folder.GetRequest().fFlags & FOF_MULTIDESTFILES);
    EXPECT_EQ("alpha", drive.ReadFile("Out/a.txt"));
    EXPECT_EQ("bravo", drive.ReadFile("Out/b.txt"));

    CShellFileOp each;
    Prepare(each, drive, FO_COPY, {u"a.txt", u"b.txt"}, {u"One\\first.txt", u"Two\\second.txt"});
    ASSERT_TRUE(RunOp(each).ok);
    EXPECT_TRUE(each.GetRequest().fFlags & FOF_MULTIDESTFILES);
    EXPECT_EQ("alpha", drive.ReadFile("One/first.txt"));
    EXPECT_EQ("bravo", drive.ReadFile("Two/second.txt"));

    // Reset forgets lists, flags and state.
    EXPECT_EQ(0, each.Reset());
    EXPECT_TRUE(each.GetSourceFileList().IsEmpty() && each.GetDestFileList().IsEmpty());
    EXPECT_FALSE(each.IsPrepared() || each.IsStarted());
    EXPECT_FALSE(RunOp(each).started);
}

TEST(ShellFileOp, RequestCarriesFlagsOwnerAndTheShellsAnswer) {
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

    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, u"owner", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr));
    CShellFileOp op;
    op.SetOperationFlags(FO_COPY, &owner, FOF_SILENT);
    EXPECT_EQ(owner.GetSafeHwnd(), op.GetRequest().hwnd);
    op.SetOperationFlags(FO_COPY, nullptr, FOF_SILENT | FOF_NOCONFIRMATION);
    EXPECT_EQ(nullptr, op.GetRequest().hwnd);

    // A shell failure comes back through the pointers, which may also be null.
    TempDrive drive;
    op.AddSourceFile(drive.Win(u"missing.txt").c_str());
    op.AddDestFile(drive.Win(u"Out").c_str());
    op.SetProgressDlgTitle(u"Copying");
    Outcome out = RunOp(op);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.started);
    EXPECT_TRUE(op.IsStarted());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, out.result);
    EXPECT_TRUE(out.aborted);
    EXPECT_FALSE(op.Go(nullptr, nullptr, nullptr));
}
