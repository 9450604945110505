// XPL files as read: headers, entry lines, loading, round trips, purging and
// the file-system operations on whole playlists.
#include "playlist_fixture.h"

using XplRead = PlaylistTest;

namespace {

struct Loaded {
    int result = -1;
    CStringArray names;
    CStringArray entries;
    CString value{u"untouched"};
};

Loaded Load(CPlaylistFile& file, const char16_t* path) {
    Loaded loaded;
    loaded.result = file.LoadPlaylist(path, loaded.names, loaded.entries, loaded.value);
    return loaded;
}

std::u16string Parse(CPlaylistFile& file, const std::u16string& line, int expected) {
    WCHAR out[ZEL_PLAYLIST_LINE + 8];
    for (WCHAR& unit : out) unit = u'#';
    EXPECT_EQ(file.ParseItem(line.c_str(), out), expected) << ZelToUtf8(line.c_str());
    // Nothing is written behind the 260-unit buffer.
    for (int i = ZEL_PLAYLIST_LINE; i < ZEL_PLAYLIST_LINE + 8; ++i) EXPECT_EQ(out[i], u'#');
    return expected == 1 ? std::u16string(out) : std::u16string();
}

}  // namespace

TEST_F(XplRead, HeaderAcceptsAMissingByteOrderMarkButNotOtherSpellings) {
    WritePlaylist("NoBom.xpl", u"XPL PLAYLIST\r\nVERSION 2.00\r\n\r\n");
    EXPECT_EQ(xpl.OpenForRead(u"E:\\Playlists\\NoBom.xpl"), 2);
    EXPECT_TRUE(xpl.IsFileOpen());
    xpl.CloseFile();

    WritePlaylist("Lower.xpl", u"\uFEFFxpl playlist\r\nVERSION 1.00\r\n\r\n");
    EXPECT_EQ(xpl.OpenForRead(u"E:\\Playlists\\Lower.xpl"), 0);
    WritePlaylist("Three.xpl", u"\uFEFFXPL PLAYLIST\r\nVERSION 3.00\r\n\r\n");
    EXPECT_EQ(xpl.OpenForRead(u"E:\\Playlists\\Three.xpl"), 0);
    WritePlaylist("Short.xpl", u"\uFEFFXPL PLAYLIS\r\nVERSION 1.00\r\n\r\n");
    EXPECT_EQ(xpl.OpenForRead(u"E:\\Playlists\\Short.xpl"), 0);
    WritePlaylist("TwoMarks.xpl", u"\uFEFF\uFEFFXPL PLAYLIST\r\nVERSION 1.00\r\n\r\n");
    EXPECT_EQ(xpl.OpenForRead(u"E:\\Playlists\\TwoMarks.xpl"), 0);
    WritePlaylist("OneLine.xpl", u"\uFEFFXPL PLAYLIST\r\n");
    EXPECT_EQ(xpl.OpenForRead(u"E:\\Playlists\\OneLine.xpl"), 0);
    EXPECT_EQ(xpl.OpenForRead(u"E:\\Playlists\\Missing.xpl"), 0);
    EXPECT_FALSE(xpl.IsFileOpen());
}

TEST_F(XplRead, HeaderIgnoresWhatFollowsTheComparedCharactersAndLineThree) {
    WritePlaylist("Tail.xpl",
                  u"XPL PLAYLIST and more\r\nVERSION 1.00 beta\r\n\\Music\\skipped.mp3\r\n\\Music\\a.mp3\r\n\r\n");
    Loaded loaded = Load(xpl, u"E:\\Playlists\\Tail.xpl");
    EXPECT_EQ(loaded.result, 1);
    ASSERT_EQ(loaded.entries.GetSize(), 1);
    EXPECT_EQ(Text(loaded.entries.GetAt(0)), u"\\Music\\a.mp3\r\n");
}

TEST_F(XplRead, ParseItemMakesFullPathsAndRecognisesTheEnd) {
    EXPECT_EQ(Parse(xpl, u"\\Music\\a.mp3\r\n", 1), u"E:\\Music\\a.mp3");
    EXPECT_EQ(Parse(xpl, u"\\Music\\b.mp3", 1), u"E:\\Music\\b.mp3");
    EXPECT_EQ(Parse(xpl, u"\\A\nB\r\n", 1), u"E:\\A");
    EXPECT_EQ(Parse(xpl, u"abcd", 1), u"E:abcd");  // no check for the backslash
    Parse(xpl, u"\r\n", 0);
    Parse(xpl, u"\\ab", 0);
    Parse(xpl, u"END PLAYLIST\r\n", 2);
    Parse(xpl, u"END PLAYLISTS", 2);
    EXPECT_EQ(Parse(xpl, u"END PLAYLIS\r\n", 1), u"E:END PLAYLIS");
}

