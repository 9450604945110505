// Bringing up a mass-storage player: admission, write protection, model names,
// the standard folders, capacity, the root listing, tags of a file on the drive
// and the firmware description file.
#include <string>
#include <tuple>
#include <vector>

#include "mediagen.h"
#include "ums_fixture.h"
#include "zelcompat/debug.h"
#include "zelcompat/textfn.h"

namespace {

class UmsSetup : public UmsTest {
protected:
    ~UmsSetup() override { ZelSetWindowsVersion(5, 1, VER_PLATFORM_WIN32_NT); }
};

TEST_F(UmsSetup, AdmissionAndWriteProtection) {
    // Only 2000, XP and Vista test the volume; a refused drive gets no folders.
    struct Version { DWORD major, minor, platform; int code; bool tested; };
    for (const Version& v : {Version{5, 0, 2, 5, true}, Version{5, 1, 2, 6, true}, Version{6, 0, 2, 7, true},
                             Version{4, 10, 1, 3, false}, Version{4, 90, 1, 4, false}, Version{6, 1, 2, 0, false}}) {
        SCOPED_TRACE(testing::Message() << v.major << "." << v.minor);
        ZelSetWindowsVersion(v.major, v.minor, v.platform);
        EXPECT_EQ(v.code, CZEL_DeviceForUMS::WindowsVersion());
        const int fault = ZelInjectFault(u"\\\\.\\E:", ZEL_FAULT_IOCTL, ERROR_WRITE_PROTECT);
        DWORD result;
        DebugLines lines;
        {
            TestUMS local;
            result = Create(local, DriveInfo());
        }
        ZelRemoveFault(fault);
        EXPECT_EQ(v.tested ? ZEL_ERR_WRITE_PROTECTED : ZEL_SUCCESS, result);
        EXPECT_EQ(v.tested, lines.Has(u"[Device] Can't write anything to device\n"));
        EXPECT_EQ(!v.tested, drive.Exists("Music"));
        std::filesystem::remove_all(drive.Host("Music"));
    }
    ZelSetWindowsVersion(5, 1, VER_PLATFORM_WIN32_NT);

    // Without a drive letter only the known products are taken.
    TestUMS refused, accepted;
    tagDeviceInfo noLetter = DriveInfo(u'\0', 0x1000);
    EXPECT_EQ(ZEL_ERR_NO_DRIVE, Create(refused, noLetter));
    noLetter.ProductID = 0x5022;
    noLetter.Kind = 1;  // not a drive-letter device: the drive root is left as it was
    accepted.m_strDriveRoot = drive.Win().c_str();
    EXPECT_EQ(ZEL_SUCCESS, Create(accepted, noLetter));
    EXPECT_EQ(drive.Win(), accepted.m_strDriveRoot.Str());
    EXPECT_TRUE(drive.Exists("Music"));
}

TEST_F(UmsSetup, ModelNameFixUpsReachBothRecords) {
    struct Case { WORD product, second; DWORD card; std::u16string model; };
    for (const Case& c : {Case{0x1212, 0xF750, 0, u"GVR-M810"}, Case{0x1212, 0xF450, 0, u"GVR-M610"},
                          Case{0x1212, 0x1234, 0, u""}, Case{0x5601, 0, 1, u"LNQ300[microSD]"},
                          Case{0x5601, 0, 0, u"TestPlayer"}, Case{0x5000, 0xF750, 0, u"TestPlayer"}}) {
        SCOPED_TRACE(testing::Message() << std::hex << c.product << " " << c.second << " card " << c.card);
        TestUMS local;
        tagDeviceInfo info = DriveInfo(u'E', c.product);
        info.SecondID = c.second;
        info.CardStorage = c.card;
        SetField(info.ModelName, u"TestPlayer");
        ASSERT_EQ(ZEL_SUCCESS, Create(local, info));
        EXPECT_EQ(c.model, Text(local.m_Settings.ModelName));
        EXPECT_EQ(c.model, Text(info.ModelName));
    }
}

TEST_F(UmsSetup, StandardFoldersAndCapacity) {
    // Entries 2, 1, 3, 4, 5 each lie inside the one before, so a wrong order leaves one missing.
    const Adjust named = [](tagDeviceSettings& s) {
        const char16_t* folders[] = {u"Audio\\Pop\\Music", u"Pics\\Clips", u"Pics", u"Pics\\Clips\\Txt",
                                     u"Pics\\Clips\\Txt\\Four", u"Pics\\Clips\\Txt\\Four\\Five",
                                     u"Radio", u"Auro", u"Uci", u"Guide"};
        for (size_t k = 0; k < 10; ++k) SetField(s.Folders[k], folders[k]);
        SetField(s.PlaylistFile, u"Lists");
    };
    ZelSetDriveSpace(u'E', (300ull << 20) + 12345, (1000ull << 20) + 7);
    Start([&named](tagDeviceSettings& s) {
        named(s);
        s.Capabilities = ZEL_CAP_BROADCAST | ZEL_CAP_MYAURO | ZEL_CAP_UCI | ZEL_CAP_GUIDE | ZEL_CAP_PLAYLISTS;
    });
    for (const char* folder : {"Audio/Pop/Music", "Pics/Clips/Txt/Four/Five", "Radio", "My Pack/Auro", "My Pack/Uci",
                               "Datacasts/Guide", "Lists"})
        EXPECT_TRUE(drive.Exists(folder)) << folder;
    EXPECT_EQ(drive.Win(u"Lists"), Text(device.m_Settings.PlaylistFile));
    EXPECT_EQ((std::pair{300u, 1000u}), (std::pair{device.m_Settings.FreeMB, device.m_Settings.TotalMB}));

    // Without the capability bits only the plain folders; an unmeasurable drive keeps the caller's sizes.
    TempDrive other(u'G');
    ZelInjectFault(u"G:*", ZEL_FAULT_SPACE, ERROR_NOT_READY);
    TestUMS plain;
    tagDeviceInfo info = DriveInfo(u'G');
    info.FreeMB = 17;
    info.TotalMB = 33;
    ASSERT_EQ(ZEL_SUCCESS, Create(plain, info, named));
    EXPECT_TRUE(other.Exists("Pics/Clips/Txt/Four/Five"));
    for (const char* folder : {"Radio", "My Pack", "Datacasts", "Lists"}) EXPECT_FALSE(other.Exists(folder)) << folder;
    EXPECT_EQ((std::pair{17u, 33u}), (std::pair{plain.m_Settings.FreeMB, plain.m_Settings.TotalMB}));
}

TEST_F(UmsSetup, RootListingOfMemoryAndCard) {
    for (const char* file : {"readme.txt", "list.xpl", "mix.plp", "A.MP", "song.mp3", "movie.avi"})
        drive.WriteFile(file, "x");
    for (const char* folder : {".secret", "Hid", "Shown/Inner"}) std::filesystem::create_directories(drive.Host(folder));
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"Hid").c_str(), FILE_ATTRIBUTE_HIDDEN));
    const Adjust withSlot = [](tagDeviceSettings& s) {
        SetField(s.Extensions, u"MP3.WMA");
        s.Capabilities = ZEL_CAP_CARD_SLOT;
    };

    Start(withSlot);
    auto names = device.Children();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(u"Memory Card", names.front());
    EXPECT_EQ(ZEL_ATTR_CARD, device.m_itCurrent.begin()->Attributes);
    for (const char16_t* listed : {u"list.xpl", u"mix.plp", u"A.MP", u"song.mp3", u"Shown", u"Music"})
        EXPECT_TRUE(Has(names, listed)) << ZelToUtf8(listed);
    for (const char16_t* unlisted : {u"readme.txt", u"movie.avi", u".secret", u"Hid", u".", u".."})
        EXPECT_FALSE(Has(names, unlisted)) << ZelToUtf8(unlisted);
    device.Move(u"Shown");
    EXPECT_TRUE(Has(device.Children(), u"Inner"));

    // A card storage starts with the way back to the internal memory ...
    TestUMS card, cardOnly;
    tagDeviceInfo cardInfo = DriveInfo();
    cardInfo.CardStorage = 1;
    ASSERT_EQ(ZEL_SUCCESS, Create(card, cardInfo, withSlot));
    names = card.Children();
    EXPECT_EQ(u"..", names.front());
    EXPECT_TRUE(Has(names, u"song.mp3") && !Has(names, u"Memory Card"));
    // ... except the card of 0x5122, which gets no folders and lists nothing.
    TempDrive other(u'G');
    other.WriteFile("song.mp3", "x");
    tagDeviceInfo onlyInfo = DriveInfo(u'G', 0x5122);
    onlyInfo.CardStorage = 1;
    ASSERT_EQ(ZEL_SUCCESS, Create(cardOnly, onlyInfo, withSlot));
    EXPECT_FALSE(other.Exists("Music"));
    EXPECT_TRUE(cardOnly.Children().empty());
    EXPECT_EQ(nullptr, cardOnly.FindFileFirst());
}

