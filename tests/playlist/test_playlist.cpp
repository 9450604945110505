// Playlist files of both formats on a player drive E:: the exact bytes every
// writer produces, header and entry reading, merging, grouping, saving,
// loading and purging, and malformed files that must leave no file open.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "ZELDevice/playlist/PLPPlaylistFile.h"
#include "ZELDevice/playlist/XPLPlaylistFile.h"
#include "tempdrive.h"

namespace {

using U = std::u16string;
using Us = std::vector<U>;

// The bytes of a text as a binary UTF-16 stream writes them: two a unit, low byte first.
std::string Utf16(const U& text) {
    std::string bytes;
    for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xff), static_cast<char>(unit >> 8)};
    return bytes;
}

CStringArray Array(std::initializer_list<const char16_t*> items) {
    CStringArray array;
    for (const char16_t* item : items) array.Add(CString(item));
    return array;
}

U Text(const CString& text) { return U(static_cast<LPCWSTR>(text)); }
Us Texts(const CStringArray& array) {
    Us texts;
    for (int i = 0; i < array.GetSize(); ++i) texts.push_back(Text(array.GetAt(i)));
    return texts;
}

long OpenDescriptorCount() {
    std::filesystem::directory_iterator fds("/proc/self/fd");
    return std::distance(fds, std::filesystem::directory_iterator());
}

const U kXplHeader1 = u"\uFEFFXPL PLAYLIST\r\nVERSION 1.00\r\n\r\n";
const U kXplHeader2 = u"\uFEFFXPL PLAYLIST\r\nVERSION 2.00\r\n\r\n";
const U kXplEnd = u"\r\nEND PLAYLIST\r\n";
const U kPlpHeader = u"PLP PLAYLIST\r\nVERSION 1.20\r\n\r\n";
const U kA = u"\\Music\\a.mp3\r\n";
const U kB = u"\\Music\\b.mp3\r\n";

// Whole XPL files around their entry lines; version 2 has no value line for an empty value.
U XplV1(const U& entries) { return kXplHeader1 + entries + kXplEnd; }
U XplV2(const U& entries, const U& value) {
    return kXplHeader2 + entries + kXplEnd + u"\r\nmyAuro DATA\r\n\r\n" + (value.empty() ? U() : value + u"\r\n") +
           u"\r\nEND myAuro\r\n";
}

struct Loaded {
    int result = -1;
    CStringArray names;
    CStringArray entries;
    CString value{u"untouched"};
};

// The playlist folder E:\Playlists; no operation may leave a file open.
class Playlist : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(drive.Host("Playlists"));
        xpl.SetFolder(u"E:\\Playlists");
        plp.SetFolder(u"E:\\Playlists");
    }
    void TearDown() override {
        EXPECT_FALSE(xpl.IsFileOpen());
        EXPECT_FALSE(plp.IsFileOpen());
    }

    static CString At(LPCWSTR name) { return CString(u"E:\\Playlists\\") + name; }
    void Write(const std::string& name, const U& text) { drive.WriteFile("Playlists/" + name, Utf16(text)); }
    // The file's bytes as UTF-16 units; an odd last byte shows as U+FFFD.
    U Read(const std::string& name) {
        std::string bytes = drive.ReadFile("Playlists/" + name);
        U text;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8);
        }
        return bytes.size() % 2 ? text + u'\uFFFD' : text;
    }
    Loaded Load(CPlaylistFile& file, LPCWSTR name) {
        Loaded loaded;
        loaded.result = file.LoadPlaylist(At(name), loaded.names, loaded.entries, loaded.value);
        return loaded;
    }

    TempDrive drive{u'E'};
    CXPLPlaylistFile xpl;
    CPLPPlaylistFile plp;
};

}  // namespace