TEST_F(XplRead, ParseItemCutsLongLinesToTheBuffer) {
    std::u16string line = u"\\" + std::u16string(400, u'p') + u"\r\n";
    std::u16string full = Parse(xpl, line, 1);
    EXPECT_EQ(full.size(), 259u);
    EXPECT_EQ(full, u"E:" + line.substr(0, 257));
}

TEST_F(XplRead, LoadDeliversEntriesAndNamesWithTheirLineEnds) {
    WritePlaylist("List.xpl",
                  kXplHeader1 + u"\\Music\\Rock\\a.mp3\r\n\\b.wma\r\n\\Video\\c d.wmv\r\n" + kXplEnd);
    Loaded loaded = Load(xpl, u"E:\\Playlists\\List.xpl");
    EXPECT_EQ(loaded.result, 1);
    ASSERT_EQ(loaded.entries.GetSize(), 3);
    ASSERT_EQ(loaded.names.GetSize(), 3);
    EXPECT_EQ(Text(loaded.entries.GetAt(0)), u"\\Music\\Rock\\a.mp3\r\n");
    EXPECT_EQ(Text(loaded.entries.GetAt(1)), u"\\b.wma\r\n");
    EXPECT_EQ(Text(loaded.entries.GetAt(2)), u"\\Video\\c d.wmv\r\n");
    EXPECT_EQ(Text(loaded.names.GetAt(0)), u"a.mp3\r\n");
    EXPECT_EQ(Text(loaded.names.GetAt(1)), u"b.wma\r\n");
    EXPECT_EQ(Text(loaded.names.GetAt(2)), u"c d.wmv\r\n");
    EXPECT_TRUE(loaded.value.IsEmpty());
}

TEST_F(XplRead, LoadAppendsToTheListsItIsGiven) {
    WritePlaylist("One.xpl", kXplHeader1 + u"\\Music\\a.mp3\r\n" + kXplEnd);
    CStringArray names = Array({u"kept"});
    CStringArray entries = Array({u"kept"});
    CString value;
    EXPECT_EQ(xpl.LoadPlaylist(u"E:\\Playlists\\One.xpl", names, entries, value), 1);
    EXPECT_EQ(xpl.LoadPlaylist(u"E:\\Playlists\\One.xpl", names, entries, value), 1);
    ASSERT_EQ(entries.GetSize(), 3);
    EXPECT_EQ(Text(entries.GetAt(0)), u"kept");
    EXPECT_EQ(Text(entries.GetAt(2)), u"\\Music\\a.mp3\r\n");
    EXPECT_EQ(names.GetSize(), 3);
}

TEST_F(XplRead, LoadReadsTheMyAuroValueOfVersionTwo) {
    WritePlaylist("V2.xpl", kXplHeader2 + u"\\Music\\a.mp3\r\n" + kXplEnd + MyAuroSection(u"genre=jazz;bpm=90"));
    Loaded loaded = Load(xpl, u"E:\\Playlists\\V2.xpl");
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(Text(loaded.value), u"genre=jazz;bpm=90");
    EXPECT_EQ(loaded.entries.GetSize(), 1);

    WritePlaylist("V2Empty.xpl", kXplHeader2 + kXplEnd + MyAuroSection(u""));
    Loaded empty = Load(xpl, u"E:\\Playlists\\V2Empty.xpl");
    EXPECT_EQ(empty.result, 1);
    EXPECT_TRUE(empty.value.IsEmpty());
    EXPECT_EQ(empty.entries.GetSize(), 0);

    // The myAuro line is found after a byte-order mark too.
    WritePlaylist("V2Mark.xpl", kXplHeader2 + u"\r\nEND PLAYLIST\r\n\r\n\uFEFFmyAuro DATA\r\n\r\nv\r\n\r\nEND myAuro\r\n");
    EXPECT_EQ(Text(Load(xpl, u"E:\\Playlists\\V2Mark.xpl").value), u"v");
}

