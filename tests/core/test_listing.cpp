// Building the tree from listed folders and single entries, and listing the
// current folder to the host.
#include <unistd.h>

#include <fstream>

#include "core_fixture.h"

namespace {

class ListingTest : public ::testing::Test {
protected:
    void SetUp() override { device.m_strDriveRoot = u"E:\\"; }
    // Lists names into the enumeration list and grafts them under the current folder.
    void List(std::initializer_list<std::pair<std::u16string, bool>> entries) {
        device.ClearInnerBuffer();
        for (const auto& [name, folder] : entries) device.m_EnumList.push_back(Entry(name, folder));
        device.MakeTree();
    }
    void Add(const std::u16string& name, bool folder, const std::u16string& path, int check = 1) {
        CZEL_File entry = Entry(name, folder, path);
        device.Add2Tree(&entry, check);
    }
    TestDevice device;
};

using Names = std::vector<std::u16string>;

TEST_F(ListingTest, FirstCallMakesTheRootThenListsItsChildren) {
    EXPECT_EQ(device.FindFileFirst(), nullptr);
    ASSERT_FALSE(device.m_Tree.empty());
    EXPECT_EQ(device.Current(), u"Root");
    EXPECT_TRUE(device.m_itCurrent->IsFolder());
    EXPECT_EQ(device.FindFileFirst(), nullptr);  // the root has no children yet
    EXPECT_EQ(device.m_strCurrentPathText, u"E:\\");

    List({{u"Music", true}, {u"a.mp3", false}});
    EXPECT_EQ(device.Listing(), (Names{u"Music", u"a.mp3"}));
    EXPECT_EQ(device.FindFileNext(), nullptr);  // stays at the end
}

TEST_F(ListingTest, MakeTreeGivesPathsAndKeepsItsList) {
    DebugLines debug;
    device.FindFileFirst();
    List({{u"Music", true}, {u"a.mp3", false}});
    device.MoveCurrentPath(u"Music");
    ASSERT_EQ(device.HaveChild(u"Music"), 0);
    List({{u"Rock", true}, {u"b.mp3", false}});
    EXPECT_EQ(device.m_EnumList.size(), 2u);  // not emptied
    auto rock = device.m_itCurrent.begin();
    EXPECT_EQ(rock->Path, u"E:\\Music\\Rock");
    EXPECT_EQ((++rock)->Path, u"E:\\Music\\b.mp3");
    EXPECT_EQ(rock->InDatabase, 1u);  // no database in use
    EXPECT_TRUE(debug.Has(u"[DEBUG] End off calling MakeTree\n"));

    // Grafting the same list again does not look for duplicates.
    device.MakeTree();
    EXPECT_EQ(device.Children(), (Names{u"Rock", u"b.mp3", u"Rock", u"b.mp3"}));
}

TEST_F(ListingTest, MakeTreeOnAnEmptyTreeTakesTheFirstElementAsRoot) {
    List({{u"Top", true}, {u"x.mp3", false}});
    EXPECT_EQ(device.Current(), u"Top");
    EXPECT_EQ(device.Children(), (Names{u"x.mp3"}));
    EXPECT_EQ(device.m_Tree.size(), 2u);
}

TEST_F(ListingTest, MakeTreeMarksFoldersBelowSpecialFolders) {
    device.m_Settings.SpecialFolderCount = 2;
    SetText(device.m_Settings.SpecialFolders[0], u"radio");
    SetText(device.m_Settings.SpecialFolders[1], u"Music\\Pack");
    device.FindFileFirst();
    List({{u"RADIO", true}, {u"Music", true}, {u"radio.mp3", false}});
    auto it = device.m_itCurrent.begin();
    EXPECT_EQ(it->Special, 1u);
    EXPECT_EQ((++it)->Special, 0u);
    EXPECT_EQ((++it)->Special, 0u);  // a file is never special

    device.MoveCurrentPath(u"Music");
    device.HaveChild(u"Music");
    List({{u"Pack", true}, {u"Packed", true}, {u"Other", true}});
    it = device.m_itCurrent.begin();
    EXPECT_EQ(it->Special, 1u);
    EXPECT_EQ((++it)->Special, 1u);  // begins with the special path
    EXPECT_EQ((++it)->Special, 0u);
}

TEST_F(ListingTest, SystemAndNamelessEntriesAreNeverListed) {
    device.FindFileFirst();
    List({{u"SYSTEM", true}, {u"", false}, {u"a.mp3", false}, {u"System", false}, {u"b.mp3", false}});
    EXPECT_EQ(device.Listing(), (Names{u"a.mp3", u"b.mp3"}));
    List({{u"system", false}});
    device.ClearInnerBuffer();
    EXPECT_TRUE(device.m_EnumList.empty());
}

TEST_F(ListingTest, SpecialFolderFilters) {
    device.FindFileFirst();
    List({{u"Pack", true}});
    device.HaveChild(u"Pack");
    List({{u"..", true}, {u"Sub", true}, {u"a.ucq", false}, {u"..", true}});

    EXPECT_EQ(device.Listing(), (Names{u"..", u"Sub", u"a.ucq", u".."}));

    device.m_itCurrent->SetSlot(9);
    EXPECT_EQ(device.Listing(), (Names{u"Sub", u"a.ucq", u".."}));  // ".." is hidden in first place only

    device.m_Settings.Capabilities = ZEL_CAP_AGENT_ROUTE;
    EXPECT_EQ(device.Listing(), (Names{u"a.ucq"}));

    device.m_itCurrent->SetSlot(0);
    EXPECT_EQ(device.Listing(), (Names{u"..", u"Sub", u"a.ucq", u".."}));
}

TEST_F(ListingTest, Add2TreeWithCheckAddsANameOnce) {
    Add(u"a.mp3", false, u"E:\\Music\\a.mp3");
    Add(u"A.MP3", false, u"E:\\Music\\A.MP3");
    Add(u"b.mp3", false, u"E:\\Music\\b.mp3");
    Add(u"B.MP3", false, u"E:\\Music\\B.MP3", 0);
    ASSERT_EQ(device.HaveChild(u"Music"), 1);
    EXPECT_EQ(device.Listing(), (Names{u"a.mp3", u"b.mp3", u"B.MP3"}));
    // Every added entry went to the enumeration list as well.
    EXPECT_EQ(device.m_EnumList.size(), 3u);
    EXPECT_EQ(device.m_EnumList.back().InDatabase, 1u);
}

TEST_F(ListingTest, CheckedAddsStayInOrderInALargeFolder) {
    for (int k = 0; k < 300; ++k) Add(ZelFormat(u"f%03d.mp3", k), false, ZelFormat(u"E:\\Big\\f%03d.mp3", k));
    for (int k = 299; k >= 0; k -= 7) Add(ZelFormat(u"F%03d.MP3", k), false, ZelFormat(u"E:\\Big\\F%03d.MP3", k));
    ASSERT_EQ(device.HaveChild(u"Big"), 1);
    Names listed = device.Listing();
    ASSERT_EQ(listed.size(), 300u);
    for (int k = 0; k < 300; ++k) EXPECT_EQ(listed[k], ZelFormat(u"f%03d.mp3", k));
}

TEST_F(ListingTest, CurrentFolderTextGetsTheDrive) {
    Add(u"Music", true, u"\\Music");  // a path without drive, as an agent gives it
    ASSERT_EQ(device.HaveChild(u"Music"), 0);
    device.FindFileFirst();
    EXPECT_EQ(device.m_strCurrentPathText, u"E:\\Music");
    EXPECT_EQ(device.GetCurrentTransZELFile()->Path, u"E:\\Music");
    EXPECT_EQ(device.GetCurrentTransZELFile(), &device.m_CurrentFolderEntry);

    // Not a drive-letter device: the text stays as it is.
    TestDevice mtp;
    mtp.m_nDeviceKind = 1;
    CZEL_File entry = Entry(u"Music", true, u"\\Music");
    mtp.Add2Tree(&entry, 1);
    mtp.HaveChild(u"Music");
    mtp.FindFileFirst();
    EXPECT_EQ(mtp.m_strCurrentPathText, u"\\Music");
}

TEST_F(ListingTest, DeletingByExactNameKeepsARunningListingGoing) {
    device.FindFileFirst();
    List({{u"a.mp3", false}, {u"b.mp3", false}, {u"c.mp3", false}, {u"d.mp3", false}});
    WCHAR wrongCase[] = u"B.MP3";
    device.DeleteFromInnerBuffer(wrongCase);
    EXPECT_EQ(device.Children().size(), 4u);
    EXPECT_EQ(device.m_EnumList.size(), 4u);

    // Delete each entry as the listing reaches it.
    Names seen;
    for (CZEL_File* f = device.FindFileFirst(); f != nullptr; f = device.FindFileNext()) {
        seen.push_back(f->Name.Str());
        if (f->Name == u"a.mp3" || f->Name == u"c.mp3") {
            std::u16string name = f->Name.Str();
            device.DeleteFromInnerBuffer(name.data());
        }
    }
    EXPECT_EQ(seen, (Names{u"a.mp3", u"b.mp3", u"c.mp3", u"d.mp3"}));
    EXPECT_EQ(device.Children(), (Names{u"b.mp3", u"d.mp3"}));
    EXPECT_EQ(device.m_EnumList.size(), 2u);
    WCHAR dots[] = u"..";
    device.DeleteFromInnerBuffer(dots);
    EXPECT_EQ(device.Children().size(), 2u);
}

TEST_F(ListingTest, DeletingWithoutANameDropsTheCachedChildren) {
    Add(u"x.mp3", false, u"E:\\Music\\Rock\\x.mp3");
    ASSERT_EQ(device.HaveChild(u"Music"), 1);
    ASSERT_EQ(device.HaveChild(u"Rock"), 1);
    device.FindFileFirst();
    device.DeleteFromInnerBuffer(nullptr);
    EXPECT_EQ(device.FindFileNext(), nullptr);
    EXPECT_EQ(device.Current(), u"Rock");
    device.HaveChild(u"..");
    EXPECT_EQ(device.HaveChild(u"Rock"), 0);  // listed anew on the next visit
    EXPECT_EQ(device.m_Tree.size(), 3u);
}

TEST_F(ListingTest, PendingBuffersAndTransferName) {
    tagDB_File record = Record(ZEL_MEDIA_MP3, u"C:\\pc", u"a.mp3");
    WCHAR first[] = u"E:\\Music\\a.mp3";
    WCHAR second[] = u"E:\\Music\\b.mp3";
    EXPECT_EQ(device.AddFileToBuffer(first, &record), 1);
    EXPECT_EQ(device.AddFileToBuffer(second, nullptr), 1);
    ASSERT_EQ(device.m_PendingPaths.GetSize(), 2);
    EXPECT_EQ(device.m_PendingPaths[1], u"E:\\Music\\b.mp3");
    ASSERT_EQ(device.m_PendingRecords.size(), 1u);
    EXPECT_EQ(device.m_PendingRecords[0].MediaType, ZEL_MEDIA_MP3);

    device.m_strCurrentTransFile = u"song.mp3";
    EXPECT_EQ(std::u16string(device.GetCurrentTransFile()), u"song.mp3");
}

TEST_F(ListingTest, PrintTreeAppendsAnIndentedDump) {
    char folder[] = "/tmp/zelprintXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(folder), 0);

    device.print_tree();  // an empty tree writes nothing
    EXPECT_FALSE(std::filesystem::exists("test.txt"));
    Add(u"a.mp3", false, u"E:\\Music\\a.mp3");
    Add(u"v.wmv", false, u"E:\\v.wmv");
    device.print_tree();
    device.print_tree();
    std::ifstream in("test.txt", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::string rule = "==================================\r\n";
    const std::string once = rule + "Root\r\n  Music\r\n    a.mp3\r\n  v.wmv\r\n" + rule + "\r\n";
    EXPECT_EQ(text, once + once);

    EXPECT_EQ(chdir(previous), 0);
    std::filesystem::remove_all(folder);
}

}  // namespace
