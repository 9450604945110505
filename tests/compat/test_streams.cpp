// C streams by UTF-16 path and the wide line functions.
#include <gtest/gtest.h>

#include <string>

#include "tempdrive.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"
#include "zelcompat/wstdio.h"

TEST(FilesStreams, BinaryLinesAreUtf16AndLongLinesComeInPieces) {
    TempDrive drive;
    FILE* out = _wfopen(drive.Win(u"list.xpl").c_str(), u"wb");
    ASSERT_NE(nullptr, out);
    EXPECT_GE(fputws(u"\xFEFFXPL PLAYLIST\r\n", out), 0);
    EXPECT_GE(fputws(u"0123456789ABCDEF\r\n", out), 0);
    EXPECT_GE(fputws(u"tail", out), 0);
    fclose(out);
    std::string bytes = drive.ReadFile("list.xpl");
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ('\xFF', bytes[0]);
    EXPECT_EQ('\xFE', bytes[1]);
    EXPECT_EQ('X', bytes[2]);
    EXPECT_EQ('\0', bytes[3]);

    FILE* in = _wfopen(drive.Win(u"LIST.XPL").c_str(), u"rb");
    ASSERT_NE(nullptr, in);
    WCHAR line[8];
    ASSERT_NE(nullptr, fgetws(line, 8, in));
    EXPECT_EQ(std::u16string(u"\xFEFFXPL PL"), std::u16string(line));  // at most 7 units
    ASSERT_NE(nullptr, fgetws(line, 8, in));
    EXPECT_EQ(std::u16string(u"AYLIST\r"), std::u16string(line));
    ASSERT_NE(nullptr, fgetws(line, 8, in));
    EXPECT_EQ(std::u16string(u"\n"), std::u16string(line));  // stops after the line feed
    WCHAR wide[64];
    ASSERT_NE(nullptr, fgetws(wide, 64, in));
    EXPECT_EQ(std::u16string(u"0123456789ABCDEF\r\n"), std::u16string(wide));
    ASSERT_NE(nullptr, fgetws(wide, 64, in));
    EXPECT_EQ(std::u16string(u"tail"), std::u16string(wide));
    EXPECT_EQ(nullptr, fgetws(wide, 64, in));
    fclose(in);
}

TEST(FilesStreams, OddByteCountDropsTheLastByteAndTextModeAppends) {
    TempDrive drive;
    drive.WriteFile("odd.bin", std::string("a\0b\0c", 5));
    FILE* in = _wfopen(drive.Win(u"odd.bin").c_str(), u"rb");
    ASSERT_NE(nullptr, in);
    WCHAR line[16];
    ASSERT_NE(nullptr, fgetws(line, 16, in));
    EXPECT_EQ(std::u16string(u"ab"), std::u16string(line));
    EXPECT_EQ(nullptr, fgetws(line, 16, in));
    fclose(in);

    for (int i = 0; i < 2; ++i) {
        FILE* text = _wfopen(drive.Win(u"test.txt").c_str(), u"at");
        ASSERT_NE(nullptr, text);
        EXPECT_GE(fputws(u"  Rock\n", text), 0);
        fclose(text);
    }
    EXPECT_EQ("  Rock\r\n  Rock\r\n", drive.ReadFile("test.txt"));
}

TEST(FilesStreams, OpenFailuresAndInjectedDiskFull) {
    TempDrive drive;
    EXPECT_EQ(nullptr, _wfopen(drive.Win(u"none.xpl").c_str(), u"rb"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, _wfopen(drive.Win(u"No\\x.xpl").c_str(), u"wb"));
    drive.WriteFile("ro.xpl", "x");
    SetFileAttributesW(drive.Win(u"ro.xpl").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(nullptr, _wfopen(drive.Win(u"ro.xpl").c_str(), u"wb"));

    ZelInjectFault(drive.Win(u"full.bin").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 10);
    FILE* out = _wfopen(drive.Win(u"full.bin").c_str(), u"wb");
    ASSERT_NE(nullptr, out);
    std::string block(100, 'q');
    size_t written = fwrite(block.data(), 1, block.size(), out);
    int flushed = fflush(out);
    EXPECT_TRUE(written < block.size() || flushed != 0);
    fclose(out);
    EXPECT_EQ(10u, drive.ReadFile("full.bin").size());

    drive.WriteFile("a.xpl", "");
    EXPECT_EQ(0, _wrename(drive.Win(u"a.xpl").c_str(), drive.Win(u"b.xpl").c_str()));
    EXPECT_TRUE(drive.Exists("b.xpl"));
    drive.WriteFile("c.xpl", "");
    EXPECT_NE(0, _wrename(drive.Win(u"c.xpl").c_str(), drive.Win(u"B.XPL").c_str()));
}
