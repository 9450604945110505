// XPL files as written: the exact bytes of every writer, merging and grouping.
#include "playlist_fixture.h"

using XplWrite = PlaylistTest;

TEST_F(XplWrite, CreatePlaylistWritesTheEmptyFileOfEachVersion) {
    EXPECT_EQ(xpl.CreatePlaylist(u"One", 1), 1);
    EXPECT_EQ(ReadPlaylist("One.xpl"), Utf16(kXplHeader1 + kXplEnd));
    // Spelled out once, so that the shared constants are checked too.
    EXPECT_EQ(ReadPlaylist("One.xpl"),
              "\xFF\xFE" + Utf16(u"XPL PLAYLIST\r\nVERSION 1.00\r\n\r\n\r\nEND PLAYLIST\r\n"));

    EXPECT_EQ(xpl.CreatePlaylist(u"Two", 2), 1);
    EXPECT_EQ(ReadPlaylist("Two.xpl"), Utf16(kXplHeader2 + kXplEnd + MyAuroSection(u"")));
    EXPECT_EQ(ReadPlaylist("Two.xpl"),
              "\xFF\xFE" + Utf16(u"XPL PLAYLIST\r\nVERSION 2.00\r\n\r\n\r\nEND PLAYLIST\r\n"
                                 u"\r\nmyAuro DATA\r\n\r\n\r\nEND myAuro\r\n"));
}

TEST_F(XplWrite, CreatePlaylistLeavesAnExistingFileAlone) {
    WritePlaylist("Mine.xpl", kXplHeader1 + u"\\Music\\a.mp3\r\n" + kXplEnd);
    std::string before = ReadPlaylist("Mine.xpl");
    EXPECT_EQ(xpl.CreatePlaylist(u"Mine", 2), 0);
    EXPECT_EQ(ReadPlaylist("Mine.xpl"), before);
}

TEST_F(XplWrite, CreatePlaylistAnswersOneWhenTheFileCannotBeOpened) {
    int fault = ZelInjectFault(u"E:\\Playlists\\Locked.xpl", ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED);
    EXPECT_EQ(xpl.CreatePlaylist(u"Locked", 1), 1);
    ZelRemoveFault(fault);
    EXPECT_FALSE(drive.Exists("Playlists/Locked.xpl"));
}

