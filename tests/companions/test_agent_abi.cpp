// The agent stands on the binary contracts alone: this suite links the agent
// and the header-only contracts, never the device library. It plays the
// device's part against a simulated player: it opens the player, lists it
// into tree entries that it copies and destroys, sends files with progress
// reports to its window, moves through folders and writes playlists.
#include <gtest/gtest.h>
#include <link.h>

#include <string>
#include <vector>

#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/abi/Codes.h"
#include "host_fixture.h"
#include "simulated_player.h"
#include "zelcompat/drives.h"
#include "zelcompat/window.h"

namespace {

using Names = std::vector<std::u16string>;

// The file names of every module loaded into this process.
std::vector<std::string> LoadedModules() {
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
            static_cast<std::vector<std::string>*>(out)->emplace_back(info->dlpi_name ? info->dlpi_name : "");
            return 0;
        },
        &names);
    return names;
}

// A simulated player on the computer's drive P: with the agent's session open on it.
class AgentPlayer : public ::testing::Test {
protected:
    AgentPlayer() {
        folders.Write(folders.Player("Music/b.mp3"), "bb");
        folders.Write(folders.Player("Music/A.WMA"), "a");
        folders.Write(folders.Player("notes.doc"), "skip me");
        folders.Write(folders.Card("Photo/p.jpg"), "jpg");
        ZelMapDrive(u'P', folders.Computer().c_str());
        opened = Agent_SetDeviceWindow(window.Handle(), 1);
    }
    ~AgentPlayer() override {
        Agent_SetDeviceWindow(window.Handle(), 0);
        ZelUnmapDrive(u'P');
    }

    Names List(std::vector<CZEL_File>* list = nullptr) {
        std::vector<CZEL_File> own;
        if (list == nullptr) list = &own;
        Names names;
        if (!Agent_WMDMEnumerate(list, u"MP3.WMA.JPG")) return {u"<failed>"};
        for (const CZEL_File& entry : *list) names.push_back(entry.Name.Str());
        return names;
    }
    std::u16string Pc(const std::string& name, const std::string& data) {
        folders.Write(folders.Computer(name), data);
        return u"P:\\" + std::u16string(name.begin(), name.end());
    }
    DWORD Send(const std::u16string& source, const char16_t* name, const char16_t* folder = nullptr,
               CZEL_File* record = nullptr) {
        CZEL_File own;
        own.SetName(name);
        return Agent_WMDMTransferFile(source.c_str(), record != nullptr ? record : &own, nullptr, folder, nullptr);
    }

    SimulatedPlayerFolders folders{true};
    HostWindow window{true};  // the device's own window: it keeps the reports
    int opened = 0;
};

TEST(AgentContracts, EntriesLiveWithoutTheDeviceLibraryAndCallsFailWithoutAPlayer) {
    ScopedEnv none("ZEL_MTP_PLAYER", "/nonexistent/zel/player");
    EXPECT_EQ(0, Agent_SetDeviceWindow(nullptr, 1));
    std::vector<CZEL_File> list(2);
    list[1].SetName(u"kept");
    EXPECT_EQ(0, Agent_WMDMEnumerate(&list, u"MP3"));
    EXPECT_EQ(u"kept", list[1].Name.Str());  // the device's list stays as it was
    DWORD total = 7, free = 7;
    EXPECT_EQ((std::tuple{0, DWORD{7}, ZEL_ERR_NO_DRIVE}),
              (std::tuple{Agent_WMDMGetDeviceSpace(&total, &free), total,
                          Agent_WMDMTransferFile(u"P:\\a.mp3", nullptr, nullptr, nullptr, nullptr)}));
    IStream** first = reinterpret_cast<IStream**>(&total);
    EXPECT_EQ(nullptr, Agent_GetRootStorage(&first, nullptr));
    EXPECT_EQ(nullptr, first);

    for (const std::string& name : LoadedModules()) EXPECT_EQ(std::string::npos, name.find("libZELDevice.so")) << name;
}

