// Moving through the folders of a mass-storage player and making and deleting
// files and folders: the drive, the device tree, the current path and the
// player's database stay in step.
#include <string>
#include <utility>
#include <vector>

#include "ums_fixture.h"

namespace {

using Place = std::pair<std::u16string, std::u16string>;  // current tree node, current path

LPWSTR W(const char16_t* text) { return const_cast<LPWSTR>(text); }

class FolderDevice : public TestUMS {
public:
    using CZEL_Device::LookUpInDatabase;

    // Cached children of a child folder of the current folder; -1 when there is no such child.
    int CachedChildren(const std::u16string& name) const {
        for (auto it = m_itCurrent.begin(); it != m_itCurrent.end(); ++it)
            if (it->Name.Str() == name) return static_cast<int>(it.number_of_children());
        return -1;
    }
    size_t Count(const std::u16string& name) const {
        auto names = Children();
        return static_cast<size_t>(std::count(names.begin(), names.end(), name));
    }
    Place Where() { return {CurrentName(), GetCurrentPath().Str()}; }
};

class UmsFolders : public ::testing::Test {
protected:
    UmsFolders() { FillPlainSettings(device.m_Settings); }
    void Start() {
        tagDeviceInfo info = DriveInfo();
        ASSERT_EQ(ZEL_SUCCESS, device.CreateDevice(&info, host.Handle()));
    }
    Place At(const std::u16string& node, const std::u16string& relative) { return {node, drive.Win(relative)}; }

    TempDrive drive;
    HostWindow host;
    FolderDevice device;
};

TEST_F(UmsFolders, MovingThroughFolders) {
    drive.WriteFile("Music/a.mp3", "x");
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(1, device.MoveFolder(W(u"Music")));
    EXPECT_EQ(At(u"Music", u"Music\\"), device.Where());
    const auto firstVisit = device.Children();
    EXPECT_EQ(1u, device.Count(u"a.mp3"));

    // A folder is listed once: a file added after the first visit stays unseen.
    drive.WriteFile("Music/b.mp3", "x");
    EXPECT_EQ(1, device.MoveFolder(W(u"..")));
    EXPECT_EQ(At(u"Root", u""), device.Where());
    EXPECT_EQ(1, device.MoveFolder(W(u"Music")));
    EXPECT_EQ(firstVisit, device.Children());

    // A missing folder leaves the current folder and path as they were.
    EXPECT_EQ(1, device.MoveFolder(W(u"Missing")));
    EXPECT_EQ(At(u"Music", u"Music\\"), device.Where());

    device.m_bCancel = 0;
    EXPECT_EQ(1, device.CancelTransfer());
    EXPECT_EQ(1u, device.m_bCancel);

    // Each level of a path below the root is made and entered; a second walk makes nothing twice.
    device.MoveFolder(W(u"Music"));
    for (int walk = 0; walk < 2; ++walk) {
        device.MoveRootSubFolder(u"A\\B");
        EXPECT_TRUE(drive.Exists("A/B"));
        EXPECT_EQ(At(u"B", u"A\\B\\"), device.Where());
        device.MoveFolder(W(u".."));
        EXPECT_EQ(At(u"A", u"A\\"), device.Where());
        EXPECT_EQ(1u, device.Count(u"B"));
        device.MoveFolder(W(u".."));
        EXPECT_EQ(1u, device.Count(u"A"));
    }
}

TEST_F(UmsFolders, MakingFolders) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const size_t before = device.Children().size();
    EXPECT_EQ(0, device.MakeFolder(W(u"Music")));
    EXPECT_EQ(0, device.MakeFolder(W(u"")));
    EXPECT_EQ(before, device.Children().size());

    EXPECT_NE(0, device.MakeFolder(W(u"New")));
    EXPECT_TRUE(drive.Exists("New"));
    EXPECT_EQ(before + 1, device.Children().size());
    EXPECT_EQ(u"New", device.Children().back());
    device.MoveFolder(W(u"New"));
    EXPECT_EQ(At(u"New", u"New\\"), device.Where());
}

