// Playlist names, the existence tests that queue transferred files, broadcast
// files and emptying a PC folder.
#include <gtest/gtest.h>

#include "core_fixture.h"

namespace {

class NamesDevice : public TestDevice {
public:
    explicit NamesDevice(const TempDrive& drive) {
        m_strDriveRoot = drive.Win().c_str();
        lstrcpyW(m_Settings.Folders[6], u"Datacasts");
        lstrcpyW(m_Settings.Extensions, u"MP3.TTS.TXT");
    }
    void DropResources() {
        if (m_hResource) FreeLibrary(m_hResource);
        m_hResource = nullptr;
    }
    void AddFile(LPCWSTR path, LPCWSTR name) {
        CZEL_File entry(nullptr);
        entry.SetAttributes(0x80, 0);
        entry.SetPath(path);
        entry.SetName(name);
        Add2Tree(&entry, 1);
    }
    const CStringArray& Paths() const { return m_TransferPaths; }
    const CStringArray& Names() const { return m_TransferPlaylistNames; }
    const CStringArray& Values() const { return m_TransferMyAuroValues; }
    const CUIntArray& Moods() const { return m_TransferMoodClasses; }
};

}  // namespace

TEST(PlaylistNames, MoodNamesComeFromTheHostStringsOrStayPlain) {
    TempDrive drive;
    NamesDevice device(drive);
    EXPECT_EQ(CString(u"@Upbeat"), device.GetMoodPlaylistName(1));
    EXPECT_EQ(CString(u"@Calm"), device.GetMoodPlaylistName(2));
    EXPECT_EQ(CString(u"@MoodPlaylist"), device.GetMoodPlaylistName(7));
    device.DropResources();
    EXPECT_EQ(CString(u"MoodPlaylist"), device.GetMoodPlaylistName(1));
}

TEST(PlaylistNames, ListsXplFilesAndStopsAfterTheLast) {
    TempDrive drive;
    drive.WriteFile("Playlists/b.XPL", "");
    drive.WriteFile("Playlists/a.xpl", "");
    drive.WriteFile("Playlists/c.plp", "");
    drive.WriteFile("Playlists/Sub.xpl/x.txt", "");
    NamesDevice device(drive);
    lstrcpyW(device.m_Settings.PlaylistFile, drive.Win(u"Playlists").c_str());
    LPCWSTR first = device.GetFirstPlaylistName();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(drive.Win(u"Playlists\\a.xpl"), std::u16string(first));
    LPCWSTR second = device.GetNextPlaylistName();
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(drive.Win(u"Playlists\\b.XPL"), std::u16string(second));
    EXPECT_EQ(nullptr, device.GetNextPlaylistName());
    EXPECT_EQ(nullptr, device.GetNextPlaylistName());
    EXPECT_NE(nullptr, device.GetFirstPlaylistName());
}

TEST(PlaylistNames, IsExistFileRecordsOnlyWhatThePlaylistsNeed) {
    TempDrive drive;
    NamesDevice device(drive);
    device.AddFile(drive.Win(u"song.mp3").c_str(), u"song.mp3");
    EXPECT_TRUE(device.IsExistFile(const_cast<LPWSTR>(u"SONG.MP3"), nullptr, nullptr, 0));
    EXPECT_EQ(0, device.Paths().GetSize());

    EXPECT_FALSE(device.IsExistFile(const_cast<LPWSTR>(u"new.mp3"), nullptr, nullptr, 3));
    ASSERT_EQ(1, device.Paths().GetSize());
    EXPECT_EQ(CString(drive.Win(u"new.mp3").c_str()), device.Paths()[0]);
    ASSERT_EQ(1, device.Moods().GetSize());
    EXPECT_EQ(3u, device.Moods()[0]);

    device.IsExistFile(const_cast<LPWSTR>(u"b.mp3"), const_cast<LPWSTR>(u"Road"), const_cast<LPWSTR>(u""), 0);
    EXPECT_EQ(2, device.Paths().GetSize());
    ASSERT_EQ(1, device.Names().GetSize());
    EXPECT_EQ(CString(u"Road"), device.Names()[0]);
    ASSERT_EQ(1, device.Values().GetSize());
    EXPECT_TRUE(device.Values()[0].IsEmpty());
    EXPECT_EQ(0, device.Moods().GetSize());  // mood class 0 empties the classes
}

TEST(PlaylistNames, CastFilesTakeThePrefixAndFallBackToMovies) {
    TempDrive drive;
    NamesDevice device(drive);
    drive.WriteFile("Datacasts/C/P7_news.mp3", "x");
    drive.WriteFile("Datacasts/C/info.txt", "x");
    EXPECT_TRUE(device.IsExistCastFile(const_cast<LPWSTR>(u"C"), const_cast<LPWSTR>(u"P7"),
                                       const_cast<LPWSTR>(u"news.mp3"), 0));
    EXPECT_FALSE(device.IsExistCastFile(const_cast<LPWSTR>(u"C"), const_cast<LPWSTR>(u"P7"),
                                        const_cast<LPWSTR>(u"news.mp3"), 1));
    EXPECT_TRUE(device.IsExistCastFile(const_cast<LPWSTR>(u"C"), const_cast<LPWSTR>(u"P7"),
                                       const_cast<LPWSTR>(u"info.txt"), 0));
    drive.WriteFile("Datacasts/D/sport_1.KVI", "x");
    EXPECT_TRUE(device.IsExistCastFile(const_cast<LPWSTR>(u"D"), const_cast<LPWSTR>(u""),
                                       const_cast<LPWSTR>(u"sport.mp3"), 1));
    EXPECT_FALSE(device.IsExistCastFile(const_cast<LPWSTR>(u"D"), const_cast<LPWSTR>(u""),
                                        const_cast<LPWSTR>(u"weather.mp3"), 1));
}

TEST(PlaylistNames, DeleteDownFilesEmptiesTheFolderButKeepsIt) {
    TempDrive drive;
    NamesDevice device(drive);
    drive.WriteFile("Work/a.tmp", "x");
    drive.WriteFile("Work/Deep/er/b.tmp", "x");
    std::u16string folder = drive.Win(u"Work\\");
    device.DeleteDownFiles(const_cast<LPWSTR>(folder.c_str()));
    EXPECT_TRUE(drive.Exists("Work"));
    EXPECT_FALSE(drive.Exists("Work/a.tmp"));
    EXPECT_FALSE(drive.Exists("Work/Deep"));
}