TEST_F(AgentPlayer, ListingsGiveEntriesWhoseStoragesBalance) {
    ASSERT_EQ(1, opened);
    std::vector<CZEL_File> root;
    // The root's listing: the root itself, the card, then its objects in name order, filtered by extension.
    EXPECT_EQ((Names{u"Internal Storage", u"Memory Card", u"Music"}), List(&root));
    std::vector<CZEL_File> copy = root;  // entries copy and destroy as plain values
    root.clear();
    EXPECT_EQ((std::tuple{std::u16string(u""), DWORD{ZEL_ATTR_FOLDER}, std::u16string(u"\\Memory Card")}),
              (std::tuple{copy[0].Path.Str(), copy[2].Attributes, copy[1].Path.Str()}));
    EXPECT_NE(copy[0].FolderStorage, copy[2].FolderStorage);

    ASSERT_EQ(1, Agent_WMDMMoveFolder(u"music", &copy[2].FolderStorage, nullptr));
    std::vector<CZEL_File> music;
    EXPECT_EQ((Names{u"A.WMA", u"b.mp3"}), List(&music));
    EXPECT_EQ((std::tuple{std::u16string(u"\\Music\\b.mp3"), DWORD{2}, DWORD{ZEL_MEDIA_MP3}, std::u16string(u"MP3")}),
              (std::tuple{music[1].Path.Str(), music[1].Size, music[1].MediaType, music[1].Extension.Str()}));
    EXPECT_EQ(14u, music[1].TimeStamp.GetLength());
    EXPECT_EQ(u"\\Music", std::u16string(Agent_GetCurrentPath()));

    // A stream turns back into the entry's storage once; the slot gets a fresh one when listed again.
    IWMDMStorage* song = nullptr;
    ASSERT_EQ(S_OK, CoGetInterfaceAndReleaseStream(*music[1].StorageStream, IID_IWMDMStorage,
                                                   reinterpret_cast<void**>(&song)));
    EXPECT_EQ(1, Agent_WMDMFindFileFromPath(u"\\MUSIC\\B.MP3", nullptr));
    List(&music);
    IWMDMStorage* again = nullptr;
    ASSERT_EQ(S_OK, CoGetInterfaceAndReleaseStream(*music[1].StorageStream, IID_IWMDMStorage,
                                                   reinterpret_cast<void**>(&again)));
    EXPECT_EQ(song, again);
    again->Release();

    IStream** first = nullptr;
    IStream** second = nullptr;
    IWMDMStorage* rootStorage = Agent_GetRootStorage(&first, &second);
    ASSERT_TRUE(rootStorage != nullptr && first != nullptr && second != nullptr);
    // Once the device goes away, the agent holds nothing: the test's references are the last ones.
    Agent_SetDeviceWindow(window.Handle(), 0);
    EXPECT_EQ((std::tuple{nullptr, nullptr, ULONG{0}, ULONG{0}}),
              (std::tuple{*first, *second, song->Release(), rootStorage->Release()}));
    EXPECT_EQ(0, Agent_WMDMEnumerate(&music, nullptr));
}

