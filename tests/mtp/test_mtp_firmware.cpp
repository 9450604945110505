// The firmware of an MTP player: its description file read back through the
// agent, a firmware package copied onto it, and the check of an update's files.
#include "mtp_fixture.h"

namespace {

struct Firmware {
    BOOL read;
    DWORD major, minor;
    std::u16string region, update;
    bool operator==(const Firmware&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Firmware& f) {
    return out << f.read << " " << f.major << "." << f.minor << " " << ZelToUtf8(f.region) << " " << ZelToUtf8(f.update);
}

class MtpFirmware : public MtpTest {
protected:
    // GetFWInfo from fields that hold nothing.
    Firmware Read() {
        tagDeviceSettings& s = device->m_Settings;
        s.FWMajor = s.FWMinor = 0;
        SetField(s.FWRegion, u"");
        SetField(s.FWUpdateID, u"");
        const BOOL read = device->GetFWInfo();
        return {read, s.FWMajor, s.FWMinor, Text(s.FWRegion), Text(s.FWUpdateID)};
    }
};

TEST_F(MtpFirmware, TheDescriptionIsReadByItsOwnLineRules) {
    Start();
    const struct {
        const char* file;
        std::string text;
        Firmware expected;
    } cases[] = {
        {"SYSTEM.VER", "MODEL X9\nVER 2.14 AB\nFWUP 12345\n", {1, 2, 14, u"AB", u"12345"}},
        {"SYSTEM.VER", "ver 1.5 kr\n", {1, 1, 5, u"KR", u""}},  // matched upper-cased, the region stored so
        {"SYSTEM/SYSTEM.VER", "VER 3.07 EU\n", {1, 3, 7, u"EU", u""}},  // the second place looked at
        // No line feed at all: the whole text is one line.
        {"SYSTEM.VER", "VER 4.20 US", {1, 4, 20, u"US", u""}},
        {"SYSTEM.VER", "MODEL X9 without a version", {0, 0, 0, u"", u""}},
        // Text after the last line feed is not read.
        {"SYSTEM.VER", "VER 2.14 AB\nFWUP 12345", {1, 2, 14, u"AB", u""}},
        // A line holds 19 bytes: the rest of a longer one is dropped, its space and region with it.
        {"SYSTEM.VER", "VER 1.23456789012345 KR\nFWUP 1234567890\n", {1, 1, 0, u"", u"12345"}},
        // At most three digits in a number; no "." leaves both numbers 0.
        {"SYSTEM.VER", "VER 12345.6789 JP\nFWUP 9\n", {1, 123, 678, u"JP", u"9"}},
        {"SYSTEM.VER", "VER 7 X\n", {1, 0, 0, u"", u""}},
        // Only the first 100 bytes are read.
        {"SYSTEM.VER", std::string(99, '\n') + "VER 9.99 ZZ\n", {0, 0, 0, u"", u""}},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(folders.Player("SYSTEM.VER"));
        std::filesystem::remove_all(folders.Player("SYSTEM"));
        folders.Write(folders.Player(c.file), c.text);
        EXPECT_EQ(c.expected, Read()) << c.file << ": " << c.text;
    }
    // Without a description the fields stay as they were, and no copy is left on the computer.
    std::filesystem::remove_all(folders.Player("SYSTEM"));
    device->m_Settings.FWMajor = 5;
    EXPECT_EQ((std::pair{0, DWORD{5}}), (std::pair{device->GetFWInfo(), device->m_Settings.FWMajor}));
    EXPECT_TRUE(SimulatedPlayerFolders::Everything(pc.Host("scratch")).empty());
}

TEST_F(MtpFirmware, APackageIsCopiedWithItsFoldersAndTheUpdateChecked) {
    Start();
    // The folder named "system" holds no special meaning here: every folder is walked.
    pc.WriteFile("fw/a.bin", "a");
    pc.WriteFile("fw/system/b.bin", "b");
    pc.WriteFile("fw/system/deep/c.bin", "c");
    pc.WriteFile("fw/empty.bin", "");
    std::u16string package = pc.Win(u"fw");
    ASSERT_EQ(ZEL_SUCCESS, device->FWUpdate(package.c_str(), nullptr));
    for (const char* file : {"a.bin", "system/b.bin", "system/deep/c.bin"})
        EXPECT_EQ(pc.ReadFile(std::string("fw/") + file), folders.Read(folders.Player(file))) << file;
    EXPECT_FALSE(folders.Exists(folders.Player("empty.bin")));
    // The count, then the step of each file, the begin, the end.
    EXPECT_EQ((std::vector<LPARAM>{3}), host.Values(ZEL_EVENT_FIRMWARE_STEP1));
    EXPECT_EQ((std::vector<LPARAM>{0, 1, 2}), host.Values(ZEL_EVENT_FIRMWARE_STEP2));
    EXPECT_EQ((std::pair{ZEL_EVENT_FIRMWARE_STEP1, ZEL_EVENT_END}), (std::pair{host.messages.front().first, host.messages.back().first}));

    // A package of empty files sends nothing.
    host.Clear();
    pc.WriteFile("blank/zero.bin", "");
    std::u16string blank = pc.Win(u"blank");
    EXPECT_EQ(DWORD{0}, device->FWUpdate(blank.c_str(), nullptr));
    EXPECT_TRUE(host.messages.empty());

    // The first listed file missing on the player answers 1; a text after the last "|" is no listed file.
    const struct {
        std::u16string list;
        BOOL missing;
    } checks[] = {{u"\\a.bin|\\system\\b.bin|", 0}, {u"\\a.bin|\\none.bin|", 1}, {u"\\a.bin|\\none.bin", 0}};
    for (const auto& check : checks) {
        std::u16string list = check.list;
        EXPECT_EQ(check.missing, device->CheckFirmUpFile(list.data())) << ZelToUtf8(check.list);
    }
}

}  // namespace