TEST_F(UmsSetup, FileInfoCopiesTheTags) {
    Start();
    zelmediagen::Mp3Options tagged;
    tagged.title = "Title", tagged.artist = "Artist", tagged.album = "Album", tagged.genre = "Jazz";
    tagged.year = 2004, tagged.track = 7;
    ASSERT_TRUE(zelmediagen::WriteMp3(drive.Host("Music/t.mp3"), tagged));
    ASSERT_TRUE(zelmediagen::WriteMp3(drive.Host("Music/u.mp3"), {}));

    tagDB_File record{};
    SetField(record.Folder, drive.Win(u"Music"));
    SetField(record.FileName, u"t.mp3");
    EXPECT_EQ(1, device.GetFileInfo(&record));
    EXPECT_EQ((std::vector<std::u16string>{u"Title", u"Album", u"Artist", u"2004", u"Jazz"}),
              (std::vector{Text(record.Text1), Text(record.Text2), Text(record.Text3), Text(record.ShortText1),
                           Text(record.ShortText2)}));
    EXPECT_EQ((std::tuple{7u, 7u, 5u}), (std::tuple{record.Number1, record.OrderNumber, record.Number2}));
    EXPECT_EQ(std::filesystem::file_size(drive.Host("Music/t.mp3")), record.FileSize);

    SetField(record.FileName, u"u.mp3");  // no track number: order number 9999
    EXPECT_EQ(1, device.GetFileInfo(&record));
    EXPECT_EQ((std::tuple{u"", 0u, 9999u}), (std::tuple{Text(record.Text1), record.Number1, record.OrderNumber}));
}

