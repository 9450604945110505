// PLP files: header without byte-order mark, "HDD, " entry lines, no end marker.
#include "playlist_fixture.h"

using Plp = PlaylistTest;

TEST_F(Plp, CreatePlaylistWritesTheHeaderOnlyAndLoadEndsAtTheEndOfTheFile) {
    EXPECT_EQ(plp.CreatePlaylist(u"New", 2), 1);
    EXPECT_EQ(ReadPlaylist("New.plp"), Utf16(u"PLP PLAYLIST\r\nVERSION 1.20\r\n\r\n"));
    EXPECT_EQ(plp.CreatePlaylist(u"New", 1), 0);

    CStringArray first;
    CStringArray second = Array({u"other"});
    CString value(u"value");
    EXPECT_EQ(plp.LoadPlaylist(u"E:\\Playlists\\New.plp", first, second, value), 0);
    EXPECT_EQ(first.GetSize(), 0);
    EXPECT_EQ(second.GetSize(), 1);
    EXPECT_EQ(Text(value), u"value");
}

TEST_F(Plp, LoadDeliversWholeEntryLines) {
    WritePlaylist("L.plp", kPlpHeader + u"HDD, Music\\a.mp3\r\nHDD, System\\Music\\b.mp3\r\n");
    CStringArray first;
    CStringArray second;
    CString value;
    EXPECT_EQ(plp.LoadPlaylist(u"E:\\Playlists\\L.plp", first, second, value), 0);
    ASSERT_EQ(first.GetSize(), 2);
    EXPECT_EQ(Text(first.GetAt(0)), u"HDD, Music\\a.mp3\r\n");
    EXPECT_EQ(Text(first.GetAt(1)), u"HDD, System\\Music\\b.mp3\r\n");
    EXPECT_EQ(second.GetSize(), 0);

    // A line that does not begin with H ends the list with result 1.
    WritePlaylist("M.plp", kPlpHeader + u"HDD, Music\\a.mp3\r\n\r\nHDD, Music\\b.mp3\r\n");
    CStringArray more;
    EXPECT_EQ(plp.LoadPlaylist(u"E:\\Playlists\\M.plp", more, second, value), 1);
    EXPECT_EQ(more.GetSize(), 1);
}

TEST_F(Plp, HeaderAcceptsAByteOrderMarkAndNothingElse) {
    WritePlaylist("Mark.plp", u"\uFEFFPLP PLAYLIST\r\n\uFEFFVERSION 1.20\r\n\r\nHDD, Music\\a.mp3\r\n");
    EXPECT_EQ(plp.OpenForRead(u"E:\\Playlists\\Mark.plp"), 1);
    plp.CloseFile();
    WritePlaylist("Ver.plp", u"PLP PLAYLIST\r\nVERSION 1.00\r\n\r\n");
    EXPECT_EQ(plp.OpenForRead(u"E:\\Playlists\\Ver.plp"), 0);
    WritePlaylist("Low.plp", u"plp playlist\r\nVERSION 1.20\r\n\r\n");
    EXPECT_EQ(plp.OpenForRead(u"E:\\Playlists\\Low.plp"), 0);
    WritePlaylist("Xpl.plp", kXplHeader1 + kXplEnd);
    EXPECT_EQ(plp.OpenForRead(u"E:\\Playlists\\Xpl.plp"), 0);
    EXPECT_FALSE(plp.IsFileOpen());
}

TEST_F(Plp, ParseItemNeedsTheExactPrefix) {
    WCHAR out[ZEL_PLAYLIST_LINE];
    ASSERT_EQ(plp.ParseItem(u"HDD, Music\\a.mp3\r\n", out), 1);
    EXPECT_EQ(std::u16string(out), u"E:\\Music\\a.mp3");
    EXPECT_EQ(plp.ParseItem(u"hdd, Music\\a.mp3\r\n", out), 0);
    EXPECT_EQ(plp.ParseItem(u"HDD,Music\\a.mp3\r\n", out), 0);
    EXPECT_EQ(plp.ParseItem(u"HDD", out), 0);
    EXPECT_EQ(plp.ParseItem(u"END PLAYLIST\r\n", out), 0);

    std::u16string longLine = u"HDD, " + std::u16string(400, u'r');
    WCHAR guarded[ZEL_PLAYLIST_LINE + 4];
    for (WCHAR& unit : guarded) unit = u'#';
    ASSERT_EQ(plp.ParseItem(longLine.c_str(), guarded), 1);
    EXPECT_EQ(std::u16string(guarded), u"E:\\" + std::u16string(254, u'r'));  // the line is cut to 259 first
    EXPECT_EQ(guarded[ZEL_PLAYLIST_LINE], u'#');
}

