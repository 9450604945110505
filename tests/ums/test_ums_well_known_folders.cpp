// The player's special folders opened directly: made where missing, entered in
// the tree once, marked for the listing filter, and opened again when the
// device's view is refreshed.
#include <string>

#include "ums_fixture.h"

namespace {

LPWSTR W(const char16_t* text) { return const_cast<LPWSTR>(text); }

class UmsSpecialFolders : public UmsTest {
protected:
    static Adjust With(DWORD capabilities, const Adjust& more = {}) {
        return [=](tagDeviceSettings& s) {
            s.Capabilities |= capabilities;
            SetField(s.PlaylistFile, u"Playlists");
            if (more) more(s);
        };
    }
    std::pair<std::u16string, std::u16string> At(const std::u16string& node, const std::u16string& relative) {
        return {node, drive.Win(relative)};
    }
    DWORD Slot() const { return device.m_itCurrent->Slot; }
};

TEST_F(UmsSpecialFolders, MusicFolderIsMadeLevelByLevelAndEnteredOnce) {
    Start(With(ZEL_CAP_MUSIC_SPECIAL, [](tagDeviceSettings& s) { SetField(s.Folders[0], u"Music\\Rock\\Live"); }));
    ASSERT_TRUE(drive.Exists("Music"));
    std::filesystem::remove_all(drive.Host("Music/Rock"));  // one level of three exists
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(1, device.MoveSpecialFolder(1));
        EXPECT_TRUE(drive.Exists("Music/Rock/Live"));
        EXPECT_EQ(At(u"Live", u"Music\\Rock\\Live\\"), device.Where());
        EXPECT_EQ(1u, Slot());
        device.MoveSpecialFolder(6);
        EXPECT_EQ(1u, device.Count(u"Music"));
        device.Move(u"Music");
        EXPECT_EQ(1u, device.Count(u"Rock"));
        device.Move(u"Rock");
        EXPECT_EQ(1u, device.Count(u"Live"));
    }
    // Without the capability nothing moves.
    TestUMS plain;
    ASSERT_EQ(ZEL_SUCCESS, Create(plain, DriveInfo()));
    plain.Move(u"Music");
    EXPECT_EQ(0, plain.MoveSpecialFolder(1));
    EXPECT_EQ(0, plain.MoveSpecialFolder(2));
    EXPECT_EQ(u"Music", plain.Where().first);
}

TEST_F(UmsSpecialFolders, PhotoAndVideoOnceEachUntilTheRootResetsTheMarks) {
    Start(With(ZEL_CAP_IMAGE | ZEL_CAP_VIDEO));
    const struct {
        int id;
        BOOL result;
        const char16_t* node;
    } kMoves[] = {
        {2, 1, u"Photo"}, {2, 0, u"Photo"},  // already there
        {3, 1, u"Video"}, {3, 0, u"Video"},
        {6, 1, u"Root"},                     // every Slot back to 0
        {2, 1, u"Photo"}, {3, 1, u"Video"}, {2, 1, u"Photo"},
    };
    for (const auto& move : kMoves) {
        EXPECT_EQ(move.result, device.MoveSpecialFolder(move.id)) << move.id;
        EXPECT_EQ(move.node, device.Where().first) << move.id;
        if (move.id == 6) {
            for (auto it = device.m_Tree.begin(); it != device.m_Tree.end(); ++it) EXPECT_EQ(0u, it->Slot);
        }
    }
    // Inside the folder, the listing hides ".." first (and folders with 0x800).
    drive.WriteFile("Photo/Sub/x.jpg", "x");
    device.MoveSpecialFolder(6);
    device.RefreshDeviceInfo(1);
    device.MoveSpecialFolder(2);
    CZEL_File* first = device.FindFileFirst();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(CString(u"Sub"), first->Name);
}

