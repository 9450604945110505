// A mass-storage device object comes up on an empty drive and lists its standard folders.
#include "ums_fixture.h"

TEST(UmsSmoke, CreateDeviceMakesAndListsTheStandardFolders) {
    TempDrive drive;
    HostWindow host;
    TestUMS device;
    FillPlainSettings(device.m_Settings);
    tagDeviceInfo info = DriveInfo();
    ASSERT_EQ(ZEL_SUCCESS, device.CreateDevice(&info, host.Handle()));
    EXPECT_TRUE(drive.Exists("Music"));
    EXPECT_TRUE(drive.Exists("Text"));
    EXPECT_EQ((std::vector<std::u16string>{u"Music", u"Photo", u"Text", u"Video"}), device.Listing());
}