TEST_F(Plp, SavePlaylistWritesMusicNamesUnderSystemMusic) {
    CStringArray items = Array({u"a.mp3\r\n", u"Sub\\b.mp3\r\n"});
    plp.SavePlaylist(u"Saved", items, 0);
    EXPECT_EQ(ReadPlaylist("Saved.plp"),
              Utf16(kPlpHeader + u"HDD, System\\Music\\a.mp3\r\nHDD, System\\Music\\Sub\\b.mp3\r\n"));
    EXPECT_EQ(Text(items.GetAt(0)), u"a.mp3\r\n");

    CStringArray none;
    plp.SavePlaylist(u"None", none, 1);
    EXPECT_EQ(ReadPlaylist("None.plp"), Utf16(kPlpHeader));
}

TEST_F(Plp, StoreGroupedPlaylistsDropsDriveColonAndBackslash) {
    plp.StoreGroupedPlaylists(Array({u"G", u"G", u"H"}),
                              Array({u"E:\\Music\\a.mp3", u"E:\\Music\\b.mp3", u"E:\\c.mp3"}));
    EXPECT_EQ(ReadPlaylist("G.plp"), Utf16(kPlpHeader + u"HDD, Music\\a.mp3\r\nHDD, Music\\b.mp3\r\n"));
    EXPECT_EQ(ReadPlaylist("H.plp"), Utf16(kPlpHeader + u"HDD, c.mp3\r\n"));
}

TEST_F(Plp, AddToPlaylistMergesWithoutEndMarker) {
    WritePlaylist("M.plp", kPlpHeader + u"HDD, Music\\b.mp3\r\nHDD, MUSIC\\A.MP3\r\n");
    plp.AddToPlaylist(u"M", u"E:\\Music\\a.mp3");
    EXPECT_EQ(ReadPlaylist("M.plp"), Utf16(kPlpHeader + u"HDD, Music\\a.mp3\r\nHDD, Music\\b.mp3\r\n"));
}

TEST_F(Plp, PurgeKeepsTheFormOfSurvivingLines) {
    MakeMedia("Music/a.mp3");
    WritePlaylist("P.plp", u"\uFEFF" + kPlpHeader + u"HDD, Music\\gone.mp3\r\nHDD, Music\\a.mp3\r\n");
    plp.PurgePlaylist(u"E:\\Playlists\\P.plp");
    EXPECT_EQ(ReadPlaylist("P.plp"), Utf16(kPlpHeader + u"HDD, Music\\a.mp3\r\n"));
}

TEST_F(Plp, OperationsWithoutAPlpMeaningTouchNothing) {
    xpl.CreatePlaylist(u"X", 1);
    std::string before = ReadPlaylist("X.xpl");
    EXPECT_EQ(plp.TestPlaylistFile(u"E:\\Playlists\\X.xpl"), 0);
    EXPECT_EQ(plp.RenamePlaylist(u"E:\\Playlists\\X.xpl", u"E:\\Playlists\\Y.xpl"), 0);
    CStringArray items = Array({u"E:\\Music\\a.mp3"});
    plp.AddItemsToPlaylist(u"X", items);
    plp.SavePlaylistEx(u"X", items, u"v", 1);
    plp.StoreGroupedPlaylistsEx(Array({u"X"}), items, Array({u"v"}));
    EXPECT_EQ(ReadPlaylist("X.xpl"), before);
    EXPECT_FALSE(drive.Exists("Playlists/Y.xpl"));
    EXPECT_FALSE(drive.Exists("Playlists/X.plp"));
    EXPECT_EQ(Text(items.GetAt(0)), u"E:\\Music\\a.mp3");
}

TEST_F(Plp, DestroyDeletesThroughTheInterface) {
    CPlaylistFile* files[] = {new CXPLPlaylistFile, new CPLPPlaylistFile};
    for (CPlaylistFile* file : files) {
        file->SetFolder(u"E:\\Playlists");
        file->CreatePlaylist(u"Made", 1);
        CPlaylistFile::Destroy(file);
    }
    EXPECT_EQ(ReadPlaylist("Made.xpl"), Utf16(kXplHeader1 + kXplEnd));
    EXPECT_EQ(ReadPlaylist("Made.plp"), Utf16(kPlpHeader));
}