TEST_F(UmsSpecialFolders, OneStepFoldersThePlaylistFolderAndThePackFolders) {
    Start(With(ZEL_CAP_TEXT | ZEL_CAP_TS3 | ZEL_CAP_PLAYLISTS | ZEL_CAP_MYAURO | ZEL_CAP_BROADCAST,
               [](tagDeviceSettings& s) {
                   SetField(s.Folders[3], u"Docs\\Text");  // one step: a missing middle level is not made
                   SetField(s.Folders[6], u"Cast");
                   SetField(s.Folders[7], u"Songs");
                   SetField(s.Folders[8], u"Games");
               }));
    std::filesystem::remove_all(drive.Host("Playlists"));
    const struct {
        int id;
        const char16_t* where;
        const char* made;  // on the drive afterwards, or null for a folder only entered
        std::vector<std::u16string> listed;
    } kMoves[] = {
        {8, u"Playlists\\", "Playlists", {}},
        {4, u"Docs\\Text\\", nullptr, {}},
        {7, u"Cast\\", "Cast", {}},
        {11, u"My Pack\\", "My Pack", {u"Songs"}},
        {9, u"My Pack\\Songs\\", "My Pack/Songs", {}},  // made by set-up, only entered here
        {10, u"My Pack\\Games\\", "My Pack/Games", {}},
    };
    for (const auto& move : kMoves) {
        EXPECT_EQ(1, device.MoveSpecialFolder(move.id)) << move.id;
        EXPECT_EQ(drive.Win(move.where), device.GetCurrentPath().Str()) << move.id;
        if (move.made) {
            EXPECT_TRUE(drive.Exists(move.made)) << move.id;
        }
        std::vector<std::u16string> listed = device.Children();
        listed.erase(std::remove(listed.begin(), listed.end(), u".."), listed.end());
        EXPECT_EQ(move.listed, listed) << move.id;
    }
    EXPECT_FALSE(drive.Exists("Docs"));
    EXPECT_FALSE(drive.Exists("Games")) << "the pack folder is made inside My Pack";
    EXPECT_FALSE(drive.Exists("My Pack/My Pack"));

    // An unknown id opens the root; a special folder the host configured no folder for is not opened.
    EXPECT_EQ(1, device.MoveSpecialFolder(42));
    EXPECT_EQ(At(u"Root", u""), device.Where());
    device.Move(u"Cast");
    EXPECT_EQ(0, device.MoveSpecialFolder(5));
    EXPECT_EQ(u"Cast", device.Where().first);
}

TEST_F(UmsSpecialFolders, RefreshListsTheRootAgainAndReopensTheSpecialFolder) {
    drive.WriteFile("Music/a.mp3", "x");
    Start(With(ZEL_CAP_IMAGE | ZEL_CAP_PLAYLISTS));
    ASSERT_EQ(1, device.MoveSpecialFolder(2));
    device.Move(u"..");
    device.Move(u"Music");
    device.IsExistFile(W(u"a.mp3"), W(u"A"), nullptr, 0);

    // Without reload: the lists are emptied (no playlist is written after it) and the capacity measured.
    ZelSetDriveSpace(u'E', 3ull << 30, 8ull << 30);
    device.RefreshDeviceInfo(0);
    EXPECT_EQ((std::pair{3072u, 8192u}), (std::pair{device.m_Settings.FreeMB, device.m_Settings.TotalMB}));
    EXPECT_EQ(At(u"Music", u"Music\\"), device.Where());
    device.UpdatePlaylist(1, nullptr, nullptr, nullptr);
    EXPECT_FALSE(drive.Exists("Playlists/A.xpl"));

    // Reloading while a special folder is open lists the root anew and opens the folder again.
    ASSERT_EQ(1, device.MoveSpecialFolder(2));
    drive.WriteFile("Photo/new.jpg", "x");
    drive.WriteFile("Late/b.mp3", "x");
    device.RefreshDeviceInfo(1);
    EXPECT_EQ(At(u"Photo", u"Photo\\"), device.Where());
    EXPECT_EQ(1u, Slot());
    EXPECT_EQ(1u, device.Count(u"new.jpg"));
    device.MoveSpecialFolder(6);
    EXPECT_EQ(1u, device.Count(u"Late"));
    // A folder that is no special folder is not reopened: the root stays current.
    ASSERT_EQ(1, device.MoveSpecialFolder(2));
    device.Move(u"..");
    device.Move(u"Late");
    device.RefreshDeviceInfo(1);
    EXPECT_EQ(At(u"Root", u""), device.Where());
}

}  // namespace