TEST_F(XplRead, LoadStopsAtTheEndOfTheFileWithWhatItRead) {
    WritePlaylist("Cut.xpl", kXplHeader1 + u"\\Music\\a.mp3\r\n\\Music\\b.mp3");
    Loaded cut = Load(xpl, u"E:\\Playlists\\Cut.xpl");
    EXPECT_EQ(cut.result, 0);
    ASSERT_EQ(cut.entries.GetSize(), 2);
    EXPECT_EQ(Text(cut.entries.GetAt(1)), u"\\Music\\b.mp3");
    EXPECT_EQ(Text(cut.names.GetAt(1)), u"b.mp3");
    EXPECT_EQ(Text(cut.value), u"untouched");

    WritePlaylist("NoAuro.xpl", kXplHeader2 + u"\\Music\\a.mp3\r\n" + kXplEnd);
    Loaded noAuro = Load(xpl, u"E:\\Playlists\\NoAuro.xpl");
    EXPECT_EQ(noAuro.result, 0);
    EXPECT_EQ(noAuro.entries.GetSize(), 1);
    EXPECT_EQ(Text(noAuro.value), u"untouched");

    WritePlaylist("HeaderOnly.xpl", kXplHeader1);
    EXPECT_EQ(Load(xpl, u"E:\\Playlists\\HeaderOnly.xpl").result, 0);
    EXPECT_EQ(Load(xpl, u"E:\\Playlists\\Missing.xpl").result, 0);
}

TEST_F(XplRead, LoadSplitsALineLongerThanTheBuffer) {
    // A path longer than 259 units is read in pieces; the piece that does not
    // begin with a backslash ends the list.
    std::u16string longEntry = u"\\" + std::u16string(300, u'q') + u"\r\n";
    WritePlaylist("Long.xpl", kXplHeader1 + longEntry + u"\\Music\\after.mp3\r\n" + kXplEnd);
    Loaded loaded = Load(xpl, u"E:\\Playlists\\Long.xpl");
    EXPECT_EQ(loaded.result, 1);
    ASSERT_EQ(loaded.entries.GetSize(), 1);
    EXPECT_EQ(Text(loaded.entries.GetAt(0)), longEntry.substr(0, 259));
}

TEST_F(XplRead, LoadSurvivesAnOddByteCount) {
    std::string bytes = Utf16(kXplHeader1 + u"\\Music\\a.mp3\r\n") + "\x5c";
    drive.WriteFile("Playlists/Odd.xpl", bytes);
    Loaded loaded = Load(xpl, u"E:\\Playlists\\Odd.xpl");
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.entries.GetSize(), 1);
}

TEST_F(XplRead, LoadThenSaveGivesBackTheSameFile) {
    xpl.AddItemsToPlaylist(u"Trip", Array({u"E:\\Music\\a.mp3", u"E:\\Music\\Sub\\b.mp3"}));
    std::string written = ReadPlaylist("Trip.xpl");
    Loaded loaded = Load(xpl, u"E:\\Playlists\\Trip.xpl");
    ASSERT_EQ(loaded.result, 1);
    xpl.SavePlaylist(u"Trip", loaded.entries, 1);
    EXPECT_EQ(ReadPlaylist("Trip.xpl"), written);
    // The lines handed back are left as they were read.
    EXPECT_EQ(Text(loaded.entries.GetAt(1)), u"\\Music\\Sub\\b.mp3\r\n");
}

TEST_F(XplRead, SaveTakesALoadedLineOutsideMusicForAFullPath) {
    // Only lines under \Music count as entry lines; any other line loses two
    // characters and gains a second line end, as a full path would.
    WritePlaylist("Video.xpl", kXplHeader1 + u"\\Music\\a.mp3\r\n\\Video\\c.wmv\r\n" + kXplEnd);
    Loaded loaded = Load(xpl, u"E:\\Playlists\\Video.xpl");
    ASSERT_EQ(loaded.result, 1);
    xpl.SavePlaylist(u"Video", loaded.entries, 1);
    EXPECT_EQ(ReadPlaylist("Video.xpl"),
              Utf16(kXplHeader1 + u"\\Music\\a.mp3\r\nideo\\c.wmv\r\n\r\n" + kXplEnd));
    EXPECT_EQ(Text(loaded.entries.GetAt(1)), u"ideo\\c.wmv\r\n\r\n");
}

