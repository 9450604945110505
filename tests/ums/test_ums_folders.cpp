// Moving through the folders of a mass-storage player and making and deleting
// files and folders: the drive, the device tree, the current path and the
// player's database stay in step.
#include <unistd.h>

#include <string>
#include <vector>

#include "ums_fixture.h"

namespace {

class UmsFolders : public UmsTest {
protected:
    std::pair<std::u16string, std::u16string> At(const std::u16string& node, const std::u16string& relative) {
        return {node, drive.Win(relative)};
    }
};

LPWSTR W(const char16_t* text) { return const_cast<LPWSTR>(text); }

// Cached children of a child folder of the current folder; -1 when there is no such child.
int CachedChildren(const TestUMS& device, const std::u16string& name) {
    for (auto it = device.m_itCurrent.begin(); it != device.m_itCurrent.end(); ++it)
        if (it->Name.Str() == name) return static_cast<int>(it.number_of_children());
    return -1;
}

TEST_F(UmsFolders, MovingThroughAndMakingFolders) {
    drive.WriteFile("Music/a.mp3", "x");
    Start();
    const size_t atRoot = device.Children().size();
    EXPECT_EQ(1, device.Move(u"Music"));
    EXPECT_EQ(At(u"Music", u"Music\\"), device.Where());
    const auto firstVisit = device.Children();
    EXPECT_EQ(1u, device.Count(u"a.mp3"));

    // A folder is listed once: a file added after the first visit stays unseen.
    drive.WriteFile("Music/b.mp3", "x");
    EXPECT_EQ(1, device.Move(u".."));
    EXPECT_EQ(At(u"Root", u""), device.Where());
    EXPECT_EQ(1, device.Move(u"Music"));
    EXPECT_EQ(firstVisit, device.Children());
    // A missing folder becomes the current folder with an empty view; left
    // again with nothing in it, it leaves no trace in the tree.
    EXPECT_EQ(1, device.Move(u"Missing\\Deeper"));
    EXPECT_EQ(At(u"Deeper", u"Music\\Missing\\Deeper\\"), device.Where());
    EXPECT_TRUE(device.Children().empty());
    device.Move(u"..");
    EXPECT_EQ(At(u"Missing", u"Music\\Missing\\"), device.Where());
    device.Move(u"..");
    EXPECT_EQ(firstVisit, device.Children());
    // A transfer into a missing folder makes it and lands the file inside.
    EXPECT_EQ(1, device.Move(u"Missing"));
    tagDB_File record{};
    record.MediaType = ZEL_MEDIA_MP3;
    std::u16string source = PcFile("new.mp3", "new");
    EXPECT_EQ(ZEL_SUCCESS, device.TransferFile(source.data(), &record, 0));
    EXPECT_EQ("new", drive.ReadFile("Music/Missing/new.mp3"));
    EXPECT_EQ(std::vector<std::u16string>{u"new.mp3"}, device.Children());
    device.Move(u"..");
    EXPECT_EQ(1u, device.Count(u"Missing"));
    EXPECT_FALSE(drive.Exists("Missing"));

    // Each level of a path below the root is made and entered; a second walk makes nothing twice.
    for (int walk = 0; walk < 2; ++walk) {
        device.MoveRootSubFolder(u"A\\B");
        EXPECT_TRUE(drive.Exists("A/B"));
        EXPECT_EQ(At(u"B", u"A\\B\\"), device.Where());
        device.Move(u"..");
        EXPECT_EQ(1u, device.Count(u"B"));
        device.Move(u"..");
        EXPECT_EQ(1u, device.Count(u"A"));
    }

    // An existing name or no name makes nothing; a new folder is made, added last and can be entered.
    EXPECT_EQ(0, device.MakeFolder(W(u"Music")));
    EXPECT_EQ(0, device.MakeFolder(W(u"")));
    EXPECT_EQ(atRoot + 1, device.Children().size());  // A was added by the walk
    EXPECT_NE(0, device.MakeFolder(W(u"New")));
    EXPECT_TRUE(drive.Exists("New"));
    EXPECT_EQ(atRoot + 2, device.Children().size());
    EXPECT_EQ(u"New", device.Children().back());
    device.Move(u"New");
    EXPECT_EQ(At(u"New", u"New\\"), device.Where());
}

TEST_F(UmsFolders, DeletingFilesAndFoldersWithTheirRecords) {
    std::vector<std::u16string> paths;
    for (const char* file : {"ro.mp3", "Album/x.mp3", "Album/Disc/y.mp3", "Album/Disc/Deep/z.mp3"})
        paths.push_back(Put(drive, file, "x"));
    Start(WithDatabase());
    for (auto& path : paths) {
        tagDB_File record{};
        record.MediaType = ZEL_MEDIA_MP3;
        ASSERT_TRUE(device.AddFileToDB(path.data(), &record));
        ASSERT_EQ(1u, device.LookUpInDatabase(path.c_str()));
    }
    ASSERT_TRUE(SetFileAttributesW(paths[0].c_str(), FILE_ATTRIBUTE_READONLY));

    const auto before = device.Children();
    EXPECT_EQ(ZEL_FAILURE, device.DeleteFileDev(W(u".."), 0));
    EXPECT_EQ(ZEL_FAILURE, device.DeleteFileDev(W(u".."), 1));
    EXPECT_EQ(before, device.Children());
    EXPECT_EQ(At(u"Root", u""), device.Where());

    EXPECT_EQ(ZEL_SUCCESS, device.DeleteFileDev(W(u"ro.mp3"), 0));  // read-only
    EXPECT_FALSE(drive.Exists("ro.mp3"));
    EXPECT_EQ(0u, device.Count(u"ro.mp3"));

    device.Move(u"Album");
    device.Move(u"..");
    EXPECT_EQ(ZEL_SUCCESS, device.DeleteFileDev(W(u"Album"), 1));
    EXPECT_FALSE(drive.Exists("Album"));
    EXPECT_EQ(0u, device.Count(u"Album"));
    EXPECT_EQ(At(u"Root", u""), device.Where());
    for (const auto& path : paths) EXPECT_EQ(0u, device.LookUpInDatabase(path.c_str()));
}

TEST_F(UmsFolders, AnUndeletableFileStopsTheFolder) {
    drive.WriteFile("Stuck/a.mp3", "x");
    drive.WriteFile("Stuck/b.mp3", "x");
    drive.WriteFile("Outer/Inner/c.mp3", "x");
    Start();
    device.Move(u"Stuck");
    device.Move(u"..");
    ASSERT_GT(CachedChildren(device, u"Stuck"), 0);

    ZelInjectFault(drive.Win(u"Stuck\\b.mp3").c_str(), ZEL_FAULT_DELETE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ZEL_FAILURE, device.DeleteFileDev(W(u"Stuck"), 1));
    EXPECT_TRUE(drive.Exists("Stuck/b.mp3"));
    EXPECT_EQ(At(u"Root", u""), device.Where());
    EXPECT_EQ(0, CachedChildren(device, u"Stuck"));
    device.Move(u"Stuck");  // the next visit lists what is left
    EXPECT_EQ(1u, device.Count(u"b.mp3"));
    device.Move(u"..");

    // A failure two levels down still brings the current path back.
    ZelInjectFault(drive.Win(u"Outer\\Inner\\c.mp3").c_str(), ZEL_FAULT_DELETE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ZEL_FAILURE, device.DeleteFileDev(W(u"Outer"), 1));
    EXPECT_TRUE(drive.Exists("Outer/Inner/c.mp3"));
    EXPECT_EQ(At(u"Root", u""), device.Where());
}

// Links inside the player are removed as links: a folder deletion never goes
// through one, whether it leads to a sibling folder or to the player's root.
TEST_F(UmsFolders, FolderDeletionsRemoveLinksAndNothingTheyLeadTo) {
    std::vector<std::u16string> kept;
    for (const char* file : {"Photo/cover600.jpg", "Music/a.mp3", "Text/notes.txt"}) kept.push_back(Put(drive, file, "keep"));
    const std::u16string gone = Put(drive, "Music/Album/track.mp3", "x");
    std::filesystem::create_directories(drive.Host("Text/sub"));
    ASSERT_EQ(0, symlink("../../Photo", drive.Host("Music/Album/pics").c_str()));
    ASSERT_EQ(0, symlink("../../Music/a.mp3", drive.Host("Music/Album/same.mp3").c_str()));
    ASSERT_EQ(0, symlink("../..", drive.Host("Text/sub/root").c_str()));
    ASSERT_EQ(0, symlink("Photo", drive.Host("PhotoLink").c_str()));
    Start(WithDatabase());
    for (auto path : kept) {
        tagDB_File record{};
        record.MediaType = ZEL_MEDIA_MP3;
        ASSERT_TRUE(device.AddFileToDB(path.data(), &record));
    }

    device.Move(u"Music");
    EXPECT_EQ(ZEL_SUCCESS, device.DeleteFileDev(W(u"Album"), 1));
    device.Move(u"..");
    device.Move(u"Text");
    EXPECT_EQ(ZEL_SUCCESS, device.DeleteFileDev(W(u"sub"), 1));
    device.Move(u"..");
    EXPECT_EQ(ZEL_SUCCESS, device.DeleteFileDev(W(u"PhotoLink"), 1));  // the link itself is the folder named

    EXPECT_FALSE(drive.Exists("Music/Album") || drive.Exists("Text/sub") ||
                 std::filesystem::is_symlink(drive.Host("PhotoLink")));
    EXPECT_EQ(0u, device.LookUpInDatabase(gone.c_str()));
    for (const auto& path : kept) EXPECT_EQ(1u, device.LookUpInDatabase(path.c_str())) << ZelToUtf8(path);
    for (const char* file : {"Photo/cover600.jpg", "Music/a.mp3", "Text/notes.txt", "System/libZELPlayerDB.so"})
        EXPECT_TRUE(drive.Exists(file)) << file;
}

}  // namespace
