// Playlists of a mass-storage player as the host drives them: read into the
// device and stored back, created and renamed, brought in line after transfers
// and deletions; and the password file beside them.
#include <string>
#include <vector>

#include "ums_fixture.h"

namespace {

using U = std::u16string;

LPWSTR W(const char16_t* text) { return const_cast<LPWSTR>(text); }

// The bytes a binary UTF-16 stream writes for a text.
std::string Utf16(const U& text) {
    std::string bytes;
    for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xff), static_cast<char>(unit >> 8)};
    return bytes;
}

U XplV1(const U& entries) { return u"\uFEFFXPL PLAYLIST\r\nVERSION 1.00\r\n\r\n" + entries + u"\r\nEND PLAYLIST\r\n"; }
U XplV2(const U& entries, const U& value) {
    return u"\uFEFFXPL PLAYLIST\r\nVERSION 2.00\r\n\r\n" + entries + u"\r\nEND PLAYLIST\r\n\r\nmyAuro DATA\r\n\r\n" +
           (value.empty() ? U() : value + u"\r\n") + u"\r\nEND myAuro\r\n";
}
const U kPlpHeader = u"PLP PLAYLIST\r\nVERSION 1.20\r\n\r\n";

// Entry lines of files below the root: Line(u"Music\\a.mp3") is \Music\a.mp3 CR LF.
U Lines(std::initializer_list<const char16_t*> paths) {
    U lines;
    for (const char16_t* path : paths) lines += U(u"\\") + path + u"\r\n";
    return lines;
}

std::vector<U> Texts(const CStringArray& array) {
    std::vector<U> texts;
    for (INT_PTR i = 0; i < array.GetSize(); ++i) texts.push_back(array[i].Str());
    return texts;
}

class UmsPlaylists : public UmsTest {
protected:
    // A player with playlist files in E:\Playlists (PlayerType 1 XPL, 2 PLP).
    static Adjust Playlists(DWORD playerType = 1, DWORD more = 0) {
        return [=](tagDeviceSettings& s) {
            s.Capabilities |= ZEL_CAP_PLAYLISTS | more;
            s.PlayerType = playerType;
            SetField(s.PlaylistFile, u"Playlists");
        };
    }
    void WritePlaylist(const std::string& name, const U& text) { drive.WriteFile("Playlists/" + name, Utf16(text)); }
    std::string Playlist(const std::string& name) { return drive.ReadFile("Playlists/" + name); }
    // The host records a file of the current folder for the playlist update.
    void Queue(const char16_t* file, const char16_t* playlist, UINT mood = 0, const char16_t* value = nullptr) {
        device.IsExistFile(W(file), W(playlist), W(value), mood);
    }
    void Update(int mode) { device.UpdatePlaylist(mode, nullptr, nullptr, nullptr); }
};

