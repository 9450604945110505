// The special folders of an MTP player opened directly, and the refresh of
// the device's view that opens again the special folder that was open.
#include "mtp_fixture.h"

namespace {

constexpr DWORD kAllFolders = ZEL_CAP_MUSIC_SPECIAL | ZEL_CAP_IMAGE | ZEL_CAP_VIDEO | ZEL_CAP_TEXT | ZEL_CAP_TS3 |
                              ZEL_CAP_BROADCAST;

std::u16string AgentPath() { return Agent_GetCurrentPath(); }

// How often a folder of that name is in the tree.
size_t InTree(const TestMTP& device, const std::u16string& name) {
    size_t count = 0;
    for (auto it = device.m_Tree.begin(); it != device.m_Tree.end(); ++it) count += it->Name.Str() == name ? 1 : 0;
    return count;
}

TEST_F(MtpTest, SpecialFoldersOpenWithTheirCapabilityAndAgainInTheSameWay) {
    // The set-up makes the music folder only; the others are made when first opened.
    Start([](tagDeviceSettings& s) { SetField(s.Folders[0], u"My Music\\Songs"); });
    device->m_Settings.Capabilities = kAllFolders;
    const struct {
        int kind;
        std::u16string folder;
        int slot;
        DWORD state;
    } kinds[] = {
        {1, u"My Music\\Songs", 1, 1}, {2, u"Photo", 1, 1}, {3, u"Video", 1, 1},  {4, u"Text", 0, 0},
        {5, u"TS3", 0, 0},             {7, u"Broadcast", 0, 1}, {6, u"", 0, 0},
    };
    for (const auto& k : kinds) {
        for (int round = 1; round <= 2; ++round) {
            SCOPED_TRACE(testing::Message() << "kind " << k.kind << ", round " << round);
            ASSERT_EQ(1, device->MoveSpecialFolder(k.kind));
            EXPECT_EQ((std::tuple{k.folder, u"\\" + k.folder, k.slot, k.state}),
                      (std::tuple{device->GetCurrentPath().Str(), AgentPath(), int(device->m_itCurrent->Slot),
                                  device->m_nSpecialFolderState}));
        }
    }
    EXPECT_EQ((std::vector<std::string>{"Broadcast", "My Music", "My Music/Songs", "Photo", "TS3", "Text", "Video"}),
              OnPlayer());
    for (const char16_t* name : {u"Photo", u"Songs", u"Text"}) EXPECT_EQ(1u, InTree(*device, name)) << ZelToUtf8(name);
    // Back at the root every Slot is 0 again, so the listing filter is off everywhere.
    for (auto it = device->m_Tree.begin(); it != device->m_Tree.end(); ++it) EXPECT_EQ(0u, it->Slot) << ZelToUtf8(it->Name.Str());

    // Without its capability a kind changes nothing but the special-folder state.
    ASSERT_EQ(1, device->MoveSpecialFolder(2));
    device->m_Settings.Capabilities = ZEL_CAP_IMAGE;
    for (int kind : {1, 3, 4, 5, 7, 0, 8}) {
        device->m_nSpecialFolderState = 1;
        EXPECT_EQ(0, device->MoveSpecialFolder(kind)) << kind;
        EXPECT_EQ((std::tuple{std::u16string(u"Photo"), std::u16string(u"\\Photo"), DWORD{0}}),
                  (std::tuple{device->GetCurrentPath().Str(), AgentPath(), device->m_nSpecialFolderState}))
            << kind;
    }
}

TEST_F(MtpTest, ARefreshListsThePlayerAgainAndReopensTheSpecialFolderThatWasOpen) {
    Start([](tagDeviceSettings& s) { s.Capabilities = ZEL_CAP_IMAGE; });
    ASSERT_EQ(1, device->MoveSpecialFolder(2));
    folders.Write(folders.Player("Photo/new.jpg"), "jpg");  // only a new listing shows it
    folders.Write(folders.Player("Photos/other.jpg"), "jpg");
    device->IsExistFile(const_cast<LPWSTR>(u"a.mp3"), const_cast<LPWSTR>(u"A"), nullptr, 2);
    device->m_Settings.FreeMB = 0;

    // 0: the capacity is measured and the lists emptied; the tree stays as it was.
    device->RefreshDeviceInfo(0);
    EXPECT_EQ((std::tuple{INT_PTR{0}, INT_PTR{0}, INT_PTR{0}, true, Names{}}),
              (std::tuple{device->m_TransferPaths.GetSize(), device->m_TransferPlaylistNames.GetSize(),
                          device->m_TransferMoodClasses.GetSize(), device->m_Settings.FreeMB > 0, device->Children()}));

    // 1: listed again from the root, and the photo folder opened again.
    device->RefreshDeviceInfo(1);
    EXPECT_EQ((std::tuple{std::u16string(u"Photo"), std::u16string(u"\\Photo"), Names{u"new.jpg"}, 1}),
              (std::tuple{device->GetCurrentPath().Str(), AgentPath(), device->Children(), int(device->m_itCurrent->Slot)}));

    // A folder whose name only begins with the photo folder's is not inside it.
    device->Move(nullptr);
    ASSERT_TRUE(device->Move(u"Photos"));
    device->RefreshDeviceInfo(1);
    EXPECT_EQ((std::pair{std::u16string(), AgentPath()}), (std::pair{device->GetCurrentPath().Str(), std::u16string(u"\\")}));
}

}  // namespace