TEST_F(AgentPlayer, SendsReportProgressReplaceAndStopOnCancelOrFault) {
    const std::u16string big = Pc("big.mp3", std::string(1 << 20, 'x'));
    CZEL_File record;
    record.SetName(u"B.MP3");
    tagDB_File db{};
    ASSERT_EQ(ZEL_SUCCESS, Agent_WMDMTransferFile(big.c_str(), &record, &db, u"Music\\", nullptr));
    // The file of that name was replaced; the entry names the new object and the folder it went into.
    EXPECT_EQ(std::string(1 << 20, 'x'), folders.Read(folders.Player("Music/b.mp3")));
    EXPECT_EQ((std::tuple{std::u16string(u"b.mp3"), std::u16string(u"\\Music"), DWORD{1 << 20}, DWORD{1 << 20}}),
              (std::tuple{record.Name.Str(), record.Path.Str(), record.Size, db.FileSize}));
    ASSERT_GE(window.reports.size(), 4u);
    EXPECT_EQ((std::tuple{DWORD{ZEL_REPORT_START}, DWORD{ZEL_REPORT_END}, DWORD{1 << 20}}),
              (std::tuple{window.reports.front().Event, window.reports.back().Event, window.reports.back().Done}));

    // A cancel from the window while the copy runs leaves nothing, and the next copy runs again.
    window.onMessage = [](WPARAM, LPARAM lParam) {
        const auto* report = reinterpret_cast<const tagProgressReport*>(lParam);
        if (report->Event == ZEL_REPORT_PROGRESS && report->Done > 0) Agent_CancelTransfer();
    };
    EXPECT_EQ(ZEL_ERR_CANCELLED, Send(big, u"new.mp3"));
    window.onMessage = {};
    const struct {
        const char* fault;
        DWORD result;
    } faults[] = {{"full@1000", ZEL_ERR_LOW_SPACE}, {"write", ZEL_ERR_COPY}, {"gone", ZEL_ERR_NO_DRIVE}};
    for (const auto& f : faults) {
        ScopedEnv fault("ZEL_MTP_FAULT", f.fault);
        EXPECT_EQ(f.result, Send(big, u"new.mp3")) << f.fault;
    }
    EXPECT_EQ(ZEL_ERR_PATH, Send(big, u"x.mp3", u"\\No Such Folder"));
    EXPECT_EQ(ZEL_ERR_PATH, Send(Pc("x", ""), u"x.mp3", u"\\No Such Folder"));
    EXPECT_EQ(ZEL_ERR_DESTINATION, Send(big, u"Music"));
    EXPECT_EQ((std::vector<std::string>{"Music", "Music/A.WMA", "Music/b.mp3", "notes.doc"}),
              folders.Everything(folders.Player()));
    EXPECT_EQ(ZEL_SUCCESS, Send(big, u"new.mp3", u"\\Memory Card\\Photo"));
    EXPECT_TRUE(folders.Exists(folders.Card("Photo/new.mp3")));
}

TEST_F(AgentPlayer, FoldersAreMadeAndEntered) {
    CZEL_File made;
    EXPECT_EQ(1, Agent_WMDMMakeFolder(u"\\My Pack\\UCI", &made, nullptr, 0));
    EXPECT_EQ((std::pair{std::u16string(u"UCI"), std::u16string(u"\\My Pack")}), (std::pair{made.Name.Str(), made.Path.Str()}));
    EXPECT_EQ(0, Agent_WMDMMakeFolder(u"my pack", &made, nullptr, 0));  // there already
    EXPECT_EQ(1, Agent_WMDMTransferMakeFolderFile(nullptr, u"\\Datacast\\EPG\\"));
    EXPECT_EQ(1, Agent_WMDMTransferMakeFolderFile(Pc("fw.bin", "fw").c_str(), u"\\System\\fw.bin"));
    EXPECT_EQ("fw", folders.Read(folders.Player("System/fw.bin")));

    EXPECT_EQ(1, Agent_WMDMMoveSpecialFolder(u"My Pack\\UCI", nullptr, nullptr));
    EXPECT_EQ(1, Agent_WMDMMoveFolder(u"..", nullptr, nullptr));
    EXPECT_EQ(u"\\My Pack", std::u16string(Agent_GetCurrentPath()));
    EXPECT_EQ(0, Agent_WMDMMoveFolder(u"Nowhere", nullptr, nullptr));
    EXPECT_EQ(1, Agent_WMDMMoveFolder(nullptr, nullptr, nullptr));
    EXPECT_EQ(1, Agent_NDAMoveFolder(u"\\Photo", 1));
    EXPECT_EQ(u"\\Memory Card\\Photo", std::u16string(Agent_GetCurrentPath()));

    // Reading back, deleting and formatting are tried through the MTP device (tests/mtp).
}