TEST_F(UmsPlaylists, AReadPlaylistStoredBackStaysByteForByte) {
    const U mixed = XplV1(Lines({u"Music\\a.mp3", u"Video\\clip.wmv", u"Photo\\Trip\\b.jpg", u"Music\\c.mp3"}));
    WritePlaylist("Mix.xpl", mixed);
    Start(Playlists());
    device.ReadPlaylist(W(u"Mix.xpl"));
    CStringArray& entries = device.GetPlaylistItemEntries();
    EXPECT_EQ((std::vector<U>{u"a.mp3\r\n", u"clip.wmv\r\n", u"b.jpg\r\n", u"c.mp3\r\n"}),
              Texts(device.GetPlaylistItemNames()));
    device.StorePlaylist(entries);
    EXPECT_EQ(Utf16(mixed), Playlist("Mix.xpl"));

    // An edited list: an entry dropped, a full path added (stored without its drive).
    entries.RemoveAt(0);
    entries.Add(CString(drive.Win(u"Video\\new.wmv").c_str()));
    device.StorePlaylist(entries);
    EXPECT_EQ(Utf16(XplV1(Lines({u"Video\\clip.wmv", u"Photo\\Trip\\b.jpg", u"Music\\c.mp3", u"Video\\new.wmv"}))),
              Playlist("Mix.xpl"));
    CStringArray none;
    device.StorePlaylist(none);
    EXPECT_EQ(Utf16(XplV1(u"")), Playlist("Mix.xpl"));

    // A myAuro player reads and writes version 2.00 with its value.
    const U valued = XplV2(Lines({u"Music\\a.mp3", u"Video\\clip.wmv"}), u"mood 4");
    WritePlaylist("Auro.xpl", valued);
    TestUMS auro;
    ASSERT_EQ(ZEL_SUCCESS, Create(auro, DriveInfo(), Playlists(1, ZEL_CAP_MYAURO)));
    auro.ReadPlaylist(W(u"Auro.xpl"));
    EXPECT_EQ(CString(u"mood 4"), auro.GetPlaylistMyAuroValue());
    auro.StorePlaylist(auro.GetPlaylistItemEntries());
    EXPECT_EQ(Utf16(valued), Playlist("Auro.xpl"));

    // Without a playlist read there is no name to store under: nothing is written.
    TestUMS fresh;
    ASSERT_EQ(ZEL_SUCCESS, Create(fresh, DriveInfo(), Playlists()));
    CStringArray items;
    items.Add(u"E:\\Music\\a.mp3");
    fresh.StorePlaylist(items);
    EXPECT_FALSE(drive.Exists("Playlists/.xpl"));
}

TEST_F(UmsPlaylists, TransferredFilesJoinTheirMoodAndNamedPlaylists) {
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) drive.WriteFile(std::string("Music/") + name, "x");
    WritePlaylist("Broken.xpl", u"not a playlist");
    Start(Playlists());
    device.Move(u"Music");
    Queue(u"a.mp3", u"A", 2);
    Queue(u"b.mp3", u"A");
    Update(1);
    const U calm = device.GetMoodPlaylistName(2).Str();
    ASSERT_FALSE(calm.empty());
    EXPECT_EQ(Utf16(XplV1(Lines({u"Music\\a.mp3"}))), Playlist(ZelToUtf8(calm) + ".xpl"));
    EXPECT_EQ(Utf16(XplV1(Lines({u"Music\\a.mp3", u"Music\\b.mp3"}))), Playlist("A.xpl"));
    EXPECT_EQ(std::vector<LPARAM>{0}, host.Values(ZEL_EVENT_PLAYLISTS));

    // A later batch: a playlist keeps its entries and gains the new files once,
    // a name that comes back after another collects all of its files, and a
    // file of the playlist's name that is no playlist is left alone.
    device.RefreshDeviceInfo(0);
    Queue(u"c.mp3", u"a");
    Queue(u"d.mp3", u"B");
    Queue(u"A.MP3", u"A");
    Queue(u"d.mp3", u"Broken");
    Update(1);
    EXPECT_EQ(Utf16(XplV1(Lines({u"Music\\a.mp3", u"Music\\b.mp3", u"Music\\c.mp3"}))), Playlist("A.xpl"));
    EXPECT_EQ(Utf16(XplV1(Lines({u"Music\\d.mp3"}))), Playlist("B.xpl"));
    EXPECT_EQ(Utf16(u"not a playlist"), Playlist("Broken.xpl"));

    // A myAuro player writes version 2.00 with the first value given.
    TestUMS auro;
    ASSERT_EQ(ZEL_SUCCESS, Create(auro, DriveInfo(), Playlists(1, ZEL_CAP_MYAURO)));
    auro.Move(u"Music");
    auro.IsExistFile(W(u"a.mp3"), W(u"Auro"), W(u"sunny"), 0);
    auro.IsExistFile(W(u"b.mp3"), W(u"Auro"), W(u"rainy"), 0);
    auro.UpdatePlaylist(1, nullptr, nullptr, nullptr);
    EXPECT_EQ(Utf16(XplV2(Lines({u"Music\\a.mp3", u"Music\\b.mp3"}), u"sunny")), Playlist("Auro.xpl"));
}