TEST_F(Playlist, XplCreateRenameAndTestWholeFiles) {
    EXPECT_EQ(xpl.CreatePlaylist(u"One", 1), 1);
    EXPECT_EQ(Read("One.xpl"), XplV1(u""));
    EXPECT_EQ(xpl.CreatePlaylist(u"Two", 2), 1);
    EXPECT_EQ(Read("Two.xpl"), XplV2(u"", u""));
    EXPECT_EQ(Load(xpl, u"One.xpl").result, 1);

    // An existing name is refused untouched; a file that cannot be opened still answers 1.
    EXPECT_EQ(xpl.CreatePlaylist(u"Two", 1), 0);
    EXPECT_EQ(Read("Two.xpl"), XplV2(u"", u""));
    int fault = ZelInjectFault(u"E:\\Playlists\\Locked.xpl", ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED);
    EXPECT_EQ(xpl.CreatePlaylist(u"Locked", 1), 1);
    ZelRemoveFault(fault);
    EXPECT_FALSE(drive.Exists("Playlists/Locked.xpl"));

    EXPECT_EQ(xpl.RenamePlaylist(At(u"One.xpl"), At(u"Two.xpl")), 0);
    EXPECT_EQ(Read("Two.xpl"), XplV2(u"", u""));
    EXPECT_EQ(xpl.RenamePlaylist(At(u"One.xpl"), At(u"New.xpl")), 1);
    EXPECT_FALSE(drive.Exists("Playlists/One.xpl"));
    EXPECT_EQ(Read("New.xpl"), XplV1(u""));
    EXPECT_EQ(xpl.RenamePlaylist(At(u"Gone.xpl"), At(u"Other.xpl")), 1);  // the rename's own failure is not seen

    // TestPlaylistFile compares the first line only.
    const std::pair<U, int> firstLines[] = {{u"\uFEFFXPL PLAYLIST\r\n", 1}, {u"XPL PLAYLIST", 1},
                                            {u"\uFEFFxpl playlist\r\nVERSION 1.00\r\n", 0}, {kPlpHeader, 0}, {u"", 0}};
    for (const auto& [content, expected] : firstLines) {
        Write("T.xpl", content);
        EXPECT_EQ(xpl.TestPlaylistFile(At(u"T.xpl")), expected) << ZelToUtf8(content.c_str());
    }
    EXPECT_EQ(xpl.TestPlaylistFile(At(u"Missing.xpl")), 0);
}

TEST_F(Playlist, HeadersAndItemLinesOfBothFormats) {
    const std::tuple<CPlaylistFile&, U, int> headers[] = {
        {xpl, u"XPL PLAYLIST\r\nVERSION 2.00\r\n\r\n", 2},
        {xpl, u"XPL PLAYLIST and more\r\nVERSION 1.00 beta\r\n\r\n", 1},
        {xpl, u"\uFEFFxpl playlist\r\nVERSION 1.00\r\n\r\n", 0}, {xpl, u"\uFEFFXPL PLAYLIST\r\n", 0},
        {xpl, u"\uFEFFXPL PLAYLIST\r\nVERSION 3.00\r\n\r\n", 0}, {xpl, u"\uFEFFXPL PLAYLIS\r\nVERSION 1.00\r\n\r\n", 0},
        {xpl, u"\uFEFF\uFEFFXPL PLAYLIST\r\nVERSION 1.00\r\n\r\n", 0}, {plp, XplV1(u""), 0},
        {plp, u"\uFEFFPLP PLAYLIST\r\n\uFEFFVERSION 1.20\r\n\r\nHDD, Music\\a.mp3\r\n", 1},
        {plp, u"PLP PLAYLIST\r\nVERSION 1.00\r\n\r\n", 0}, {plp, u"plp playlist\r\nVERSION 1.20\r\n\r\n", 0},
    };
    for (const auto& [file, content, version] : headers) {
        Write("H", content);
        EXPECT_EQ(file.OpenForRead(At(u"H")), version) << ZelToUtf8(content.c_str());
        EXPECT_EQ(file.IsFileOpen(), version != 0);
        file.CloseFile();
    }
    EXPECT_EQ(xpl.OpenForRead(At(u"Missing.xpl")), 0);

    // ParseItem makes full paths and never writes past the line buffer.
    const U longXpl = u"\\" + U(400, u'p') + u"\r\n";
    const std::tuple<CPlaylistFile&, U, int, U> items[] = {
        {xpl, kA, 1, u"E:\\Music\\a.mp3"}, {xpl, u"\\Music\\b.mp3", 1, u"E:\\Music\\b.mp3"},
        {xpl, u"\\A\nB\r\n", 1, u"E:\\A"}, {xpl, u"END PLAYLIS\r\n", 1, u"E:END PLAYLIS"},
        {xpl, u"abcd", 1, u"E:abcd"},  // no check for the backslash
        {xpl, longXpl, 1, u"E:" + longXpl.substr(0, 257)},  // the line is cut to 259 units first
        {xpl, u"\r\n", 0, u""}, {xpl, u"\\ab", 0, u""}, {xpl, u"END PLAYLIST\r\n", 2, u""},
        {xpl, u"END PLAYLISTS", 2, u""}, {plp, u"HDD, Music\\a.mp3\r\n", 1, u"E:\\Music\\a.mp3"},
        {plp, u"HDD, " + U(400, u'r'), 1, u"E:\\" + U(254, u'r')}, {plp, u"hdd, Music\\a.mp3\r\n", 0, u""},
        {plp, u"HDD,Music\\a.mp3\r\n", 0, u""}, {plp, u"HDD", 0, u""}, {plp, u"END PLAYLIST\r\n", 0, u""},
    };
    for (const auto& [file, line, result, full] : items) {
        WCHAR out[ZEL_PLAYLIST_LINE + 8];
        std::fill(std::begin(out), std::end(out), u'#');
        EXPECT_EQ(file.ParseItem(line.c_str(), out), result) << ZelToUtf8(line.c_str());
        if (result == 1) { EXPECT_EQ(U(out), full); }
        EXPECT_EQ(U(out + ZEL_PLAYLIST_LINE, 8), U(8, u'#'));
    }
}

