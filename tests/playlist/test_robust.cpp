// Malformed playlist files: nothing overflows, nothing hangs, no file stays open.
#include "playlist_fixture.h"

using PlaylistRobust = PlaylistTest;

namespace {

// Runs every reading operation of both formats on one file.
void ReadEverything(CPlaylistFile& xpl, CPlaylistFile& plp) {
    for (CPlaylistFile* file : {&xpl, &plp}) {
        for (const char16_t* path : {u"E:\\Playlists\\F.xpl", u"E:\\Playlists\\F.plp"}) {
            CStringArray names;
            CStringArray entries;
            CString value;
            file->LoadPlaylist(path, names, entries, value);
            file->TestPlaylistFile(path);
            if (file->OpenForRead(path)) file->CloseFile();
            file->AddToPlaylist(u"Merge", u"E:\\Music\\a.mp3");
            file->PurgePlaylist(path);
        }
    }
}

}  // namespace

TEST_F(PlaylistRobust, MalformedFilesLeaveNoDescriptorOpen) {
    MakeMedia("Music/a.mp3");
    const std::u16string longLine(1000, u'\\');
    const std::vector<std::string> contents = {
        "",
        "\xFF",
        "\xFF\xFE",
        Utf16(kXplHeader2),
        Utf16(kXplHeader2 + u"\\Music\\a.mp3\r\n" + kXplEnd + u"\r\nmyAuro DATA\r\n"),
        Utf16(kXplHeader2 + u"\\Music\\a.mp3\r\n" + kXplEnd + u"\r\nmyAuro DATA\r\n\r\n"),
        Utf16(kXplHeader1 + longLine + longLine) + "\x01",
        Utf16(kXplHeader1 + u"\\Music\\a.mp3"),
        Utf16(kPlpHeader + u"HDD, Music\\a.mp3"),
        Utf16(kPlpHeader + u"HDD, " + longLine),
        Utf16(u"XPL PLAYLIST" + longLine + u"\r\nVERSION 1.00\r\n"),
        Utf16(kXplHeader1 + u"\\Mus") + std::string(3, '\0') + Utf16(u"ic\r\n" + kXplEnd),
    };
    int before = OpenDescriptorCount();
    for (const std::string& content : contents) {
        drive.WriteFile("Playlists/F.xpl", content);
        drive.WriteFile("Playlists/F.plp", content);
        ReadEverything(xpl, plp);
        EXPECT_FALSE(xpl.IsFileOpen());
        EXPECT_FALSE(plp.IsFileOpen());
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(PlaylistRobust, AFailedRewriteLeavesTheOldFile) {
    WritePlaylist("Keep.xpl", kXplHeader1 + u"\\Music\\gone.mp3\r\n" + kXplEnd);
    std::string before = ReadPlaylist("Keep.xpl");
    // A file that cannot be opened is skipped without a word.
    int fault = ZelInjectFault(u"E:\\Playlists\\Keep.xpl", ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED);
    xpl.PurgePlaylist(u"E:\\Playlists\\Keep.xpl");
    xpl.AddToPlaylist(u"Keep", u"E:\\Music\\a.mp3");
    ZelRemoveFault(fault);
    EXPECT_EQ(ReadPlaylist("Keep.xpl"), before);
}
