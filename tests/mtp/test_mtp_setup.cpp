// Setting an MTP player up: the folders its capabilities select, the
// storages and folders in the tree, moving through folders, making and
// deleting them, and the references to the player's storages.
#include <dlfcn.h>

#include <cstring>

#include "mtp_fixture.h"

extern "C" void __cxa_pure_virtual();

namespace {

using Paths = std::vector<std::string>;

TEST_F(MtpTest, SetUpMakesTheFoldersTheCapabilitiesSelect) {
    const struct {
        DWORD capabilities;
        WORD product;
        Paths made;
    } cases[] = {
        {0, 0x5000, {"Music"}},
        {ZEL_CAP_IMAGE | ZEL_CAP_VIDEO | ZEL_CAP_TEXT | ZEL_CAP_TS3 | ZEL_CAP_BROADCAST, 0x5000,
         {"Broadcast", "Music", "Photo", "TS3", "Text", "Video"}},  // entry 5 never
        {ZEL_CAP_MYAURO | ZEL_CAP_UCI | ZEL_CAP_GUIDE, 0x5118,
         {"Datacast", "Datacast/EPG", "Music", "My Pack", "My Pack/UCI", "My Pack/myAuro"}},
        {ZEL_CAP_UCI, 0x5119, {"Music", "My Pack", "My Pack/Theme"}},
    };
    for (const auto& c : cases) {
        for (const auto& entry : std::filesystem::directory_iterator(folders.Player())) std::filesystem::remove_all(entry);
        TestMTP fresh;
        ASSERT_EQ(ZEL_SUCCESS, Create(fresh, [&](tagDeviceSettings& s) { s.Capabilities = c.capabilities; },
                                      PlayerInfo(c.product)));
        EXPECT_EQ(c.made, OnPlayer()) << std::hex << c.capabilities;
        EXPECT_EQ(1u, fresh.m_Settings.IsMTP);
    }
}

TEST_F(MtpTest, AFailedSetUpMakesNothingAndListsNothing) {
    DebugLines debug;
    // The base set-up fails first: the database library the settings name is missing.
    EXPECT_EQ(ZEL_ERR_NO_DB_LIBRARY, Create(*device, [](tagDeviceSettings& s) {
                  s.Capabilities = ZEL_CAP_DATABASE | ZEL_CAP_IMAGE;
                  SetField(s.DBLibraryPath, u"Z:\\nonexistent\\ZELPlayerDB.dll");
              }));
    EXPECT_TRUE(OnPlayer().empty());
    EXPECT_TRUE(device->m_Tree.empty());
    EXPECT_TRUE(debug.Has(u"[Device] Can't load DB Library from device\n"));

    // No player to open: the listing fails and the tree stays empty.
    ScopedEnv gone("ZEL_MTP_FAULT", "gone");
    TestMTP unplugged;
    EXPECT_EQ(ZEL_FAILURE, Create(unplugged));
    EXPECT_TRUE(unplugged.m_Tree.empty());
}

TEST_F(MtpTest, StoragesAndTheirFoldersAppearInTheTree) {
    folders.Write(folders.Card("Photo/p.jpg"), "jpg");
    folders.Write(folders.Player("Music/a.mp3"), "mp3");
    Start();
    // The root node is the internal storage; the card is a folder of it.
    EXPECT_EQ(u"Internal Storage", device->m_Tree.begin()->Name.Str());
    Names listed;
    for (CZEL_File* f = device->FindFileFirst(); f != nullptr; f = device->FindFileNext()) listed.push_back(f->Name.Str());
    EXPECT_EQ((Names{u"Memory Card", u"Music"}), listed);
    EXPECT_NE(0u, device->Child(u"Memory Card")->FolderStorage);
    EXPECT_GT(device->m_Settings.TotalMB, 1u);

    // Down into the card and its folder, back up, to the root; a missing folder changes nothing.
    EXPECT_TRUE(device->Move(u"Memory Card"));
    EXPECT_TRUE(device->Move(u"Photo"));
    EXPECT_EQ((std::pair{Names{u"p.jpg"}, std::u16string(u"Memory Card\\Photo")}),
              (std::pair{device->Children(), device->GetCurrentPath().Str()}));
    EXPECT_EQ(u"\\Memory Card\\Photo", std::u16string(Agent_GetCurrentPath()));
    EXPECT_TRUE(device->Move(u".."));
    EXPECT_FALSE(device->Move(u"Nowhere"));
    EXPECT_EQ((std::pair{std::u16string(u"Memory Card"), std::u16string(u"\\Memory Card")}),
              (std::pair{device->GetCurrentPath().Str(), std::u16string(Agent_GetCurrentPath())}));
    device->Move(nullptr);
    EXPECT_EQ((std::pair{std::u16string(u""), std::u16string(u"\\")}),
              (std::pair{device->GetCurrentPath().Str(), std::u16string(Agent_GetCurrentPath())}));
    EXPECT_TRUE(device->Move(u"Music"));  // listed now
    EXPECT_TRUE(device->Move(u".."));
    EXPECT_FALSE(device->Move(u"Music"));  // listed already: no listing
    EXPECT_EQ(Names{u"a.mp3"}, device->Children());
}

TEST_F(MtpTest, FoldersAreMadeAndFilesAndFoldersDeleted) {
    folders.Write(folders.Player("Music/Old/x.mp3"), "x");
    folders.Write(folders.Player("Music/a.mp3"), "a");
    Start();
    ASSERT_TRUE(device->Move(u"Music"));  // listed now
    EXPECT_TRUE(device->MakeFolder(const_cast<LPWSTR>(u"New")));
    EXPECT_FALSE(device->MakeFolder(const_cast<LPWSTR>(u"new")));  // there already: the tree is not changed
    EXPECT_EQ((Names{u"a.mp3", u"Old", u"New"}), device->Children());
    EXPECT_EQ(u"Music\\new", device->m_CurrentFolderEntry.Path.Str());

    EXPECT_EQ(ZEL_SUCCESS, device->DeleteFileDev(const_cast<LPWSTR>(u"A.MP3"), 0));
    EXPECT_EQ(ZEL_SUCCESS, device->DeleteFileDev(const_cast<LPWSTR>(u"Old"), 1));
    EXPECT_EQ(ZEL_SUCCESS, device->DeleteFileDev(const_cast<LPWSTR>(u"nothing.mp3"), 0));
    EXPECT_EQ(ZEL_FAILURE, device->DeleteFileDev(const_cast<LPWSTR>(u".."), 1));
    EXPECT_EQ((Paths{"Music", "Music/New"}), OnPlayer());
    EXPECT_EQ(Names{u"New"}, device->Children());
}

TEST_F(MtpTest, StorageReferencesBalanceAfterASession) {
    folders.Write(folders.Player("Music/a.mp3"), "a");
    Start();
    IStream** first = nullptr;
    IStream** second = nullptr;
    IWMDMStorage* root = device->GetStorageFromAgent(&first, &second);
    ASSERT_NE(nullptr, root);
    IWMDMStorage* music = nullptr;
    ASSERT_EQ(S_OK, CoGetInterfaceAndReleaseStream(*device->Child(u"Music")->StorageStream, IID_IWMDMStorage,
                                                   reinterpret_cast<void**>(&music)));
    device->Move(u"Music");
    tagDB_File record = Record(ZEL_MEDIA_MP3, PcFile("b.mp3", "b"), u"b.mp3");
    ASSERT_EQ(ZEL_SUCCESS, device->TransferFile2(const_cast<LPWSTR>(u"\\Music"), &record, 0, root, 0, nullptr));
    EXPECT_EQ(ZEL_SUCCESS, device->DeleteFileDev(const_cast<LPWSTR>(u"b.mp3"), 0));

    // The device goes away: every reference left is the test's own.
    device.reset();
    EXPECT_EQ((std::tuple{nullptr, nullptr, ULONG{0}, ULONG{0}}),
              (std::tuple{*first, *second, music->Release(), root->Release()}));
}

TEST(MtpClass, EveryOperationOfTheTableIsImplemented) {
    auto* table = static_cast<void* const*>(dlsym(RTLD_DEFAULT, "_ZTV17CZEL_DeviceForMTP"));
    ASSERT_NE(table, nullptr) << "the device library exports the class";
    // CanTransfer holds the last slot; a member pointer holds 1 + its byte offset.
    auto canTransfer = &CZEL_Device::CanTransfer;
    uintptr_t raw = 0;
    std::memcpy(&raw, &canTransfer, sizeof raw);
    const size_t last = (raw - 1) / sizeof(void*);
    for (size_t slot = 0; slot <= last; ++slot)
        EXPECT_NE(reinterpret_cast<void*>(&__cxa_pure_virtual), table[2 + slot]) << slot;
}

}  // namespace