TEST_F(Playlist, XplLoadDeliversLinesAsReadAndAppends) {
    Write("List.xpl", XplV1(u"\\Music\\Rock\\a.mp3\r\n\\Video\\c d.wmv\r\n"));
    Loaded loaded = Load(xpl, u"List.xpl");
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(Texts(loaded.entries), (Us{u"\\Music\\Rock\\a.mp3\r\n", u"\\Video\\c d.wmv\r\n"}));
    EXPECT_EQ(Texts(loaded.names), (Us{u"a.mp3\r\n", u"c d.wmv\r\n"}));
    EXPECT_TRUE(loaded.value.IsEmpty());
    EXPECT_EQ(xpl.LoadPlaylist(At(u"List.xpl"), loaded.names, loaded.entries, loaded.value), 1);
    EXPECT_EQ(loaded.entries.GetSize(), 4);
    EXPECT_EQ(loaded.names.GetSize(), 4);

    // Line 3 is skipped whatever it holds.
    Write("Tail.xpl", u"XPL PLAYLIST\r\nVERSION 1.00\r\n\\Music\\skipped.mp3\r\n" + kA + u"\r\n");
    EXPECT_EQ(Texts(Load(xpl, u"Tail.xpl").entries), Us{kA});

    // Version 2: a value, an empty value, and a myAuro line behind a byte-order mark.
    Write("V2.xpl", XplV2(kA, u"genre=jazz;bpm=90"));
    EXPECT_EQ(Text(Load(xpl, u"V2.xpl").value), u"genre=jazz;bpm=90");
    Write("V2.xpl", XplV2(u"", u""));
    EXPECT_EQ(Text(Load(xpl, u"V2.xpl").value), u"");
    Write("V2.xpl", kXplHeader2 + kXplEnd + u"\r\n\uFEFFmyAuro DATA\r\n\r\nv\r\n\r\nEND myAuro\r\n");
    EXPECT_EQ(Text(Load(xpl, u"V2.xpl").value), u"v");

    // A path longer than 259 units is read in pieces; the piece without a leading backslash ends the list.
    U longEntry = u"\\" + U(300, u'q') + u"\r\n";
    Write("Long.xpl", XplV1(longEntry + kA));
    Loaded split = Load(xpl, u"Long.xpl");
    EXPECT_EQ(split.result, 1);
    EXPECT_EQ(Texts(split.entries), Us{longEntry.substr(0, 259)});

    // A file that ends early answers 0 with what was read and leaves the value alone.
    const std::pair<std::string, Us> cut[] = {
        {Utf16(kXplHeader1 + kA + u"\\Music\\b.mp3"), {u"a.mp3\r\n", u"b.mp3"}},
        {Utf16(kXplHeader2 + kA + kXplEnd), {u"a.mp3\r\n"}},  // no myAuro section
        {Utf16(kXplHeader1), {}},
        {Utf16(kXplHeader1 + kA) + "\x5c", {u"a.mp3\r\n"}},  // an odd byte count
    };
    for (const auto& [bytes, names] : cut) {
        drive.WriteFile("Playlists/Cut.xpl", bytes);
        Loaded partial = Load(xpl, u"Cut.xpl");
        EXPECT_EQ(partial.result, 0);
        EXPECT_EQ(Texts(partial.names), names);
        EXPECT_EQ(partial.entries.GetSize(), partial.names.GetSize());
        EXPECT_EQ(Text(partial.value), u"untouched");
    }
    EXPECT_EQ(Load(xpl, u"Missing.xpl").result, 0);
}

