// Formatting a mass-storage player: what the drive holds afterwards, what a
// format must never reach, the options and label the model asks for, the
// template files and the debugger texts and host events of every failure.
#include <string>
#include <vector>

#include "ZELDevice/abi/DriveFormat.h"
#include "database_file.h"
#include "ums_fixture.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"

namespace {

namespace fs = std::filesystem;

class FormatUMS : public TestUMS {
public:
    using CZEL_DeviceForUMS::DebugOutFormatMessage;
    using CZEL_DeviceForUMS::FormatProc;
};

std::u16string Label(char16_t letter) {
    const std::u16string root{letter, u':', u'\\'};
    WCHAR label[40] = {};
    GetVolumeInformationW(root.c_str(), label, 40, nullptr, nullptr, nullptr, nullptr, 0);
    return label;
}

class UmsFormat : public UmsTest {
protected:
    // The player of the built-in profile with a database: its template folder
    // brings back Settings.ini and the database library.
    Adjust DatabasePlayer() {
        Adjust database = WithDatabase();
        return [database](tagDeviceSettings& s) {
            database(s);
            SetField(s.ModelName, u"XPL Player DB");
            SetField(s.PlaylistFile, u"Playlists");
            SetField(s.Folders[5], u"Extra");
            SetField(s.Folders[6], u"Cast");
            s.Capabilities |= ZEL_CAP_PLAYLISTS | ZEL_CAP_BROADCAST;
        };
    }
};

TEST_F(UmsFormat, LeavesTheRecreatedFoldersTemplatesAndAnEmptyDatabaseAndNothingOutsideIsTouched) {
    Start(DatabasePlayer());
    Put(drive, "Music/Rock/a.mp3", "aaaa");
    Put(drive, "Photo/p.jpg", "jpg");
    Put(drive, ".hidden", "h");
    pc.WriteFile("outside/keep.mp3", "keep");
    fs::create_symlink(pc.Host("outside/keep.mp3"), drive.Host("Music/link.mp3"));
    fs::create_directory_symlink(pc.Host("outside"), drive.Host("Outside"));
    tagDB_File record{};
    record.MediaType = ZEL_MEDIA_MP3;
    std::u16string path = drive.Win(u"Music\\Rock\\a.mp3");
    ASSERT_TRUE(device.AddFileToDB(path.data(), &record));

    ASSERT_EQ(ZEL_SUCCESS, device.FormatDevice());

    EXPECT_EQ((std::vector<std::string>{"Cast", "Extra", "Music", "Photo", "Playlists", "Settings.ini", "System",
                                        "System/PlayerDB.zdb", "System/libZELPlayerDB.so", "Text", "Video"}),
              drive.Entries());
    EXPECT_EQ(0, DatabaseFileRecords(drive));
    EXPECT_EQ((std::vector<std::string>{"outside", "outside/keep.mp3", "scratch"}), pc.Entries());
    EXPECT_EQ("keep", pc.ReadFile("outside/keep.mp3"));
    // "XPL Player DB" loses its leading letters from the set "TX-".
    EXPECT_EQ(u"PL Player DB", Label(u'E'));

    // Three stage notices, percentages up to 100, no failure.
    EXPECT_EQ(3u, host.Values(ZEL_EVENT_FORMAT_STAGE).size());
    const auto percents = host.Values(ZEL_EVENT_FORMAT_BUSY);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(100, percents.back());
    for (WPARAM none : {ZEL_EVENT_FORMAT_FAILED, ZEL_EVENT_FORMAT_FAILED2, ZEL_EVENT_FORMAT_TEMPLATES})
        EXPECT_TRUE(host.Values(none).empty()) << none;

    // The device's view was read again: the root holds the fresh folders only.
    EXPECT_EQ(drive.Win(), device.GetCurrentPath().Str());
    EXPECT_EQ((std::vector<std::u16string>{u"Cast", u"Extra", u"Music", u"Photo", u"Playlists", u"System", u"Text",
                                           u"Video"}),
              device.Children());
}

TEST_F(UmsFormat, TheModelChoosesTheOptionsAndTheLabel) {
    struct Case {
        WORD product;
        std::u16string model;
        std::u16string options;
        std::u16string label;
    };
    for (const Case& c : {Case{0x5120, u"TX-D4", u"file system 2, 8 sectors", u"D4"},
                          Case{0x5121, u"Other", u"file system 0, 8 sectors", u"Other"},
                          Case{0x5000, u"TX-D4", u"file system 2, 32 sectors", u"D4"},
                          Case{0x5000, u"Plain", u"file system 0, 32 sectors", u"Plain"}}) {
        SCOPED_TRACE(testing::Message() << std::hex << c.product);
        TestUMS player;
        ASSERT_EQ(ZEL_SUCCESS, Create(player, DriveInfo(u'E', c.product),
                                      [&c](tagDeviceSettings& s) { SetField(s.ModelName, c.model); }));
        DebugLines debug;
        ASSERT_EQ(ZEL_SUCCESS, player.FormatDevice());
        const std::u16string line =
            u"[DK_Format] E: quick format for \"" + c.model + u"\" (" + c.options + u" per cluster)\n";
        EXPECT_TRUE(debug.Has(line));
        EXPECT_EQ(c.label, Label(u'E'));
    }
}

TEST_F(UmsFormat, ExtraFoldersOfOneProductAndTemplatesThatCannotBeCopied) {
    struct Case {
        const char* what;
        WORD product;
        std::u16string model;
        bool failTemplates;
        std::vector<std::string> entries;
        size_t templateEvents;
        std::u16string current = u"E:\\";  // the device's current folder afterwards
        Adjust adjust = {};
    };
    const std::vector<std::string> standard{"Music", "Photo", "Text", "Video"};
    for (const Case& c :
         {Case{"radio and voice", 0x511B, u"TestPlayer", false,
               {"FM Radio", "Music", "Photo", "Playlists", "Text", "Video", "Voice", "Voice/A", "Voice/B", "Voice/C",
                "Voice/D", "Voice/E"},
               0},
          Case{"templates fail", 0x5000, u"PLP Player", true, standard, 1},
          Case{"templates copied", 0x5000, u"PLP Player", false,
               {"Music", "Photo", "Settings.ini", "Text", "Video"}, 0},
          Case{"no templates for the model", 0x5000, u"TestPlayer", false, standard, 0},
          // A music folder of two levels is not made by the format itself but by
          // the music special folder, which the device opens last.
          Case{"music special folder", 0x5000, u"TestPlayer", false,
               {"Music", "Music/Pop", "Photo", "Text", "Video"}, 0, u"E:\\Music\\Pop\\",
               [](tagDeviceSettings& s) {
                   SetField(s.Folders[0], u"Music\\Pop");
                   s.Capabilities |= ZEL_CAP_MUSIC_SPECIAL;
               }}}) {
        SCOPED_TRACE(c.what);
        Put(drive, "old/file.mp3", "old");
        TestUMS player;
        ASSERT_EQ(ZEL_SUCCESS, Create(player, DriveInfo(u'E', c.product), [&c](tagDeviceSettings& s) {
                      SetField(s.ModelName, c.model);
                      if (c.adjust) c.adjust(s);
                  }));
        host.Clear();
        const int fault = c.failTemplates ? ZelInjectFault(u"E:\\Settings.ini", ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED) : 0;
        EXPECT_EQ(ZEL_SUCCESS, player.FormatDevice());
        if (fault) ZelRemoveFault(fault);
        EXPECT_EQ(c.entries, drive.Entries());
        EXPECT_EQ(c.current, player.GetCurrentPath().Str());
        EXPECT_EQ(c.templateEvents, host.Values(ZEL_EVENT_FORMAT_TEMPLATES).size());
        if (c.templateEvents) {
            EXPECT_EQ(0, host.Values(ZEL_EVENT_FORMAT_TEMPLATES)[0]);
        }
    }
}

TEST_F(UmsFormat, EveryFailureCodeHasItsDebuggerTextAndHostEvent) {
    struct Case {
        int code;
        std::u16string text;
        WPARAM event;
    };
    FormatUMS player;
    ASSERT_EQ(ZEL_SUCCESS, Create(player, DriveInfo()));
    for (const Case& c : {Case{1000, u"[DK_Format] 파라메터 오류", 21},
                          Case{1001, u"[DK_Format] 쓰레드 생성 실패", 21},
                          Case{1002, u"[DK_Format] 드라이브를 열 수 없습니다.\n", 11},
                          Case{1003, u"[DK_Format] 메모리 할당 실패", 21},
                          Case{1004, u"[DK_Format] 해당 파일 시스템으로 포맷 할 수 없습니다.", 21},
                          Case{1005, u"[DK_Format] 잘못된 파일 시스템 입니다.", 21},
                          Case{1006, u"[DK_Format] 읽기 오류", 21},
                          Case{1007, u"[DK_Format] 쓰기 오류", 21},
                          Case{2000, u"[DK_Format] 초기화 중 입니다.", 21},
                          Case{2001, u"[DK_Format] 테이블 계산하고 있습니다.", 21},
                          Case{2002, u"[DK_Format] 데이터를 쓰고 있습니다.", 21},
                          Case{999, u"[DK_Format] Undefined Message", 21},
                          Case{2003, u"[DK_Format] Undefined Message", 21}}) {
        SCOPED_TRACE(c.code);
        DebugLines debug;
        host.Clear();
        player.DebugOutFormatMessage(c.code);
        EXPECT_EQ(std::vector<std::u16string>{c.text}, debug.lines);
        EXPECT_EQ((std::vector<Event>{{c.event, 0}}), host.messages);
    }

    // A drive that cannot be opened: event 11 alone, nothing made again.
    Put(drive, "Music/a.mp3", "a");
    const auto before = drive.Entries();
    ZelUnmapDrive(u'E');
    host.Clear();
    DebugLines debug;
    EXPECT_EQ(ZEL_FAILURE, player.FormatDevice());
    ZelMapDrive(u'E', drive.Folder().c_str());
    EXPECT_EQ((std::vector<Event>{{ZEL_EVENT_FORMAT_FAILED, 0}}), host.messages);
    EXPECT_TRUE(debug.Has(u"[DK_Format] 드라이브를 열 수 없습니다.\n"));
    EXPECT_EQ(before, drive.Entries());
}

TEST_F(UmsFormat, TheFormatCallbackReportsStagesAndDeclinesQuestions) {
    Start();
    struct Case {
        DWORD stage;
        BYTE percent;
        BOOL answer;
        std::vector<Event> events;
    };
    for (const Case& c : {Case{DK_STAGE_PERCENT, 42, 1, {{ZEL_EVENT_FORMAT_BUSY, 42}}},
                          Case{DK_STAGE_NOTICE, 0, 1, {{ZEL_EVENT_FORMAT_STAGE, 0}}},
                          Case{DK_STAGE_QUERY, 0, 0, {}},
                          Case{DK_STAGE_BUSY, 0, 1, {}},
                          Case{77, 0, 1, {}}}) {
        SCOPED_TRACE(c.stage);
        host.Clear();
        EXPECT_EQ(c.answer, FormatUMS::FormatProc(c.stage, 5, c.percent, nullptr));
        EXPECT_EQ(c.events, host.messages);
    }
}

}  // namespace
