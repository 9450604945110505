// Volume labels of a mapped drive: kept on the drive's folder, so that they
// outlive the process that set them, and read back by GetVolumeInformationW.
#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <string>

#include "lasterror.h"
#include "tempdrive.h"
#include "zelcompat/files.h"

namespace {

std::u16string Label(LPCWSTR root) {
    WCHAR label[40] = {};
    if (!GetVolumeInformationW(root, label, 40, nullptr, nullptr, nullptr, nullptr, 0)) return u"<failed>";
    return label;
}

TEST(VolumeLabel, IsKeptOnTheDrivesFolderAndReadBack) {
    TempDrive drive;
    char probe[8];
    if (setxattr(drive.Folder().c_str(), "user.probe", "x", 1, 0) != 0) GTEST_SKIP() << "no extended attributes here";
    removexattr(drive.Folder().c_str(), "user.probe");

    EXPECT_EQ(u"", Label(u"E:\\"));
    ASSERT_TRUE(SetVolumeLabelW(u"E:\\", u"D4"));
    EXPECT_EQ(u"D4", Label(u"E:\\"));
    EXPECT_EQ(u"D4", Label(u"e:"));
    // On the folder itself: another process, or a later run, reads the same label.
    const ssize_t length = getxattr(drive.Folder().c_str(), "user.zelcompat.label", probe, sizeof probe);
    EXPECT_EQ("D4", std::string(probe, length > 0 ? static_cast<size_t>(length) : 0));
    ZelUnmapDrive(u'E');
    ZelMapDrive(u'F', drive.Folder().c_str());
    EXPECT_EQ(u"D4", Label(u"F:\\"));
    ZelUnmapDrive(u'F');
    ZelMapDrive(u'E', drive.Folder().c_str());

    ASSERT_TRUE(SetVolumeLabelW(u"E:\\", nullptr));
    EXPECT_EQ(u"", Label(u"E:\\"));

    WCHAR small[2] = {};
    SetVolumeLabelW(u"E:\\", u"Player");
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER,
              ErrorOf([&] { return GetVolumeInformationW(u"E:\\", small, 2, nullptr, nullptr, nullptr, nullptr, 0); }));
    EXPECT_EQ(ERROR_INVALID_NAME, ErrorOf([] { return SetVolumeLabelW(u"E:\\", u"a label of more than thirty-two units"); }));
    drive.WriteFile("Music/a.mp3", "a");
    EXPECT_EQ(ERROR_INVALID_DRIVE, ErrorOf([] { return SetVolumeLabelW(u"E:\\Music", u"X"); }));
    EXPECT_EQ(ERROR_INVALID_DRIVE, ErrorOf([] { return SetVolumeLabelW(u"Q:\\", u"X"); }));
    EXPECT_EQ(u"Player", Label(u"E:\\"));
}

}  // namespace
