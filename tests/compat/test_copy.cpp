// CopyFileExW's progress contract and its clean-up on cancel and failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tempdrive.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"

namespace {

struct Call {
    DWORD reason;
    LONGLONG done;
    LONGLONG total;
};

struct Recorder {
    std::vector<Call> calls;
    BOOL* cancel = nullptr;
    size_t cancelAfter = 0;  // sets the cancel flag after this many chunk calls
    DWORD answerAt = 0;      // answer with `answer` at this chunk call (1-based), 0: never
    DWORD answer = PROGRESS_CONTINUE;
};

DWORD CALLBACK Progress(LARGE_INTEGER total, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER, DWORD stream,
                        DWORD reason, HANDLE, HANDLE, LPVOID data) {
    auto* recorder = static_cast<Recorder*>(data);
    EXPECT_EQ(1u, stream);
    recorder->calls.push_back({reason, done.QuadPart, total.QuadPart});
    size_t chunks = 0;
    for (const auto& call : recorder->calls) chunks += call.reason == CALLBACK_CHUNK_FINISHED;
    if (recorder->cancel && recorder->cancelAfter && chunks == recorder->cancelAfter) *recorder->cancel = TRUE;
    if (recorder->answerAt && chunks == recorder->answerAt) return recorder->answer;
    return PROGRESS_CONTINUE;
}

const size_t kSize = 3 * 1024 * 1024 + 123;

}  // namespace

TEST(FilesCopy, CallbackSequenceIsOneStreamSwitchThenGrowingChunks) {
    TempDrive drive;
    drive.WriteFile("src.bin", std::string(kSize, 'x'));
    Recorder recorder;
    SetLastError(0xDEAD);
    ASSERT_TRUE(CopyFileExW(drive.Win(u"SRC.BIN").c_str(), drive.Win(u"dst.bin").c_str(), Progress, &recorder,
                            nullptr, 0));
    ASSERT_GE(recorder.calls.size(), 2u);
    EXPECT_EQ(static_cast<DWORD>(CALLBACK_STREAM_SWITCH), recorder.calls[0].reason);
    EXPECT_EQ(0, recorder.calls[0].done);
    LONGLONG previous = 0;
    for (size_t i = 1; i < recorder.calls.size(); ++i) {
        EXPECT_EQ(static_cast<DWORD>(CALLBACK_CHUNK_FINISHED), recorder.calls[i].reason);
        EXPECT_GT(recorder.calls[i].done, previous);
        EXPECT_EQ(static_cast<LONGLONG>(kSize), recorder.calls[i].total);
        previous = recorder.calls[i].done;
    }
    EXPECT_EQ(static_cast<LONGLONG>(kSize), previous);
    EXPECT_EQ(std::string(kSize, 'x'), drive.ReadFile("dst.bin"));
}

TEST(FilesCopy, CancelFlagAndCancelAnswerDeleteThePartialDestination) {
    TempDrive drive;
    drive.WriteFile("src.bin", std::string(kSize, 'y'));
    BOOL cancel = FALSE;
    Recorder recorder;
    recorder.cancel = &cancel;
    recorder.cancelAfter = 1;
    SetLastError(0xDEAD);
    EXPECT_FALSE(CopyFileExW(drive.Win(u"src.bin").c_str(), drive.Win(u"dst.bin").c_str(), Progress, &recorder,
                             &cancel, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_REQUEST_ABORTED), GetLastError());
    EXPECT_FALSE(drive.Exists("dst.bin"));

    Recorder refusing;
    refusing.answerAt = 2;
    refusing.answer = PROGRESS_CANCEL;
    EXPECT_FALSE(CopyFileExW(drive.Win(u"src.bin").c_str(), drive.Win(u"dst.bin").c_str(), Progress, &refusing,
                             nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_REQUEST_ABORTED), GetLastError());
    EXPECT_FALSE(drive.Exists("dst.bin"));

    Recorder stopping;
    stopping.answerAt = 1;
    stopping.answer = PROGRESS_STOP;
    EXPECT_FALSE(CopyFileExW(drive.Win(u"src.bin").c_str(), drive.Win(u"dst.bin").c_str(), Progress, &stopping,
                             nullptr, 0));
    EXPECT_TRUE(drive.Exists("dst.bin"));  // a stopped copy may be resumed
}

TEST(FilesCopy, FailuresLeaveNoDestination) {
    TempDrive drive;
    drive.WriteFile("src.bin", std::string(kSize, 'z'));
    ZelInjectFault(drive.Win(u"dst.bin").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 1024 * 1024 + 7);
    SetLastError(0xDEAD);
    EXPECT_FALSE(CopyFileExW(drive.Win(u"src.bin").c_str(), drive.Win(u"dst.bin").c_str(), nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), GetLastError());
    EXPECT_FALSE(drive.Exists("dst.bin"));
    ZelClearFaults();

    drive.WriteFile("ro.bin", "old");
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"ro.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    SetLastError(0xDEAD);
    EXPECT_FALSE(CopyFileExW(drive.Win(u"src.bin").c_str(), drive.Win(u"RO.BIN").c_str(), nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ("old", drive.ReadFile("ro.bin"));

    SetLastError(0xDEAD);
    EXPECT_FALSE(CopyFileExW(drive.Win(u"missing.bin").c_str(), drive.Win(u"x.bin").c_str(), nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(CopyFileW(drive.Win(u"src.bin").c_str(), drive.Win(u"ro.bin").c_str(), TRUE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), GetLastError());
}