TEST_F(Playlist, AddPutsThePathFirstDropsOtherSpellingsAndRewritesAsVersionOne) {
    const U longPath = u"E:\\" + U(300, u'n');
    const std::tuple<U, U, U> cases[] = {  // existing file (empty: none), added path, result
        {u"", u"E:\\Music\\a.mp3", XplV1(kA)},
        {XplV1(kB + u"\\MUSIC\\A.MP3\r\n\\Music\\c.mp3\r\n"), u"E:\\Music\\a.mp3",
         XplV1(kA + kB + u"\\Music\\c.mp3\r\n")},
        {XplV2(kB + u"\\music\\B.mp3\r\n", u"mood=3"), u"E:\\Music\\z.mp3", XplV1(u"\\Music\\z.mp3\r\n" + kB)},
        {u"xpl playlist\r\nVERSION 1.00\r\n\r\n" + kB + kXplEnd, u"E:\\Music\\a.mp3", XplV1(kA)},
        {XplV1(u"\\Music\\\u0391\u03b2\u0413.mp3\r\n"), u"E:\\Music\\\u03b1\u0392\u0433.mp3",
         XplV1(u"\\Music\\\u03b1\u0392\u0433.mp3\r\n")},
        {u"", longPath, XplV1(longPath.substr(2, 259) + u"\r\n")},
    };
    for (const auto& [existing, path, expected] : cases) {
        std::filesystem::remove(drive.Host("Playlists/M.xpl"));
        if (!existing.empty()) Write("M.xpl", existing);
        xpl.AddToPlaylist(u"M", path.c_str());
        EXPECT_EQ(Read("M.xpl"), expected) << ZelToUtf8(path.c_str());
    }

    // AddItemsToPlaylist makes the folder, keeps duplicates of its own list and appends new file entries.
    std::filesystem::remove_all(drive.Host("Playlists"));
    xpl.AddItemsToPlaylist(u"Mood", Array({u"E:\\Music\\x.mp3", u"E:\\Music\\y.mp3", u"E:\\Music\\x.mp3"}));
    EXPECT_EQ(Read("Mood.xpl"), XplV1(u"\\Music\\x.mp3\r\n\\Music\\y.mp3\r\n\\Music\\x.mp3\r\n"));
    xpl.AddItemsToPlaylist(u"Mood", Array({u"E:\\Music\\Y.MP3", u"E:\\Music\\w.mp3"}));
    EXPECT_EQ(Read("Mood.xpl"), XplV1(u"\\Music\\Y.MP3\r\n\\Music\\w.mp3\r\n\\Music\\x.mp3\r\n"));

    // The PLP merge drops drive, colon and backslash and writes no end marker.
    Write("M.plp", kPlpHeader + u"HDD, Music\\b.mp3\r\nHDD, MUSIC\\A.MP3\r\n");
    plp.AddToPlaylist(u"M", u"E:\\Music\\a.mp3");
    EXPECT_EQ(Read("M.plp"), kPlpHeader + u"HDD, Music\\a.mp3\r\nHDD, Music\\b.mp3\r\n");
}

