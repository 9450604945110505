// FAT drives: which file systems count as FAT and where their attributes go,
// FAT's name rules, and the calls that make names refusing what FAT refuses
// before anything is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "filesystems.h"
#include "lasterror.h"
#include "tempdrive.h"
#include "zelcompat/fatnames.h"
#include "zelcompat/files.h"
#include "zelcompat/wstdio.h"

namespace {

using zel::ClassifyFileSystem;

constexpr unsigned long kMsdos = 0x4d44, kExfat = 0x2011BAB0, kFuse = 0x65735546, kExt4 = 0xEF53,
                        kTmpfs = 0x01021994;

TEST(FatDrives, TheFileSystemChoosesTheAttributeRouteAndTheRules) {
    struct Case {
        unsigned long type;
        const char* mountType;
        bool fatAttributes, fatNames, foldsCase;
    };
    const Case cases[] = {
        {kMsdos, "vfat", true, true, true},         // the kernel's FAT: the attribute ioctls
        {kExfat, "exfat", false, true, true},
        {kFuse, "fuse.fusefat", false, true, true},  // FAT through FUSE: no ioctls, no extended attributes
        {kFuse, "fuseblk.exfat", false, true, true},
        {kFuse, "fuse.sshfs", false, false, false},
        {kFuse, "fuseblk", false, false, false},
        {kExt4, "ext4", false, false, false},        // extended attributes
        {kTmpfs, "tmpfs", false, false, false},
    };
    for (const Case& c : cases) {
        const zel::FileSystemTraits traits = ClassifyFileSystem(c.type, c.mountType);
        EXPECT_EQ(traits.fatAttributes, c.fatAttributes) << c.mountType;
        EXPECT_EQ(traits.fatNames, c.fatNames) << c.mountType;
        EXPECT_EQ(traits.foldsCase, c.foldsCase) << c.mountType;
    }
}

TEST(FatDrives, NameRulesInTheirOrder) {
    struct Case {
        std::u16string name;
        ZelNameRule rule;
    };
    const Case cases[] = {
        {u"Song.mp3", ZEL_NAME_ALLOWED},
        {u"Ünïcode ♪ & (live) [1].mp3", ZEL_NAME_ALLOWED},
        {u"CONSOLE.mp3", ZEL_NAME_ALLOWED},
        {u"COM0", ZEL_NAME_ALLOWED},
        {u"a?b.mp3", ZEL_NAME_CHARACTER},
        {u"pipe|", ZEL_NAME_CHARACTER},  // the character comes first
        {std::u16string(u"tab\tname"), ZEL_NAME_CHARACTER},
        {u"song.", ZEL_NAME_TRAILING},
        {u"song ", ZEL_NAME_TRAILING},
        {u"con.mp3", ZEL_NAME_DEVICE},
        {u"Lpt9.txt", ZEL_NAME_DEVICE},
        {u"AUX .txt", ZEL_NAME_DEVICE},
        {std::u16string(255, u'a'), ZEL_NAME_ALLOWED},
        {std::u16string(256, u'a'), ZEL_NAME_TOO_LONG},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZelFatNameRule(c.name.c_str()), c.rule) << std::string(c.name.begin(), c.name.end());
        // Each rule has its own last error, and the error names the rule again.
        EXPECT_EQ(ZelNameRuleOfError(ZelNameRuleError(c.rule)), c.rule);
    }
    EXPECT_EQ(ZelNameRuleOfError(ERROR_ACCESS_DENIED), ZEL_NAME_ALLOWED);
}