TEST_F(XplRead, SaveExThenLoadKeepsEntriesAndValue) {
    CStringArray items = Array({u"E:\\Music\\a.mp3", u"E:\\Music\\b.mp3"});
    xpl.SavePlaylistEx(u"Round", items, u"mood 4", 1);
    std::string first = ReadPlaylist("Round.xpl");
    Loaded loaded = Load(xpl, u"E:\\Playlists\\Round.xpl");
    ASSERT_EQ(loaded.result, 1);
    EXPECT_EQ(Text(loaded.value), u"mood 4");
    xpl.SavePlaylistEx(u"Round", loaded.entries, loaded.value, 1);
    EXPECT_EQ(ReadPlaylist("Round.xpl"), first);
}

TEST_F(XplRead, TestPlaylistFileLooksAtTheFirstLineOnly) {
    WritePlaylist("Good.xpl", u"\uFEFFXPL PLAYLIST\r\n");
    WritePlaylist("NoMark.xpl", u"XPL PLAYLIST");
    WritePlaylist("Lower.xpl", u"\uFEFFxpl playlist\r\nVERSION 1.00\r\n");
    WritePlaylist("Plp.plp", kPlpHeader);
    drive.WriteFile("Playlists/Empty.xpl", "");
    EXPECT_EQ(xpl.TestPlaylistFile(u"E:\\Playlists\\Good.xpl"), 1);
    EXPECT_EQ(xpl.TestPlaylistFile(u"E:\\Playlists\\NoMark.xpl"), 1);
    EXPECT_EQ(xpl.TestPlaylistFile(u"E:\\Playlists\\Lower.xpl"), 0);
    EXPECT_EQ(xpl.TestPlaylistFile(u"E:\\Playlists\\Plp.plp"), 0);
    EXPECT_EQ(xpl.TestPlaylistFile(u"E:\\Playlists\\Empty.xpl"), 0);
    EXPECT_EQ(xpl.TestPlaylistFile(u"E:\\Playlists\\Missing.xpl"), 0);
}

TEST_F(XplRead, RenamePlaylistRefusesAnExistingName) {
    xpl.CreatePlaylist(u"Old", 1);
    xpl.CreatePlaylist(u"Taken", 2);
    std::string taken = ReadPlaylist("Taken.xpl");
    EXPECT_EQ(xpl.RenamePlaylist(u"E:\\Playlists\\Old.xpl", u"E:\\Playlists\\Taken.xpl"), 0);
    EXPECT_TRUE(drive.Exists("Playlists/Old.xpl"));
    EXPECT_EQ(ReadPlaylist("Taken.xpl"), taken);

    EXPECT_EQ(xpl.RenamePlaylist(u"E:\\Playlists\\Old.xpl", u"E:\\Playlists\\New.xpl"), 1);
    EXPECT_FALSE(drive.Exists("Playlists/Old.xpl"));
    EXPECT_EQ(ReadPlaylist("New.xpl"), Utf16(kXplHeader1 + kXplEnd));
    // The rename's own failure is not reported.
    EXPECT_EQ(xpl.RenamePlaylist(u"E:\\Playlists\\Gone.xpl", u"E:\\Playlists\\Other.xpl"), 1);
}

TEST_F(XplRead, PurgeDropsMissingFilesAndKeepsVersionAndValue) {
    MakeMedia("Music/a.mp3");
    MakeMedia("Music/c.mp3");
    WritePlaylist("P.xpl", kXplHeader2 + u"\\Music\\a.mp3\r\n\\Music\\b.mp3\r\n\\music\\C.MP3\r\n" + kXplEnd +
                               MyAuroSection(u"keep me"));
    xpl.PurgePlaylist(u"E:\\Playlists\\P.xpl");
    EXPECT_EQ(ReadPlaylist("P.xpl"),
              Utf16(kXplHeader2 + u"\\Music\\a.mp3\r\n\\music\\C.MP3\r\n" + kXplEnd + MyAuroSection(u"keep me")));

    WritePlaylist("Q.xpl", u"XPL PLAYLIST\r\nVERSION 1.00\r\n\r\n\\Music\\b.mp3\r\n\\Music\\a.mp3\r\n" + kXplEnd);
    xpl.PurgePlaylist(u"E:\\Playlists\\Q.xpl");
    EXPECT_EQ(ReadPlaylist("Q.xpl"), Utf16(kXplHeader1 + u"\\Music\\a.mp3\r\n" + kXplEnd));
}