TEST_F(Playlist, StoreGroupedPlaylistsWritesOneFilePerRunOfNames) {
    const CStringArray paths = Array({u"E:\\Music\\1.mp3", u"E:\\Music\\2.mp3", u"E:\\Music\\3.mp3"});
    const CStringArray two = Array({u"E:\\Music\\1.mp3", u"E:\\Music\\2.mp3"});
    const U e1 = u"\\Music\\1.mp3\r\n", e2 = u"\\Music\\2.mp3\r\n", e3 = u"\\Music\\3.mp3\r\n";
    xpl.StoreGroupedPlaylists(Array({u"A", u"A", u"B"}), paths);
    EXPECT_EQ(Read("A.xpl"), XplV1(e1 + e2));
    EXPECT_EQ(Read("B.xpl"), XplV1(e3));
    plp.StoreGroupedPlaylists(Array({u"G", u"G", u"H"}), Array({u"E:\\Music\\a.mp3", u"E:\\b.mp3", u"E:\\c.mp3"}));
    EXPECT_EQ(Read("G.plp"), kPlpHeader + u"HDD, Music\\a.mp3\r\nHDD, b.mp3\r\n");
    EXPECT_EQ(Read("H.plp"), kPlpHeader + u"HDD, c.mp3\r\n");

    // A name that comes back overwrites its first run; an old file is overwritten, not merged.
    Write("B.xpl", XplV1(u"\\Music\\old.mp3\r\n"));
    xpl.StoreGroupedPlaylists(Array({u"A", u"B", u"A"}), paths);
    EXPECT_EQ(Read("A.xpl"), XplV1(e3));
    EXPECT_EQ(Read("B.xpl"), XplV1(e2));
    // Names compare with case: two runs, the second overwriting the first on this drive.
    xpl.StoreGroupedPlaylists(Array({u"Run", u"RUN"}), two);
    EXPECT_EQ(Read("Run.xpl"), XplV1(e2));

    xpl.StoreGroupedPlaylistsEx(Array({u"A", u"A", u"B"}), paths, Array({u"first", u"second", u""}));
    EXPECT_EQ(Read("A.xpl"), XplV2(e1 + e2, u"first"));
    EXPECT_EQ(Read("B.xpl"), XplV2(e3, u""));

    // A group whose file does not open is carried into the next one.
    std::filesystem::remove(drive.Host("Playlists/A.xpl"));
    int fault = ZelInjectFault(u"E:\\Playlists\\A.xpl", ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED);
    xpl.StoreGroupedPlaylists(Array({u"A", u"B"}), two);
    ZelRemoveFault(fault);
    EXPECT_FALSE(drive.Exists("Playlists/A.xpl"));
    EXPECT_EQ(Read("B.xpl"), XplV1(e1 + e2));

    // Too few names: the array's exception, with no file left open.
    long before = OpenDescriptorCount();
    try {
        xpl.StoreGroupedPlaylists(Array({u"A"}), paths);
        ADD_FAILURE() << "no exception for too few names";
    } catch (CInvalidArgException* e) {
        e->Delete();
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(Playlist, SaveBringsItemsToStoredFormInPlaceAndRoundTrips) {
    std::filesystem::remove_all(drive.Host("Playlists"));  // the folder is made
    CStringArray items = Array({kA.c_str(), u"E:\\Video\\b.wmv", u"\\MUSIC\\c.mp3\r\n"});
    xpl.SavePlaylist(u"Edit", items, 1);
    EXPECT_EQ(Read("Edit.xpl"), XplV1(kA + u"\\Video\\b.wmv\r\n\\MUSIC\\c.mp3\r\n"));
    EXPECT_EQ(Texts(items), (Us{kA, u"\\Video\\b.wmv\r\n", u"\\MUSIC\\c.mp3\r\n"}));

    // A stored item is written as it is, without a line end added; each is cut to 259 units.
    U longItem = u"\\Music\\" + U(280, u'x') + u"\r\n";
    CStringArray raw = Array({u"\\Music\\a.mp3", longItem.c_str()});
    xpl.SavePlaylist(u"Raw", raw, 1);
    EXPECT_EQ(Read("Raw.xpl"), XplV1(u"\\Music\\a.mp3" + longItem.substr(0, 259)));

    // The empty flag writes an empty playlist, without a value line, and leaves the items alone.
    CStringArray full = Array({u"E:\\Music\\a.mp3"});
    xpl.SavePlaylist(u"Empty", full, 0);
    EXPECT_EQ(Read("Empty.xpl"), XplV1(u""));
    xpl.SavePlaylistEx(u"EmptyEx", full, u"ignored", 0);
    EXPECT_EQ(Read("EmptyEx.xpl"), XplV2(u"", u""));
    EXPECT_EQ(Texts(full), Us{u"E:\\Music\\a.mp3"});
    xpl.SavePlaylistEx(u"Ex", full, u"", 1);
    EXPECT_EQ(Read("Ex.xpl"), XplV2(kA, u""));

    // PLP items are music names under System\Music that carry their own line end; the flag is not read.
    CStringArray names = Array({u"a.mp3\r\n", u"Sub\\b.mp3\r\n"});
    plp.SavePlaylist(u"Saved", names, 0);
    EXPECT_EQ(Read("Saved.plp"), kPlpHeader + u"HDD, System\\Music\\a.mp3\r\nHDD, System\\Music\\Sub\\b.mp3\r\n");
    EXPECT_EQ(Texts(names), (Us{u"a.mp3\r\n", u"Sub\\b.mp3\r\n"}));
    // A loaded file stored back byte for byte, with and without its value: the mass-storage playlist tests.
}

TEST_F(Playlist, PlpLoadsWithoutEndMarker) {
    // A whole file answers 0 with every line; a line not beginning with H answers 1.
    Write("L.plp", kPlpHeader + u"HDD, Music\\a.mp3\r\nHDD, System\\Music\\b.mp3\r\n");
    Loaded loaded = Load(plp, u"L.plp");
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(Texts(loaded.names), (Us{u"HDD, Music\\a.mp3\r\n", u"HDD, System\\Music\\b.mp3\r\n"}));
    EXPECT_EQ(loaded.entries.GetSize(), 0);
    EXPECT_EQ(Text(loaded.value), u"untouched");
    Write("M.plp", kPlpHeader + u"HDD, Music\\a.mp3\r\n\r\nHDD, Music\\b.mp3\r\n");
    Loaded stopped = Load(plp, u"M.plp");
    EXPECT_EQ(stopped.result, 1);
    EXPECT_EQ(stopped.names.GetSize(), 1);

    // The operations without a PLP meaning touch nothing.
    xpl.CreatePlaylist(u"X", 1);
    EXPECT_EQ(plp.TestPlaylistFile(At(u"X.xpl")), 0);
    EXPECT_EQ(plp.RenamePlaylist(At(u"X.xpl"), At(u"Y.xpl")), 0);
    CStringArray items = Array({u"E:\\Music\\a.mp3"});
    plp.AddItemsToPlaylist(u"X", items);
    plp.SavePlaylistEx(u"X", items, u"v", 1);
    plp.StoreGroupedPlaylistsEx(Array({u"X"}), items, Array({u"v"}));
    EXPECT_EQ(Read("X.xpl"), XplV1(u""));
    EXPECT_FALSE(drive.Exists("Playlists/Y.xpl"));
    EXPECT_FALSE(drive.Exists("Playlists/X.plp"));
    EXPECT_EQ(Texts(items), Us{u"E:\\Music\\a.mp3"});
}

TEST_F(Playlist, PurgeDropsMissingFilesAndSurvivesMalformedFiles) {
    drive.WriteFile("Music/a.mp3", "media");
    drive.WriteFile("Music/c.mp3", "media");
    // Version and value are kept; a version-1 file without a byte-order mark or ending inside the entries is
    // rewritten whole; a version-2 file without its myAuro section is left alone.
    const std::pair<U, U> purged[] = {
        {XplV2(kA + kB + u"\\music\\C.MP3\r\n", u"keep me"), XplV2(kA + u"\\music\\C.MP3\r\n", u"keep me")},
        {u"XPL PLAYLIST\r\nVERSION 1.00\r\n\r\n" + kB + kA + kXplEnd, XplV1(kA)},
        {kXplHeader1 + kA + kB, XplV1(kA)},
        {kXplHeader2 + kB + kXplEnd, kXplHeader2 + kB + kXplEnd},
        {kXplHeader2 + kB, kXplHeader2 + kB},
    };
    for (const auto& [content, expected] : purged) {
        Write("P.xpl", content);
        xpl.PurgePlaylist(At(u"P.xpl"));
        EXPECT_EQ(Read("P.xpl"), expected) << ZelToUtf8(content.c_str());
    }
    Write("P.plp", u"\uFEFF" + kPlpHeader + u"HDD, Music\\gone.mp3\r\nHDD, Music\\a.mp3\r\n");
    plp.PurgePlaylist(At(u"P.plp"));
    EXPECT_EQ(Read("P.plp"), kPlpHeader + u"HDD, Music\\a.mp3\r\n");

    // A folder purge visits both extensions in any case but rewrites only its own format.
    Write("One.XPL", XplV1(kA + kB));
    Write("Other.plp", kPlpHeader + u"HDD, Music\\b.mp3\r\n");
    Write("Notes.txt", XplV1(kB));
    std::filesystem::create_directories(drive.Host("Playlists/Dir.xpl"));
    xpl.PurgePlaylistFolder(u"E:\\Playlists");
    EXPECT_EQ(Read("One.XPL"), XplV1(kA));
    EXPECT_EQ(Read("Other.plp"), kPlpHeader + u"HDD, Music\\b.mp3\r\n");
    EXPECT_EQ(Read("Notes.txt"), XplV1(kB));
    plp.PurgePlaylistFolder(u"E:\\Playlists");
    EXPECT_EQ(Read("Other.plp"), kPlpHeader);
    EXPECT_EQ(Read("One.XPL"), XplV1(kA));

    // A file that cannot be rewritten is skipped without a word and keeps its content.
    Write("Keep.xpl", XplV1(u"\\Music\\gone.mp3\r\n"));
    int fault = ZelInjectFault(u"E:\\Playlists\\Keep.xpl", ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED);
    xpl.PurgePlaylist(At(u"Keep.xpl"));
    xpl.AddToPlaylist(u"Keep", u"E:\\Music\\a.mp3");
    ZelRemoveFault(fault);
    EXPECT_EQ(Read("Keep.xpl"), XplV1(u"\\Music\\gone.mp3\r\n"));

    // Malformed files of either format, through every reading operation of both kinds, leave no file open.
    const U longLine(1000, u'\\');
    const std::string contents[] = {
        "", "\xFF", "\xFF\xFE", Utf16(kXplHeader2), Utf16(kXplHeader2 + kA + kXplEnd + u"\r\nmyAuro DATA\r\n"),
        Utf16(kXplHeader2 + kA + kXplEnd + u"\r\nmyAuro DATA\r\n\r\n"),
        Utf16(kXplHeader1 + longLine + longLine) + "\x01",
        Utf16(kPlpHeader + u"HDD, Music\\a.mp3"), Utf16(kPlpHeader + u"HDD, " + longLine),
        Utf16(u"XPL PLAYLIST" + longLine + u"\r\nVERSION 1.00\r\n"),
        Utf16(kXplHeader1 + u"\\Mus") + std::string(3, '\0') + Utf16(u"ic\r\n" + kXplEnd),
    };
    long before = OpenDescriptorCount();
    for (const std::string& content : contents) {
        drive.WriteFile("Playlists/F.xpl", content);
        drive.WriteFile("Playlists/F.plp", content);
        for (CPlaylistFile* file : std::initializer_list<CPlaylistFile*>{&xpl, &plp}) {
            for (LPCWSTR name : {u"F.xpl", u"F.plp"}) {
                Load(*file, name);
                file->TestPlaylistFile(At(name));
                EXPECT_FALSE(file->IsFileOpen());
                if (file->OpenForRead(At(name))) file->CloseFile();
                file->AddToPlaylist(u"Merge", u"E:\\Music\\a.mp3");
                file->PurgePlaylist(At(name));
                EXPECT_FALSE(file->IsFileOpen());
            }
        }
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}