// Every call that makes a name refuses one FAT refuses on a FAT drive, with the
// rule's error and nothing left on the drive; the same calls make it elsewhere.
TEST(FatDrives, CallsThatMakeNamesRefuseWhatFatRefusesBeforeWriting) {
    TempDrive drive;
    drive.WriteFile("source.bin", "bytes");
    const std::u16string source = drive.Win(u"source.bin");
    using Make = std::function<bool(const std::u16string&)>;
    const Make create = [](const std::u16string& path) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
        return true;
    };
    const Make folder = [](const std::u16string& path) { return CreateDirectoryW(path.c_str(), nullptr) != FALSE; };
    const Make copy = [&](const std::u16string& path) {
        return CopyFileExW(source.c_str(), path.c_str(), nullptr, nullptr, nullptr, 0) != FALSE;
    };
    const Make stream = [](const std::u16string& path) {
        FILE* file = _wfopen(path.c_str(), u"wb");
        if (!file) return false;
        std::fclose(file);
        return true;
    };
    const Make move = [&](const std::u16string& path) {
        drive.WriteFile("moved.bin", "x");
        return MoveFileW(drive.Win(u"moved.bin").c_str(), path.c_str()) != FALSE;
    };
    struct Case {
        const char* call;
        Make make;
        std::u16string name;
        int error;
    };
    const Case cases[] = {
        {"CreateFileW", create, u"a?b.mp3", ERROR_INVALID_NAME},
        {"CreateDirectoryW", folder, u"CON", ERROR_BAD_DEVICE},
        {"CopyFileExW", copy, u"song.", ERROR_BAD_PATHNAME},
        {"_wfopen", stream, u"x<y.txt", ERROR_INVALID_NAME},
        {"MoveFileW", move, u"aux.txt", ERROR_BAD_DEVICE},
        {"CopyFileExW", copy, std::u16string(256, u'n'), ERROR_FILENAME_EXCED_RANGE},
    };
    // What the calls made: the drive's entries besides the sources.
    auto made = [&] {
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(drive.Folder())) {
            const std::string name = entry.path().filename().string();
            count += name != "source.bin" && name != "moved.bin";
        }
        return count;
    };

    ZelSetDriveFat(u'E', TRUE);
    EXPECT_TRUE(ZelDriveKeepsFatNames(u'E'));
    for (const Case& c : cases) {
        SetLastError(0xDEAD);
        EXPECT_FALSE(c.make(drive.Win(c.name))) << c.call;
        EXPECT_EQ(static_cast<int>(GetLastError()), c.error) << c.call;
        EXPECT_EQ(made(), 0u) << c.call << " left something on the drive";
    }
    // An existing entry of such a name stays reachable: the rules are about making names.
    drive.WriteFile("old?name.mp3", "kept");
    EXPECT_TRUE(create(drive.Win(u"old?name.mp3")));

    // Two files whose names differ only in case (made beside compat, on a file
    // system that tells case apart) stay two: a move without the replace flag
    // keeps the second. With it gone, a change of case alone renames the first
    // through a temporary name that does not stay behind.
    drive.WriteFile("Song.mp3", "first");
    drive.WriteFile("song.mp3", "second");
    SetLastError(0);
    EXPECT_FALSE(MoveFileW(drive.Win(u"Song.mp3").c_str(), drive.Win(u"song.mp3").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(drive.ReadFile("song.mp3"), "second");
    std::filesystem::remove(drive.Folder() + "/song.mp3");
    EXPECT_TRUE(MoveFileW(drive.Win(u"Song.mp3").c_str(), drive.Win(u"SONG.mp3").c_str()));
    EXPECT_EQ(drive.ReadFile("SONG.mp3"), "first");
    for (const auto& entry : std::filesystem::directory_iterator(drive.Folder()))
        EXPECT_NE(entry.path().filename().string().rfind(".~zelcase", 0), 0u) << entry.path();

    ZelSetDriveFat(u'E', FALSE);
    EXPECT_FALSE(ZelDriveKeepsFatNames(u'E'));  // this machine's temporary folder is no FAT
    EXPECT_TRUE(create(drive.Win(u"a?b.mp3")));
    EXPECT_TRUE(folder(drive.Win(u"CON")));
}

}  // namespace
