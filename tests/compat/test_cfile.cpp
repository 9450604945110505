// CFile over the Win32 file calls: how the open modes create and truncate,
// reading, writing and seeking, and the exceptions MFC code expects.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tempdrive.h"
#include "zelcompat/cfile.h"
#include "zelcompat/faults.h"

TEST(CFileModes, CreateTruncatesNoTruncateKeepsAndSeekFollowsTheFile) {
    TempDrive drive;
    drive.WriteFile("a.bin", "0123456789");
    const std::u16string path = drive.Win(u"a.bin");

    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeReadWrite | CFile::modeCreate | CFile::modeNoTruncate));
    EXPECT_EQ(10u, file.GetLength());
    EXPECT_EQ(7u, file.Seek(-3, CFile::end));
    char tail[8] = {};
    EXPECT_EQ(3u, file.Read(tail, sizeof(tail)));
    EXPECT_STREQ("789", tail);
    file.Write("AB", 2);
    EXPECT_EQ(12u, file.GetPosition());
    EXPECT_EQ(2u, file.Seek(2, CFile::begin));
    EXPECT_EQ(5u, file.Seek(3, CFile::current));
    EXPECT_EQ(CString(u"a.bin"), file.GetFileName());
    file.Close();
    EXPECT_EQ("0123456789AB", drive.ReadFile("a.bin"));

    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeWrite | CFile::modeCreate));
    EXPECT_EQ(0u, file.GetLength());
    file.Close();
    EXPECT_EQ("", drive.ReadFile("a.bin"));
}

TEST(CFileModes, FailuresReportTheSystemErrorOrThrow) {
    TempDrive drive;
    const std::u16string missing = drive.Win(u"missing.bin");

    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(missing.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, static_cast<DWORD>(error.m_lOsError));
    EXPECT_EQ(INVALID_HANDLE_VALUE, file.m_hFile);

    bool thrown = false;
    try {
        CFile opened(missing.c_str(), CFile::modeRead);
    } catch (CFileException* exception) {
        thrown = exception->m_lOsError == static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        delete exception;
    }
    EXPECT_TRUE(thrown);

    // A write that does not go through whole throws, as MFC's does.
    const std::u16string full = drive.Win(u"full.bin");
    ZelInjectFault(full.c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 4);
    ASSERT_TRUE(file.Open(full.c_str(), CFile::modeWrite | CFile::modeCreate));
    thrown = false;
    try {
        file.Write("0123456789", 10);
    } catch (CFileException* exception) {
        thrown = exception->m_lOsError == static_cast<LONG>(ERROR_DISK_FULL);
        delete exception;
    }
    EXPECT_TRUE(thrown);
    file.Abort();
    EXPECT_EQ(INVALID_HANDLE_VALUE, file.m_hFile);
}