TEST_F(UmsPlaylists, AfterADeletionNoPlaylistNamesTheFile) {
    drive.WriteFile("Music/a.mp3", "x");
    drive.WriteFile("Music/b.mp3", "x");
    WritePlaylist("One.xpl", XplV1(Lines({u"Music\\a.mp3", u"Music\\b.mp3"})));
    WritePlaylist("Two.xpl", XplV2(Lines({u"Music\\b.mp3"}), u"kept"));
    Start(Playlists());
    // The playlist folder was listed once; the update drops what the tree cached.
    device.Move(u"Playlists");
    device.Move(u"..");
    WritePlaylist("Three.xpl", XplV1(u""));
    device.Move(u"Music");
    ASSERT_EQ(ZEL_SUCCESS, device.DeleteFileDev(W(u"b.mp3"), 0));
    Update(0);
    EXPECT_EQ(Utf16(XplV1(Lines({u"Music\\a.mp3"}))), Playlist("One.xpl"));
    EXPECT_EQ(Utf16(XplV2(u"", u"kept")), Playlist("Two.xpl"));
    EXPECT_EQ(std::vector<LPARAM>{0}, host.Values(ZEL_EVENT_PLAYLISTS));
    device.Move(u"..");
    device.Move(u"Playlists");
    EXPECT_EQ(1u, device.Count(u"Three.xpl")) << "listed afresh";

    // A host that shows the playlist folder gets no message; nor does a player without playlists.
    host.Clear();
    Update(0);
    EXPECT_TRUE(host.Values(ZEL_EVENT_PLAYLISTS).empty());
    TestUMS plain;
    ASSERT_EQ(ZEL_SUCCESS, Create(plain, DriveInfo()));
    plain.UpdatePlaylist(0, nullptr, nullptr, nullptr);
    EXPECT_TRUE(host.Values(ZEL_EVENT_PLAYLISTS).empty());
}

TEST_F(UmsPlaylists, CreateRenameAndTest) {
    Start(Playlists());
    EXPECT_EQ(1, device.NewPlayList(u"A"));
    EXPECT_EQ(Utf16(XplV1(u"")), Playlist("A.xpl"));
    EXPECT_EQ(0, device.NewPlayList(u"a")) << "exists";
    EXPECT_EQ(1, device.NewPlayList(u"Other"));
    const U playlists = drive.Win(u"Playlists\\");
    EXPECT_EQ(1, device.CheckXPL(W((playlists + u"A.xpl").c_str())));
    drive.WriteFile("Playlists/fake.xpl", "plain text");
    EXPECT_EQ(0, device.CheckXPL(W((playlists + u"fake.xpl").c_str())));

    const struct {
        const char16_t *from, *to;
        BOOL result;
        const char *gone, *made;
    } kRenames[] = {
        {u"A.xpl", u"B", 1, "A.xpl", "B.xpl"},
        {u"B.xpl", u"C.XPL", 1, "B.xpl", "C.XPL"},
        {u"C.XPL", u"Other", 0, nullptr, "C.XPL"},
    };
    for (const auto& rename : kRenames) {
        EXPECT_EQ(rename.result, device.ChangePLName(rename.from, rename.to)) << ZelToUtf8(rename.to);
        if (rename.gone) {
            EXPECT_FALSE(drive.Exists(std::string("Playlists/") + rename.gone));
        }
        EXPECT_TRUE(drive.Exists(std::string("Playlists/") + rename.made));
    }
    EXPECT_FALSE(drive.Exists("Playlists/C.XPL.xpl"));
    EXPECT_EQ(Utf16(XplV1(u"")), Playlist("Other.xpl"));
    // A myAuro player creates version 2.00.
    TestUMS auro;
    ASSERT_EQ(ZEL_SUCCESS, Create(auro, DriveInfo(), Playlists(1, ZEL_CAP_MYAURO)));
    EXPECT_EQ(1, auro.NewPlayList(u"Two"));
    EXPECT_EQ(Utf16(XplV2(u"", u"")), Playlist("Two.xpl"));
}

