// The device file tree: paths to folder nodes, the current path text,
// entering folders, building the tree from listed folders and single entries,
// and listing the current folder to the host.
#include <unistd.h>

#include <fstream>

#include "device_fixture.h"

namespace {

class NavigationTest : public ::testing::Test {
protected:
    void SetUp() override {
        device.m_strDriveRoot = u"E:\\";
        // Root ( Music ( Rock ( a.mp3 ) b.mp3 ) Video ( ) song.mp3 Clips CLIPS ( ) clips ( ) )
        device.Add(u"Rock", true, u"E:\\Music\\Rock");
        device.Add(u"a.mp3", false, u"E:\\Music\\Rock\\a.mp3");
        device.Add(u"b.mp3", false, u"E:\\Music\\b.mp3");
        device.Add(u"Video", true, u"E:\\Video");
        device.Add(u"song.mp3", false, u"E:\\song.mp3");
        device.Add(u"Clips", false, u"E:\\Clips", 0);
        device.Add(u"CLIPS", true, u"E:\\CLIPS", 0);
        device.Add(u"clips", true, u"E:\\clips", 0);
        device.SetCurrentIterator(nullptr);
    }
    CZEL_Device::pre_order_iterator Walk(std::u16string path) { return device.SetCurrentPath(path.data()); }
    std::u16string Folder(std::u16string path) { return Walk(path)->Name.Str(); }
    std::u16string CurrentAfter(std::u16string path) {
        device.SetCurrentIterator(path.data());
        return device.Current();
    }