TEST_F(XplRead, PurgeLeavesAVersionTwoFileWithoutMyAuroSectionAlone) {
    WritePlaylist("Bad.xpl", kXplHeader2 + u"\\Music\\gone.mp3\r\n" + kXplEnd);
    std::string before = ReadPlaylist("Bad.xpl");
    xpl.PurgePlaylist(u"E:\\Playlists\\Bad.xpl");
    EXPECT_EQ(ReadPlaylist("Bad.xpl"), before);

    WritePlaylist("Cut.xpl", kXplHeader2 + u"\\Music\\gone.mp3\r\n");
    before = ReadPlaylist("Cut.xpl");
    xpl.PurgePlaylist(u"E:\\Playlists\\Cut.xpl");
    EXPECT_EQ(ReadPlaylist("Cut.xpl"), before);
}

TEST_F(XplRead, PurgeRewritesAVersionOneFileThatEndsInsideTheEntries) {
    MakeMedia("Music/a.mp3");
    WritePlaylist("Open.xpl", kXplHeader1 + u"\\Music\\a.mp3\r\n\\Music\\b.mp3");
    xpl.PurgePlaylist(u"E:\\Playlists\\Open.xpl");
    EXPECT_EQ(ReadPlaylist("Open.xpl"), Utf16(kXplHeader1 + u"\\Music\\a.mp3\r\n" + kXplEnd));
}

TEST_F(XplRead, PurgeFolderVisitsBothExtensionsButRewritesOnlyItsOwnFormat) {
    MakeMedia("Music/a.mp3");
    WritePlaylist("One.XPL", kXplHeader1 + u"\\Music\\a.mp3\r\n\\Music\\b.mp3\r\n" + kXplEnd);
    WritePlaylist("Two.xpl", kXplHeader1 + u"\\Music\\b.mp3\r\n" + kXplEnd);
    WritePlaylist("Other.plp", kPlpHeader + u"HDD, Music\\b.mp3\r\n");
    WritePlaylist("Notes.txt", kXplHeader1 + u"\\Music\\b.mp3\r\n" + kXplEnd);
    std::filesystem::create_directories(drive.Host("Playlists/Dir.xpl"));
    std::string plpBefore = ReadPlaylist("Other.plp");
    std::string txtBefore = ReadPlaylist("Notes.txt");

    xpl.PurgePlaylistFolder(u"E:\\Playlists");
    EXPECT_EQ(ReadPlaylist("One.XPL"), Utf16(kXplHeader1 + u"\\Music\\a.mp3\r\n" + kXplEnd));
    EXPECT_EQ(ReadPlaylist("Two.xpl"), Utf16(kXplHeader1 + kXplEnd));
    EXPECT_EQ(ReadPlaylist("Other.plp"), plpBefore);
    EXPECT_EQ(ReadPlaylist("Notes.txt"), txtBefore);

    plp.PurgePlaylistFolder(u"E:\\Playlists");
    EXPECT_EQ(ReadPlaylist("Other.plp"), Utf16(kPlpHeader));
    EXPECT_EQ(ReadPlaylist("One.XPL"), Utf16(kXplHeader1 + u"\\Music\\a.mp3\r\n" + kXplEnd));
}

TEST_F(XplRead, SetFolderTakesTheDrivePrefixAndCutsTheFolder) {
    CXPLPlaylistFile file;
    file.SetFolder(u"F:\\Deep");
    EXPECT_EQ(std::u16string(file.GetDrivePrefix()), u"F:");
    EXPECT_EQ(std::u16string(file.GetFolder()), u"F:\\Deep");
    std::u16string longFolder = u"E:\\" + std::u16string(600, u'f');
    file.SetFolder(longFolder.c_str());
    EXPECT_EQ(std::u16string(file.GetFolder()), longFolder.substr(0, 520));
    EXPECT_EQ(std::u16string(file.GetDrivePrefix()), u"E:");
    file.SetFolder(u"G");
    EXPECT_EQ(std::u16string(file.GetDrivePrefix()), u"G");
}