TEST_F(XplWrite, AddToPlaylistStartsANewFile) {
    xpl.AddToPlaylist(u"New", u"E:\\Music\\a.mp3");
    EXPECT_EQ(ReadPlaylist("New.xpl"), Utf16(kXplHeader1 + u"\\Music\\a.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, AddToPlaylistPutsThePathFirstAndMergesAnotherSpelling) {
    WritePlaylist("Mix.xpl", kXplHeader1 + u"\\Music\\b.mp3\r\n\\MUSIC\\A.MP3\r\n\\Music\\c.mp3\r\n" + kXplEnd);
    xpl.AddToPlaylist(u"Mix", u"E:\\Music\\a.mp3");
    EXPECT_EQ(ReadPlaylist("Mix.xpl"),
              Utf16(kXplHeader1 + u"\\Music\\a.mp3\r\n\\Music\\b.mp3\r\n\\Music\\c.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, AddToPlaylistDropsDuplicatesOfTheFileAndRewritesVersionTwoAsOne) {
    WritePlaylist("Two.xpl", kXplHeader2 + u"\\Music\\b.mp3\r\n\\music\\B.mp3\r\n" + kXplEnd +
                                 MyAuroSection(u"mood=3"));
    xpl.AddToPlaylist(u"Two", u"E:\\Music\\z.mp3");
    EXPECT_EQ(ReadPlaylist("Two.xpl"), Utf16(kXplHeader1 + u"\\Music\\z.mp3\r\n\\Music\\b.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, AddToPlaylistTreatsAFileOfAnotherFormatAsAbsent) {
    WritePlaylist("Odd.xpl", u"xpl playlist\r\nVERSION 1.00\r\n\r\n\\Music\\b.mp3\r\n" + kXplEnd);
    xpl.AddToPlaylist(u"Odd", u"E:\\Music\\a.mp3");
    EXPECT_EQ(ReadPlaylist("Odd.xpl"), Utf16(kXplHeader1 + u"\\Music\\a.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, AddItemsToPlaylistKeepsTheListAndAppendsNewEntriesOfTheFile) {
    std::filesystem::remove_all(drive.Host("Playlists"));
    xpl.AddItemsToPlaylist(u"Mood", Array({u"E:\\Music\\x.mp3", u"E:\\Music\\y.mp3", u"E:\\Music\\x.mp3"}));
    // The folder was made; duplicates inside the list stay.
    EXPECT_EQ(ReadPlaylist("Mood.xpl"),
              Utf16(kXplHeader1 + u"\\Music\\x.mp3\r\n\\Music\\y.mp3\r\n\\Music\\x.mp3\r\n" + kXplEnd));

    xpl.AddItemsToPlaylist(u"Mood", Array({u"E:\\Music\\Y.MP3", u"E:\\Music\\w.mp3"}));
    EXPECT_EQ(ReadPlaylist("Mood.xpl"),
              Utf16(kXplHeader1 + u"\\Music\\Y.MP3\r\n\\Music\\w.mp3\r\n\\Music\\x.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, MergingFoldsCaseBeyondAscii) {
    WritePlaylist("Greek.xpl", kXplHeader1 + u"\\Music\\\u0391\u03b2\u0413.mp3\r\n" + kXplEnd);
    xpl.AddToPlaylist(u"Greek", u"E:\\Music\\\u03b1\u0392\u0433.mp3");
    EXPECT_EQ(ReadPlaylist("Greek.xpl"), Utf16(kXplHeader1 + u"\\Music\\\u03b1\u0392\u0433.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, MergedEntriesAreCutTo259Units) {
    std::u16string longPath = u"E:\\" + std::u16string(300, u'n');
    xpl.AddToPlaylist(u"Long", longPath.c_str());
    std::u16string stored = longPath.substr(2, 259);
    EXPECT_EQ(ReadPlaylist("Long.xpl"), Utf16(kXplHeader1 + stored + u"\r\n" + kXplEnd));
}

TEST_F(XplWrite, StoreGroupedPlaylistsWritesOneFilePerRunOfNames) {
    xpl.StoreGroupedPlaylists(Array({u"A", u"A", u"B"}),
                              Array({u"E:\\Music\\1.mp3", u"E:\\Music\\2.mp3", u"E:\\Music\\3.mp3"}));
    EXPECT_EQ(ReadPlaylist("A.xpl"), Utf16(kXplHeader1 + u"\\Music\\1.mp3\r\n\\Music\\2.mp3\r\n" + kXplEnd));
    EXPECT_EQ(ReadPlaylist("B.xpl"), Utf16(kXplHeader1 + u"\\Music\\3.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, StoreGroupedPlaylistsOverwritesARepeatedNameAndAnOldFile) {
    WritePlaylist("B.xpl", kXplHeader1 + u"\\Music\\old.mp3\r\n" + kXplEnd);
    xpl.StoreGroupedPlaylists(Array({u"A", u"B", u"A"}),
                              Array({u"E:\\Music\\1.mp3", u"E:\\Music\\2.mp3", u"E:\\Music\\3.mp3"}));
    EXPECT_EQ(ReadPlaylist("A.xpl"), Utf16(kXplHeader1 + u"\\Music\\3.mp3\r\n" + kXplEnd));
    EXPECT_EQ(ReadPlaylist("B.xpl"), Utf16(kXplHeader1 + u"\\Music\\2.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, StoreGroupedPlaylistsComparesNamesWithCase) {
    xpl.StoreGroupedPlaylists(Array({u"Run", u"RUN"}), Array({u"E:\\Music\\1.mp3", u"E:\\Music\\2.mp3"}));
    // Two runs; the drive matches names without regard to case, so the second overwrites the first.
    EXPECT_EQ(ReadPlaylist("Run.xpl"), Utf16(kXplHeader1 + u"\\Music\\2.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, StoreGroupedPlaylistsExWritesTheFirstValueOfEachGroup) {
    xpl.StoreGroupedPlaylistsEx(Array({u"A", u"A", u"B"}),
                                Array({u"E:\\Music\\1.mp3", u"E:\\Music\\2.mp3", u"E:\\Music\\3.mp3"}),
                                Array({u"first", u"second", u""}));
    EXPECT_EQ(ReadPlaylist("A.xpl"), Utf16(kXplHeader2 + u"\\Music\\1.mp3\r\n\\Music\\2.mp3\r\n" + kXplEnd +
                                           MyAuroSection(u"first")));
    EXPECT_EQ(ReadPlaylist("B.xpl"), Utf16(kXplHeader2 + u"\\Music\\3.mp3\r\n" + kXplEnd + MyAuroSection(u"")));
}

TEST_F(XplWrite, StoreGroupedPlaylistsCarriesAGroupWhoseFileDidNotOpen) {
    int fault = ZelInjectFault(u"E:\\Playlists\\A.xpl", ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED);
    xpl.StoreGroupedPlaylists(Array({u"A", u"B"}), Array({u"E:\\Music\\1.mp3", u"E:\\Music\\2.mp3"}));
    ZelRemoveFault(fault);
    EXPECT_FALSE(drive.Exists("Playlists/A.xpl"));
    EXPECT_EQ(ReadPlaylist("B.xpl"), Utf16(kXplHeader1 + u"\\Music\\1.mp3\r\n\\Music\\2.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, StoreGroupedPlaylistsWithTooFewNamesThrowsTheArrayExceptionWithNoFileOpen) {
    int before = OpenDescriptorCount();
    bool thrown = false;
    try {
        xpl.StoreGroupedPlaylists(Array({u"A"}), Array({u"E:\\Music\\1.mp3", u"E:\\Music\\2.mp3"}));
    } catch (CInvalidArgException* e) {
        thrown = true;
        e->Delete();
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(XplWrite, SavePlaylistBringsTheCallersItemsToStoredForm) {
    CStringArray items = Array({u"\\Music\\a.mp3\r\n", u"E:\\Video\\b.wmv", u"\\MUSIC\\c.mp3\r\n"});
    xpl.SavePlaylist(u"Edit", items, 1);
    EXPECT_EQ(ReadPlaylist("Edit.xpl"),
              Utf16(kXplHeader1 + u"\\Music\\a.mp3\r\n\\Video\\b.wmv\r\n\\MUSIC\\c.mp3\r\n" + kXplEnd));
    ASSERT_EQ(items.GetSize(), 3);
    EXPECT_EQ(Text(items.GetAt(0)), u"\\Music\\a.mp3\r\n");
    EXPECT_EQ(Text(items.GetAt(1)), u"\\Video\\b.wmv\r\n");
    EXPECT_EQ(Text(items.GetAt(2)), u"\\MUSIC\\c.mp3\r\n");
}

TEST_F(XplWrite, SavePlaylistWritesAStoredItemAsItIs) {
    // No line end is added to an item that is already an entry line.
    CStringArray items = Array({u"\\Music\\a.mp3", u"\\Music\\b.mp3\r\n"});
    xpl.SavePlaylist(u"Raw", items, 1);
    EXPECT_EQ(ReadPlaylist("Raw.xpl"), Utf16(kXplHeader1 + u"\\Music\\a.mp3\\Music\\b.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, SavePlaylistExAddsTheMyAuroSection) {
    CStringArray items = Array({u"E:\\Music\\a.mp3"});
    xpl.SavePlaylistEx(u"Ex", items, u"tempo=fast", 1);
    EXPECT_EQ(ReadPlaylist("Ex.xpl"),
              Utf16(kXplHeader2 + u"\\Music\\a.mp3\r\n" + kXplEnd + MyAuroSection(u"tempo=fast")));
    xpl.SavePlaylistEx(u"Ex", items, u"", 1);
    EXPECT_EQ(ReadPlaylist("Ex.xpl"), Utf16(kXplHeader2 + u"\\Music\\a.mp3\r\n" + kXplEnd + MyAuroSection(u"")));
}

TEST_F(XplWrite, SavePlaylistWithTheEmptyFlagWritesAnEmptyPlaylist) {
    CStringArray items = Array({u"E:\\Music\\a.mp3"});
    xpl.SavePlaylist(u"Empty", items, 0);
    EXPECT_EQ(ReadPlaylist("Empty.xpl"), Utf16(kXplHeader1 + kXplEnd));
    EXPECT_EQ(Text(items.GetAt(0)), u"E:\\Music\\a.mp3");
    // The Ex form writes no value line, whatever value it is given.
    xpl.SavePlaylistEx(u"EmptyEx", items, u"ignored", 0);
    EXPECT_EQ(ReadPlaylist("EmptyEx.xpl"), Utf16(kXplHeader2 + kXplEnd + MyAuroSection(u"")));
}

TEST_F(XplWrite, SavePlaylistMakesThePlaylistFolder) {
    std::filesystem::remove_all(drive.Host("Playlists"));
    CStringArray items = Array({u"E:\\Music\\a.mp3"});
    xpl.SavePlaylist(u"Fresh", items, 1);
    EXPECT_EQ(ReadPlaylist("Fresh.xpl"), Utf16(kXplHeader1 + u"\\Music\\a.mp3\r\n" + kXplEnd));
}

TEST_F(XplWrite, SavePlaylistCutsItemsTo259Units) {
    std::u16string item = u"\\Music\\" + std::u16string(280, u'x') + u"\r\n";
    CStringArray items = Array({item.c_str()});
    xpl.SavePlaylist(u"Cut", items, 1);
    EXPECT_EQ(ReadPlaylist("Cut.xpl"), Utf16(kXplHeader1 + item.substr(0, 259) + kXplEnd));
}