    TestDevice device;
};

TEST_F(NavigationTest, SetCurrentPathAndHaveChildFindOrMakeFolders) {
    for (auto [path, folder] : {std::pair{u"E:\\Music\\a.mp3", u"Music"}, {u"E:\\a.mp3", u"Root"},
                                {u"E:\\MUSIC\\rock\\x.mp3", u"Rock"}, {u"a.mp3", u"Root"},
                                {u"\\Music\\Rock\\a.mp3", u"Rock"}})  // the last an MTP path
        EXPECT_EQ(Folder(path), folder);
    EXPECT_EQ(device.m_Tree.size(), 10u);  // none of these made a node

    auto live = Walk(u"E:\\Music\\Jazz\\Live\\x.mp3");
    EXPECT_EQ(live->Name, u"Live");
    EXPECT_EQ(live->Path, u"E:\\Music\\Jazz\\Live");
    EXPECT_TRUE(live->IsFolder());
    auto jazz = CZEL_Device::FileTree::parent(live);
    EXPECT_EQ(jazz->Name, u"Jazz");
    EXPECT_EQ(CZEL_Device::FileTree::parent(jazz)->Name, u"Music");
    EXPECT_EQ(Walk(u"E:\\Music\\Jazz\\Live\\x.mp3").node, live.node);  // the second walk finds them
    EXPECT_EQ(device.m_Tree.size(), 12u);

    // A folder becomes current only with its trailing backslash.
    for (auto [path, current] : {std::pair{u"E:\\Music\\Rock\\", u"Rock"}, {u"E:\\Music\\Rock", u"Music"},
                                 {u"E:\\Music\\Rock\\", u"Rock"}, {u"E:\\", u"Root"},
                                 {u"E:\\Music\\Rock\\", u"Rock"}, {u"", u"Root"}})
        EXPECT_EQ(CurrentAfter(path), current);

    // HaveChild enters the first folder of the name: (name, result, current
    // folder after). A file or a missing name is -1, a folder without listed
    // children 0; the root has no parent.
    const std::tuple<const char16_t*, int, const char16_t*> steps[] = {
        {u"song.mp3", -1, u"Root"}, {u"Nothing", -1, u"Root"}, {u"VIDEO", 0, u"Video"}, {u"..", 0, u"Root"},
        {u"..", 0, u"Root"},        {u"music", 1, u"Music"},   {u"Rock", 1, u"Rock"},   {u"..", 0, u"Music"},
        {u"..", 0, u"Root"},        {u"Clips", 0, u"CLIPS"}};
    for (const auto& step : steps) {
        const auto [name, result, current] = step;
        EXPECT_EQ(device.HaveChild(name), result) << "step " << &step - steps;
        EXPECT_EQ(device.Current(), current) << "step " << &step - steps;
    }

    // An empty tree has nothing to enter or walk.
    TestDevice empty;
    EXPECT_EQ(empty.HaveChild(u"Music"), 0);
    WCHAR path[] = u"E:\\Music\\a.mp3";
    EXPECT_EQ(empty.SetCurrentPath(path), empty.m_Tree.end());
    empty.DeleteFromInnerBuffer(nullptr);
    EXPECT_TRUE(empty.m_Tree.empty());
}

TEST(NavigationPath, MoveCurrentPathChangesOnlyTheText) {
    TestDevice device;
    device.m_strDriveRoot = u"E:\\";
    const std::pair<const char16_t*, const char16_t*> steps[] = {
        {u"Music", u"E:\\Music\\"}, {u"Rock", u"E:\\Music\\Rock\\"}, {u"..", u"E:\\Music\\"}, {u"..", u"E:\\"},
        {u"..", u"E:\\"},  // at the root nothing changes
        {u"A", u"E:\\A\\"}, {u"B", u"E:\\A\\B\\"}, {u"", u"E:\\"},
        {u"\\Music", u"E:\\Music\\"},  // a leading "\" is dropped for good
        {u"..", u"E:\\"}, {u"F:\\Card", u"F:\\Card\\"},  // a path with its own drive stays as it is
    };
    for (size_t k = 0; k < std::size(steps); ++k) {
        device.MoveCurrentPath(steps[k].first);
        EXPECT_EQ(device.GetCurrentPath(), steps[k].second) << "step " << k;
        EXPECT_EQ(device.IsDeviceRoot(), std::u16string(steps[k].second) == u"E:\\") << "step " << k;
    }
    EXPECT_TRUE(device.m_Tree.empty());

    TestDevice mtp;
    mtp.m_Settings.IsMTP = 1;
    mtp.MoveCurrentPath(u"Music");
    EXPECT_EQ(mtp.GetCurrentPath(), u"Music");
    mtp.MoveCurrentPath(u"..");
    EXPECT_EQ(mtp.GetCurrentPath(), u"");
}

class ListingTest : public ::testing::Test {
protected:
    void SetUp() override { device.m_strDriveRoot = u"E:\\"; }
    // From the root into a child folder that is listed anew with entries.
    void EnterAndList(const std::u16string& folder,
                      std::initializer_list<std::pair<std::u16string, bool>> entries) {
        device.MoveCurrentPath(folder.c_str());
        ASSERT_EQ(device.HaveChild(folder.c_str()), 0);
        device.List(entries);
    }
    std::vector<DWORD> Special() {
        std::vector<DWORD> marks;
        for (auto it = device.m_itCurrent.begin(); it != device.m_itCurrent.end(); ++it) marks.push_back(it->Special);
        return marks;
    }
    TestDevice device;
};

TEST_F(ListingTest, FirstCallMakesTheRootThenListingsGraftUnderTheCurrentFolder) {
    EXPECT_EQ(device.FindFileFirst(), nullptr);
    ASSERT_FALSE(device.m_Tree.empty());
    EXPECT_EQ(device.Current(), u"Root");
    EXPECT_EQ(device.FindFileFirst(), nullptr);  // the root has no children yet
    EXPECT_EQ(device.m_strCurrentPathText, u"E:\\");

    device.List({{u"Music", true}, {u"a.mp3", false}});
    EXPECT_EQ(device.Listing(), (Names{u"Music", u"a.mp3"}));
    EXPECT_EQ(device.FindFileNext(), nullptr);  // stays at the end
    EnterAndList(u"Music", {{u"Rock", true}, {u"b.mp3", false}});
    EXPECT_EQ(device.m_EnumList.size(), 2u);  // not emptied
    auto rock = device.m_itCurrent.begin();
    EXPECT_EQ(rock->Path, u"E:\\Music\\Rock");
    EXPECT_EQ((++rock)->Path, u"E:\\Music\\b.mp3");
    EXPECT_EQ(rock->InDatabase, 1u);  // no database in use
    device.MakeTree();  // grafting the same list again does not look for duplicates
    EXPECT_EQ(device.Children(), (Names{u"Rock", u"b.mp3", u"Rock", u"b.mp3"}));

    // On an empty tree the first element becomes the root.
    TestDevice fresh;
    fresh.List({{u"Top", true}, {u"x.mp3", false}});
    EXPECT_EQ(fresh.Current(), u"Top");
    EXPECT_EQ(fresh.Children(), (Names{u"x.mp3"}));
    EXPECT_EQ(fresh.m_Tree.size(), 2u);
}

TEST_F(ListingTest, MakeTreeMarksFoldersBelowSpecialFolders) {
    device.m_Settings.SpecialFolderCount = 2;
    SetField(device.m_Settings.SpecialFolders[0], u"radio");
    SetField(device.m_Settings.SpecialFolders[1], u"Music\\Pack");
    device.FindFileFirst();
    device.List({{u"RADIO", true}, {u"Music", true}, {u"radio.mp3", false}});
    EXPECT_EQ(Special(), (std::vector<DWORD>{1, 0, 0}));  // a file is never special
    EnterAndList(u"Music", {{u"Pack", true}, {u"Packed", true}, {u"Other", true}});
    EXPECT_EQ(Special(), (std::vector<DWORD>{1, 1, 0}));  // begins with the special path
}

TEST_F(ListingTest, ListingRulesHideSystemNamelessDotsAndFolders) {
    device.FindFileFirst();
    device.List({{u"SYSTEM", true}, {u"", false}, {u"a.mp3", false}, {u"System", false}, {u"b.mp3", false}});
    EXPECT_EQ(device.Listing(), (Names{u"a.mp3", u"b.mp3"}));

    device.List({{u"Pack", true}});
    EnterAndList(u"Pack", {{u"..", true}, {u"Sub", true}, {u"a.ucq", false}, {u"..", true}});
    EXPECT_EQ(device.Listing(), (Names{u"..", u"Sub", u"a.ucq", u".."}));
    device.m_itCurrent->SetSlot(9);
    EXPECT_EQ(device.Listing(), (Names{u"Sub", u"a.ucq", u".."}));  // ".." is hidden in first place only
    device.m_Settings.Capabilities = ZEL_CAP_AGENT_ROUTE;
    EXPECT_EQ(device.Listing(), (Names{u"a.ucq"}));
    device.m_itCurrent->SetSlot(0);
    EXPECT_EQ(device.Listing(), (Names{u"..", u"Sub", u"a.ucq", u".."}));
}

TEST_F(ListingTest, Add2TreeWithCheckAddsANameOnceInOrder) {
    device.Add(u"a.mp3", false, u"E:\\Music\\a.mp3");
    device.Add(u"A.MP3", false, u"E:\\Music\\A.MP3");
    device.Add(u"b.mp3", false, u"E:\\Music\\b.mp3");
    device.Add(u"B.MP3", false, u"E:\\Music\\B.MP3", 0);
    ASSERT_EQ(device.HaveChild(u"Music"), 1);
    EXPECT_EQ(device.Listing(), (Names{u"a.mp3", u"b.mp3", u"B.MP3"}));
    EXPECT_EQ(device.m_EnumList.size(), 3u);  // every added entry went to the enumeration list as well

    // A large folder, where names are looked up through the index.
    for (int k = 0; k < 300; ++k) device.Add(ZelFormat(u"f%03d.mp3", k), false, ZelFormat(u"E:\\Big\\f%03d.mp3", k));
    for (int k = 299; k >= 0; k -= 7)
        device.Add(ZelFormat(u"F%03d.MP3", k), false, ZelFormat(u"E:\\Big\\F%03d.MP3", k));
    device.HaveChild(u"..");
    ASSERT_EQ(device.HaveChild(u"Big"), 1);
    Names listed = device.Listing();
    ASSERT_EQ(listed.size(), 300u);
    for (int k = 0; k < 300; ++k) EXPECT_EQ(listed[k], ZelFormat(u"f%03d.mp3", k));
}

TEST_F(ListingTest, DeletingFromTheInnerBuffer) {
    device.FindFileFirst();
    device.List({{u"a.mp3", false}, {u"b.mp3", false}, {u"c.mp3", false}, {u"d.mp3", false}});
    WCHAR wrongCase[] = u"B.MP3";
    device.DeleteFromInnerBuffer(wrongCase);  // an exact name only
    EXPECT_EQ(device.Children().size(), 4u);
    EXPECT_EQ(device.m_EnumList.size(), 4u);
    Names seen;  // each entry is deleted as the listing reaches it
    for (CZEL_File* f = device.FindFileFirst(); f != nullptr; f = device.FindFileNext()) {
        seen.push_back(f->Name.Str());
        if (seen.back() == u"a.mp3" || seen.back() == u"c.mp3") device.DeleteFromInnerBuffer(seen.back().data());
    }
    EXPECT_EQ(seen, (Names{u"a.mp3", u"b.mp3", u"c.mp3", u"d.mp3"}));
    EXPECT_EQ(device.Children(), (Names{u"b.mp3", u"d.mp3"}));
    EXPECT_EQ(device.m_EnumList.size(), 2u);

    // Without a name the current folder goes, and is listed anew on the next visit.
    device.Add(u"x.mp3", false, u"E:\\Music\\Rock\\x.mp3");
    ASSERT_EQ(device.HaveChild(u"Music"), 1);
    ASSERT_EQ(device.HaveChild(u"Rock"), 1);
    device.DeleteFromInnerBuffer(nullptr);
    EXPECT_EQ(device.Current(), u"Rock");
    device.HaveChild(u"..");
    EXPECT_EQ(device.HaveChild(u"Rock"), 0);
    EXPECT_EQ(device.Children(), Names{});
}

TEST_F(ListingTest, CurrentFolderTextPendingBuffersAndTreeDump) {
    device.Add(u"Music", true, u"\\Music");  // a path without drive, as an agent gives it
    ASSERT_EQ(device.HaveChild(u"Music"), 0);
    device.FindFileFirst();
    EXPECT_EQ(device.m_strCurrentPathText, u"E:\\Music");
    EXPECT_EQ(device.GetCurrentTransZELFile()->Path, u"E:\\Music");

    TestDevice mtp;  // not a drive-letter device: the text stays as it is
    mtp.m_nDeviceKind = 1;
    mtp.Add(u"Music", true, u"\\Music");
    mtp.HaveChild(u"Music");
    mtp.FindFileFirst();
    EXPECT_EQ(mtp.m_strCurrentPathText, u"\\Music");

    tagDB_File record = Record(ZEL_MEDIA_MP3, u"C:\\pc", u"a.mp3");
    WCHAR first[] = u"E:\\Music\\a.mp3";
    WCHAR second[] = u"E:\\Music\\b.mp3";
    EXPECT_EQ(device.AddFileToBuffer(first, &record), 1);
    EXPECT_EQ(device.AddFileToBuffer(second, nullptr), 1);  // a path without a record is kept, no record added
    EXPECT_EQ(device.m_PendingPaths.GetSize(), 2);
    EXPECT_EQ(device.m_PendingRecords.size(), 1u);

    // The dump goes to test.txt in the working folder.
    const std::filesystem::path previous = std::filesystem::current_path();
    char folder[] = "/tmp/zelprintXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::filesystem::current_path(folder);
    Cleanup back{[&] { std::filesystem::current_path(previous); std::filesystem::remove_all(folder); }};
    device.Add(u"a.mp3", false, u"E:\\Music\\a.mp3");
    device.Add(u"v.wmv", false, u"E:\\v.wmv");
    device.print_tree();
    device.print_tree();
    std::ifstream in("test.txt", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::string rule = "==================================\r\n";
    const std::string once = rule + "Root\r\n  Music\r\n    a.mp3\r\n  v.wmv\r\n" + rule + "\r\n";
    EXPECT_EQ(text, once + once);
}

}  // namespace
