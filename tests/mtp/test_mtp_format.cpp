// Formatting an MTP player: its storage emptied through the agent, the
// standard folders made again and the view listed afresh.
#include "mtp_fixture.h"

namespace {

TEST_F(MtpTest, AFormatEmptiesTheStorageAndMakesTheStandardFoldersAgain) {
    folders.Write(folders.Player("Music/Rock/a.mp3"), "a");
    folders.Write(folders.Player("notes.txt"), "n");
    folders.Write(folders.Card("Photo/p.jpg"), "jpg");
    Start([](tagDeviceSettings& s) { s.Capabilities = ZEL_CAP_MUSIC_SPECIAL | ZEL_CAP_IMAGE | ZEL_CAP_MYAURO; });
    ASSERT_TRUE(device->Move(u"Music"));

    ASSERT_EQ(ZEL_SUCCESS, device->FormatDevice());
    // The pack folders of the set-up are not made again; the card is not formatted.
    EXPECT_EQ((std::vector<std::string>{"Music", "Photo"}), OnPlayer());
    EXPECT_EQ((std::vector<std::string>{"Photo", "Photo/p.jpg"}), SimulatedPlayerFolders::Everything(folders.Card()));
    // The view is the player's as it is now, in the music folder.
    EXPECT_EQ((std::tuple{std::u16string(u"Music"), std::u16string(u"\\Music"), Names{}}),
              (std::tuple{device->GetCurrentPath().Str(), std::u16string(Agent_GetCurrentPath()), device->Children()}));
    device->Move(nullptr);
    EXPECT_EQ((Names{u"Memory Card", u"Music", u"Photo"}), device->Children());
    EXPECT_EQ((std::vector<LPARAM>{0}), host.Values(ZEL_EVENT_FORMAT_STAGE));

    // A player that is gone is not formatted: failure, and the view is what can be listed.
    ScopedEnv gone("ZEL_MTP_FAULT", "gone");
    EXPECT_EQ(ZEL_FAILURE, device->FormatDevice());
}

}  // namespace
