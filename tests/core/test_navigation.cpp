// Moving through the device file tree: paths to folder nodes, the current
// path text, and entering folders.
#include "core_fixture.h"

namespace {

class NavigationTest : public ::testing::Test {
protected:
    void SetUp() override {
        device.m_strDriveRoot = u"E:\\";
        // Root ( Music ( Rock ( a.mp3 ) b.mp3 ) Video ( ) song.mp3 )
        device.Add2Tree(Ptr(Entry(u"Rock", true, u"E:\\Music\\Rock")), 1);
        device.Add2Tree(Ptr(Entry(u"a.mp3", false, u"E:\\Music\\Rock\\a.mp3")), 1);
        device.Add2Tree(Ptr(Entry(u"b.mp3", false, u"E:\\Music\\b.mp3")), 1);
        device.Add2Tree(Ptr(Entry(u"Video", true, u"E:\\Video")), 1);
        device.Add2Tree(Ptr(Entry(u"song.mp3", false, u"E:\\song.mp3")), 1);
        device.SetCurrentIterator(nullptr);
    }
    CZEL_File* Ptr(CZEL_File file) {
        held.push_back(file);
        return &held.back();
    }
    std::u16string NodeName(CZEL_Device::pre_order_iterator it) { return it->Name.Str(); }