TEST_F(UmsFolders, DeletingFilesAndFoldersWithTheirRecords) {
    InstallPlayerDatabase(drive, device.m_Settings);
    const std::vector<std::u16string> files = {u"ro.mp3", u"Album\\x.mp3", u"Album\\Disc\\y.mp3",
                                               u"Album\\Disc\\Deep\\z.mp3"};
    for (const auto& file : files) {
        std::string host(file.begin(), file.end());
        std::replace(host.begin(), host.end(), '\\', '/');
        drive.WriteFile(host, "x");
    }
    ASSERT_NO_FATAL_FAILURE(Start());
    for (const auto& file : files) {
        tagDB_File record{};
        record.MediaType = ZEL_MEDIA_MP3;
        std::u16string path = drive.Win(file);
        ASSERT_TRUE(device.AddFileToDB(path.data(), &record));
        ASSERT_EQ(1u, device.LookUpInDatabase(path.c_str()));
    }
    ASSERT_TRUE(SetFileAttributesW(drive.Win(u"ro.mp3").c_str(), FILE_ATTRIBUTE_READONLY));

    const auto before = device.Children();
    EXPECT_EQ(ZEL_FAILURE, device.DeleteFileDev(W(u".."), 0));
    EXPECT_EQ(ZEL_FAILURE, device.DeleteFileDev(W(u".."), 1));
    EXPECT_EQ(before, device.Children());
    EXPECT_EQ(At(u"Root", u""), device.Where());

    EXPECT_EQ(ZEL_SUCCESS, device.DeleteFileDev(W(u"ro.mp3"), 0));
    EXPECT_FALSE(drive.Exists("ro.mp3"));
    EXPECT_EQ(0u, device.Count(u"ro.mp3"));

    device.MoveFolder(W(u"Album"));
    device.MoveFolder(W(u".."));
    EXPECT_EQ(ZEL_SUCCESS, device.DeleteFileDev(W(u"Album"), 1));
    EXPECT_FALSE(drive.Exists("Album"));
    EXPECT_EQ(0u, device.Count(u"Album"));
    EXPECT_EQ(At(u"Root", u""), device.Where());
    for (const auto& file : files) EXPECT_EQ(0u, device.LookUpInDatabase(drive.Win(file).c_str()));
}

TEST_F(UmsFolders, AnUndeletableFileStopsTheFolder) {
    drive.WriteFile("Stuck/a.mp3", "x");
    drive.WriteFile("Stuck/b.mp3", "x");
    drive.WriteFile("Outer/Inner/c.mp3", "x");
    ASSERT_NO_FATAL_FAILURE(Start());
    device.MoveFolder(W(u"Stuck"));
    device.MoveFolder(W(u".."));
    ASSERT_GT(device.CachedChildren(u"Stuck"), 0);

    ZelInjectFault(drive.Win(u"Stuck\\b.mp3").c_str(), ZEL_FAULT_DELETE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ZEL_FAILURE, device.DeleteFileDev(W(u"Stuck"), 1));
    EXPECT_TRUE(drive.Exists("Stuck/b.mp3"));
    EXPECT_EQ(At(u"Root", u""), device.Where());
    EXPECT_EQ(0, device.CachedChildren(u"Stuck"));
    device.MoveFolder(W(u"Stuck"));  // the next visit lists what is left
    EXPECT_EQ(1u, device.Count(u"b.mp3"));
    device.MoveFolder(W(u".."));

    // A failure two levels down still brings the current path back.
    ZelInjectFault(drive.Win(u"Outer\\Inner\\c.mp3").c_str(), ZEL_FAULT_DELETE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ZEL_FAILURE, device.DeleteFileDev(W(u"Outer"), 1));
    EXPECT_TRUE(drive.Exists("Outer/Inner/c.mp3"));
    EXPECT_EQ(At(u"Root", u""), device.Where());
}

}  // namespace