TEST_F(UmsSetup, FirmwareDescriptionFile) {
    // Files at the root and in SYSTEM, model → major.minor region update-id, and the firmware-level bit.
    struct Case { std::string root, inSystem; std::u16string model, expected; };
    const std::string fwup = "FWUP ABCDE";
    for (const Case& c : std::vector<Case>{
             {"VER 1.50 KR\n", "VER 2.22 US\n", u"TX-D4", u"1.50 KR - level"},  // the root's file wins
             {"", "VER 3.04 US\r\n", u"X", u"3.4 US -"},
             {"VER 1.50 WA\n", "", u"X", u"1.50 ET -"},
             {"VER 1.50 CN\n", "", u"X", u"1.50 CH -"},
             {"VER 2.123 JP\n", "", u"X", u"2.12 JP -"},  // the minor number has two digits
             {"VER 4.20 US", "", u"X", u"4.20 US -"},     // no line feed at all: one line
             {"", "", u"X", u"77.77 -- -"},
             {"VER 1.23 EU, built for the spring release\n", "", u"X", u"1.23 EU -"},  // cut to 40 units, not lost
             {fwup + "FGH\nVER 9.99 US", "", u"X", u"77.77 -- ABCDE"},  // after the last line feed: ignored
             {fwup + "\n" + std::string(88, '#') + "\nVER 9.99 US\n", "", u"X", u"77.77 -- ABCDE"},  // past byte 100
             {"VER 1.49 KR\n", "", u"TX-D4", u"1.49 KR -"},
             {"VER 1.50 US\n", "", u"TX-D4", u"1.50 US -"},
             {"VER 1.50 KR\n", "", u"TX-D5", u"1.50 KR -"}}) {
        SCOPED_TRACE(c.root + "|" + c.inSystem);
        std::filesystem::remove(drive.Host("SYSTEM.VER"));
        std::filesystem::remove_all(drive.Host("SYSTEM"));
        if (!c.root.empty()) drive.WriteFile("SYSTEM.VER", c.root);
        if (!c.inSystem.empty()) drive.WriteFile("SYSTEM/SYSTEM.VER", c.inSystem);
        TestUMS local;
        local.m_strDriveRoot = drive.Win().c_str();
        tagDeviceSettings& s = local.m_Settings;
        SetField(s.ModelName, c.model);
        s.FWMajor = s.FWMinor = 77;
        SetField(s.FWRegion, u"--");
        SetField(s.FWUpdateID, u"-");
        local.GetFWInfo();
        CString got;
        got.Format(u"%u.%u %s %s%s", s.FWMajor, s.FWMinor, s.FWRegion, s.FWUpdateID,
                   (s.Capabilities & ZEL_CAP_FW_LEVEL) ? u" level" : u"");
        EXPECT_EQ(c.expected, got.Str());
    }
    // CreateDevice reads the file too.
    drive.WriteFile("SYSTEM.VER", "VER 1.50 KR\n");
    Start([](tagDeviceSettings& s) { SetField(s.ModelName, u"TX-D4"); });
    EXPECT_EQ(50u, device.m_Settings.FWMinor);
    EXPECT_TRUE(device.m_Settings.Capabilities & ZEL_CAP_FW_LEVEL);
}

}  // namespace