    std::list<CZEL_File> held;
    TestDevice device;
};

TEST_F(NavigationTest, SetCurrentPathAnswersTheFolderOfTheLastComponent) {
    WCHAR inMusic[] = u"E:\\Music\\a.mp3";
    WCHAR atRoot[] = u"E:\\a.mp3";
    WCHAR deep[] = u"E:\\MUSIC\\rock\\x.mp3";
    WCHAR bare[] = u"a.mp3";
    WCHAR mtp[] = u"\\Music\\Rock\\a.mp3";
    EXPECT_EQ(NodeName(device.SetCurrentPath(inMusic)), u"Music");
    EXPECT_EQ(NodeName(device.SetCurrentPath(atRoot)), u"Root");
    EXPECT_EQ(NodeName(device.SetCurrentPath(deep)), u"Rock");
    EXPECT_EQ(NodeName(device.SetCurrentPath(bare)), u"Root");
    EXPECT_EQ(NodeName(device.SetCurrentPath(mtp)), u"Rock");
    // None of these made a node.
    EXPECT_EQ(device.m_Tree.size(), 7u);
}

TEST_F(NavigationTest, SetCurrentPathMakesMissingFoldersOnTheWay) {
    DebugLines debug;
    WCHAR path[] = u"E:\\Music\\Jazz\\Live\\x.mp3";
    auto live = device.SetCurrentPath(path);
    EXPECT_EQ(NodeName(live), u"Live");
    EXPECT_EQ(live->Path, u"E:\\Music\\Jazz\\Live");
    EXPECT_TRUE(live->IsFolder());
    auto jazz = CZEL_Device::FileTree::parent(live);
    EXPECT_EQ(NodeName(jazz), u"Jazz");
    EXPECT_EQ(NodeName(CZEL_Device::FileTree::parent(jazz)), u"Music");
    EXPECT_TRUE(debug.Has(u"[Nuvoqa]: E:\\Music\\Jazz"));
    EXPECT_TRUE(debug.Has(u"[Nuvoqa]: E:\\Music\\Jazz\\Live"));
    // The second walk finds them.
    debug.lines.clear();
    EXPECT_EQ(device.SetCurrentPath(path).node, live.node);
    EXPECT_TRUE(debug.lines.empty());
}

TEST_F(NavigationTest, SetCurrentIteratorNeedsTheTrailingBackslash) {
    WCHAR folder[] = u"E:\\Music\\Rock\\";
    WCHAR noSlash[] = u"E:\\Music\\Rock";
    WCHAR root[] = u"E:\\";
    WCHAR empty[] = u"";
    device.SetCurrentIterator(folder);
    EXPECT_EQ(device.Current(), u"Rock");
    device.SetCurrentIterator(noSlash);
    EXPECT_EQ(device.Current(), u"Music");
    device.SetCurrentIterator(folder);
    device.SetCurrentIterator(root);
    EXPECT_EQ(device.Current(), u"Root");
    device.SetCurrentIterator(folder);
    device.SetCurrentIterator(empty);
    EXPECT_EQ(device.Current(), u"Root");
}

TEST(NavigationPath, MoveCurrentPathChangesOnlyTheText) {
    TestDevice device;
    device.m_strDriveRoot = u"E:\\";
    device.MoveCurrentPath(u"Music");
    EXPECT_EQ(device.GetCurrentPath(), u"E:\\Music\\");
    device.MoveCurrentPath(u"Rock");
    EXPECT_EQ(device.GetCurrentPath(), u"E:\\Music\\Rock\\");
    EXPECT_FALSE(device.IsDeviceRoot());
    device.MoveCurrentPath(u"..");
    EXPECT_EQ(device.GetCurrentPath(), u"E:\\Music\\");
    device.MoveCurrentPath(u"..");
    EXPECT_EQ(device.GetCurrentPath(), u"E:\\");
    EXPECT_TRUE(device.IsDeviceRoot());
    device.MoveCurrentPath(u"..");  // at the root nothing changes
    EXPECT_TRUE(device.IsDeviceRoot());
    device.MoveCurrentPath(u"A");
    device.MoveCurrentPath(u"B");
    device.MoveCurrentPath(u"");
    EXPECT_TRUE(device.IsDeviceRoot());
    EXPECT_TRUE(device.m_Tree.empty());
}

TEST(NavigationPath, GetCurrentPathForDrivesAndMtp) {
    TestDevice device;
    device.m_strDriveRoot = u"E:\\";
    device.MoveCurrentPath(u"\\Music");  // a leading "\" is dropped for good
    EXPECT_EQ(device.GetCurrentPath(), u"E:\\Music\\");
    device.MoveCurrentPath(u"..");
    EXPECT_TRUE(device.IsDeviceRoot());
    device.MoveCurrentPath(u"F:\\Card");  // a path with its own drive stays as it is
    EXPECT_EQ(device.GetCurrentPath(), u"F:\\Card\\");

    TestDevice mtp;
    mtp.m_Settings.IsMTP = 1;
    mtp.MoveCurrentPath(u"Music");
    EXPECT_EQ(mtp.GetCurrentPath(), u"Music");
    mtp.MoveCurrentPath(u"..");
    EXPECT_EQ(mtp.GetCurrentPath(), u"");
}

TEST_F(NavigationTest, HaveChildEntersFoldersOnly) {
    EXPECT_EQ(device.HaveChild(u"song.mp3"), -1);  // a file
    EXPECT_EQ(device.Current(), u"Root");
    EXPECT_EQ(device.HaveChild(u"Nothing"), -1);
    EXPECT_EQ(device.HaveChild(u"VIDEO"), 0);  // no children listed yet
    EXPECT_EQ(device.Current(), u"Video");
    EXPECT_EQ(device.HaveChild(u".."), 0);
    EXPECT_EQ(device.Current(), u"Root");
    EXPECT_EQ(device.HaveChild(u".."), 0);  // the root has no parent
    EXPECT_EQ(device.Current(), u"Root");
    EXPECT_EQ(device.HaveChild(u"music"), 1);
    EXPECT_EQ(device.HaveChild(u"Rock"), 1);
    EXPECT_EQ(device.Current(), u"Rock");
}

TEST_F(NavigationTest, HaveChildTakesTheFirstFolderOfThatName) {
    WCHAR root[] = u"E:\\";
    device.SetCurrentIterator(root);
    device.Add2Tree(Ptr(Entry(u"Clips", false, u"E:\\Clips")), 0);
    device.Add2Tree(Ptr(Entry(u"CLIPS", true, u"E:\\CLIPS")), 0);
    device.Add2Tree(Ptr(Entry(u"clips", true, u"E:\\clips")), 0);
    EXPECT_EQ(device.HaveChild(u"Clips"), 0);
    EXPECT_EQ(device.Current(), u"CLIPS");
}

TEST(NavigationEmpty, NothingToEnterInAnEmptyTree) {
    TestDevice device;
    EXPECT_EQ(device.HaveChild(u"Music"), 0);
    WCHAR path[] = u"E:\\Music\\a.mp3";
    EXPECT_EQ(device.SetCurrentPath(path), device.m_Tree.end());
    device.DeleteFromInnerBuffer(nullptr);
    EXPECT_TRUE(device.m_Tree.empty());
}

}  // namespace