TEST_F(UmsPlaylists, PlpPlayersAndPlayersWithoutPlaylists) {
    drive.WriteFile("Music/a.mp3", "x");
    drive.WriteFile("Playlists/Old.plp", Utf16(kPlpHeader + u"HDD, Music\\a.mp3\r\n"));
    Start(Playlists(2));
    const U old = drive.Win(u"Playlists\\Old.plp");
    EXPECT_EQ(0, device.CheckXPL(W(old.c_str())));
    EXPECT_EQ(0, device.ChangePLName(u"Old.plp", u"New"));
    EXPECT_TRUE(drive.Exists("Playlists/Old.plp"));
    EXPECT_FALSE(drive.Exists("Playlists/New.xpl") || drive.Exists("Playlists/New.plp"));
    EXPECT_EQ(1, device.NewPlayList(u"Fresh"));
    EXPECT_EQ(Utf16(kPlpHeader), Playlist("Fresh.plp"));
    device.ReadPlaylist(W(u"Old.plp"));
    EXPECT_EQ(std::vector<U>{u"HDD, Music\\a.mp3\r\n"}, Texts(device.GetPlaylistItemNames()));
    // The named playlist keeps its entry and gains the new one; mood playlists are XPL only.
    drive.WriteFile("Music/b.mp3", "x");
    device.Move(u"Music");
    Queue(u"b.mp3", u"Old", 1);
    Update(1);
    EXPECT_EQ(Utf16(kPlpHeader + u"HDD, Music\\a.mp3\r\nHDD, Music\\b.mp3\r\n"), Playlist("Old.plp"));
    EXPECT_FALSE(drive.Exists("Playlists/" + ZelToUtf8(device.GetMoodPlaylistName(1).Str()) + ".xpl"));

    // Without the playlist capability every playlist operation answers 0 and writes nothing.
    TestUMS plain;
    ASSERT_EQ(ZEL_SUCCESS, Create(plain, DriveInfo(), [](tagDeviceSettings& s) { SetField(s.PlaylistFile, u"Lists"); }));
    EXPECT_EQ(0, plain.NewPlayList(u"X"));
    EXPECT_EQ(0, plain.ChangePLName(u"Old.plp", u"Y"));
    plain.ReadPlaylist(W(u"Old.plp"));
    EXPECT_EQ(0, plain.GetPlaylistItemNames().GetSize());
    EXPECT_FALSE(drive.Exists("Lists"));
}

TEST_F(UmsPlaylists, PasswordFile) {
    Start();
    const struct {
        const char16_t* text;
        BOOL result;
        std::string bytes;
    } kPasswords[] = {
        {u"abc", 1, "abc"},
        {u"", 1, ""},
        {u"\u00e9t\u00e9", 1, "\xc3\xa9t\xc3\xa9"},  // the ANSI code page is UTF-8 here
        {nullptr, 0, ""},
    };
    for (const auto& password : kPasswords) {
        drive.WriteFile("password.dat", "before");
        EXPECT_EQ(password.result, device.CreatePWFile(W(password.text)));
        EXPECT_EQ(password.result ? password.bytes : "before", drive.ReadFile("password.dat"));
    }
    // A text too long for the file is refused and the file stays as it was.
    const U tooLong(260, u'x');
    EXPECT_EQ(0, device.CreatePWFile(W(tooLong.c_str())));
    EXPECT_EQ("before", drive.ReadFile("password.dat"));
    EXPECT_EQ(1, device.CreatePWFile(W(tooLong.substr(1).c_str())));
    EXPECT_EQ(259u, drive.ReadFile("password.dat").size());
    // A drive that fills up on the way keeps the password file that was there.
    const int fault = ZelInjectFault(drive.Win(u"password.dat").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 2);
    EXPECT_EQ(0, device.CreatePWFile(W(u"secret")));
    ZelRemoveFault(fault);
    EXPECT_EQ(259u, drive.ReadFile("password.dat").size());
}

}  // namespace