TEST_F(AgentPlayer, PlaylistsCollectTheirItemsInOrder) {
    ASSERT_EQ(ZEL_SUCCESS, Send(Pc("c.mp3", "c"), u"c.mp3", u"\\Music"));
    ASSERT_EQ(1, Agent_WMDMMakeFolder(u"Playlists", nullptr, nullptr, 0));
    ASSERT_EQ(1, Agent_SetFolderStorage(nullptr, u"PLAYLISTS", 0));
    CStringArray names, paths;
    for (auto [name, path] : {std::pair{u"Rock", u"c.mp3"}, {u"Jazz", u"\\Music\\A.WMA"}, {u"Rock", u"\\Music\\b.mp3"}})
        names.Add(name), paths.Add(path);
    CZEL_File record;
    ASSERT_EQ(1, Agent_MTPUpdatePlaylist(names, paths, 1, &record));
    EXPECT_EQ("\\Music\\c.mp3\n\\Music\\b.mp3\n", folders.Read(folders.Player("Playlists/Rock.pla")));
    EXPECT_EQ("\\Music\\A.WMA\n", folders.Read(folders.Player("Playlists/Jazz.pla")));
    EXPECT_EQ((std::pair{std::u16string(u"Jazz.pla"), std::u16string(u"\\Playlists")}),
              (std::pair{record.Name.Str(), record.Path.Str()}));

    // A playlist there already keeps its items and gets the new ones after them.
    CStringArray mood;
    mood.Add(u"\\Music\\A.WMA"), mood.Add(u"\\Music\\b.mp3");
    EXPECT_EQ(ZEL_SUCCESS, Agent_MTPUpdateMoodPlaylist(CString(u"ROCK"), mood, &record));
    EXPECT_EQ("\\Music\\c.mp3\n\\Music\\b.mp3\n\\Music\\A.WMA\n", folders.Read(folders.Player("Playlists/Rock.pla")));
    CStringArray items;
    ASSERT_EQ(1, Agent_MTPReadPlaylist(u"\\Playlists", u"rock", items));
    EXPECT_EQ((Names{u"\\Music\\c.mp3", u"\\Music\\b.mp3", u"\\Music\\A.WMA"}),
              (Names{items[0].Str(), items[1].Str(), items[2].Str()}));
    EXPECT_EQ(0, Agent_MTPReadPlaylist(u"\\Playlists", u"Blues", items));
    EXPECT_EQ(0, Agent_MTPReadPlaylist(u"\\Music", u"b.mp3", items));  // no playlist

    // A playlist folder chosen by name is made when missing, and the agent's
    // own path does not replace it until the agent moves.
    ASSERT_EQ(1, Agent_SetFolderStorage(nullptr, u"Lists", 0));
    EXPECT_EQ(1, Agent_SetFolderStorage(nullptr, Agent_GetCurrentPath(), 1));
    EXPECT_EQ(ZEL_SUCCESS, Agent_MTPUpdateMoodPlaylist(CString(u"Calm"), mood, &record));
    EXPECT_TRUE(folders.Exists(folders.Player("Lists/Calm.pla")));
    Agent_WMDMMoveSpecialFolder(u"Music", nullptr, nullptr);
    EXPECT_EQ(1, Agent_SetFolderStorage(nullptr, Agent_GetCurrentPath(), 1));
    EXPECT_EQ(ZEL_SUCCESS, Agent_MTPUpdateMoodPlaylist(CString(u"Here"), mood, &record));
    EXPECT_TRUE(folders.Exists(folders.Player("Music/Here.pla")));
    EXPECT_EQ(0, Agent_SetFolderStorage(nullptr, u"\\Music\\b.mp3\\x", 0));  // no folder below a file
}

}  // namespace
