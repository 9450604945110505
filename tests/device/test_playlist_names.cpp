// Playlist names with the mood names from the host's resource library, the
// existence tests that queue transferred files, broadcast files and emptying
// a PC folder.
#include "device_fixture.h"

namespace {

class NamesDevice : public TestDevice {
public:
    explicit NamesDevice(const TempDrive& drive) {
        m_strDriveRoot = drive.Win().c_str();
        lstrcpyW(m_Settings.Folders[6], u"Datacasts");
        lstrcpyW(m_Settings.Extensions, u"MP3.TTS.TXT");
    }
    BOOL Exists(const char16_t* name, const char16_t* playlist, const char16_t* value, UINT mood) {
        return IsExistFile(W(name), W(playlist), W(value), mood);
    }
    BOOL CastExists(const char16_t* channel, const char16_t* prefix, const char16_t* name, int keep) {
        return IsExistCastFile(W(channel), W(prefix), W(name), keep);
    }
    static LPWSTR W(const char16_t* text) { return const_cast<LPWSTR>(text); }
    const CStringArray& Paths() const { return m_TransferPaths; }
    const CStringArray& Names() const { return m_TransferPlaylistNames; }
    const CStringArray& Values() const { return m_TransferMyAuroValues; }
    const CUIntArray& Moods() const { return m_TransferMoodClasses; }
};

}  // namespace

TEST(PlaylistNames, MoodNamesComeFromTheHostStringsBesideTheExecutableOrStayPlain) {
    TempDrive drive;
    NamesDevice device(drive);
    ASSERT_NE(device.m_hResource, nullptr);
    EXPECT_EQ(CString(u"@Upbeat"), device.GetMoodPlaylistName(1));
    EXPECT_EQ(CString(u"@Calm"), device.GetMoodPlaylistName(2));
    WCHAR text[260] = {};
    for (int mood : {3, 4}) {  // strings 9006 and 9007
        ASSERT_GT(LoadStringW(device.m_hResource, 9003 + mood, text, 260), 0);
        EXPECT_EQ(u"@" + std::u16string(text), device.GetMoodPlaylistName(mood).Str());
    }
    EXPECT_EQ(0, LoadStringW(device.m_hResource, 9008, text, 260));
    EXPECT_EQ(CString(u"@MoodPlaylist"), device.GetMoodPlaylistName(7));
    FreeLibrary(device.m_hResource);
    device.m_hResource = nullptr;
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

TEST(PlaylistNames, ExistenceTestsRecordWhatThePlaylistsNeedAndFindCastFiles) {
    TempDrive drive;
    NamesDevice device(drive);
    device.Add(u"song.mp3", false, drive.Win(u"song.mp3"));
    EXPECT_TRUE(device.Exists(u"SONG.MP3", nullptr, nullptr, 0));
    EXPECT_EQ(0, device.Paths().GetSize());
    // The four lists stay parallel: what a file lacks is recorded empty or 0.
    EXPECT_FALSE(device.Exists(u"new.mp3", nullptr, nullptr, 3));
    device.Exists(u"b.mp3", u"Road", u"calm", 0);
    device.Exists(u"c.mp3", u"Road", nullptr, 2);
    ASSERT_TRUE(device.Paths().GetSize() == 3 && device.Names().GetSize() == 3 && device.Values().GetSize() == 3 &&
                device.Moods().GetSize() == 3);
    const struct {
        std::u16string path, name, value;
        UINT mood;
    } kRecorded[] = {{u"new.mp3", u"", u"", 3}, {u"b.mp3", u"Road", u"calm", 0}, {u"c.mp3", u"Road", u"", 2}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(CString(drive.Win(kRecorded[i].path).c_str()), device.Paths()[i]);
        EXPECT_EQ(CString(kRecorded[i].name.c_str()), device.Names()[i]);
        EXPECT_EQ(CString(kRecorded[i].value.c_str()), device.Values()[i]);
        EXPECT_EQ(kRecorded[i].mood, device.Moods()[i]);
    }

    // Broadcast files take the prefix unless kept or text, then fall back to movies.
    drive.WriteFile("Datacasts/C/P7_news.mp3", "x");
    drive.WriteFile("Datacasts/C/info.txt", "x");
    drive.WriteFile("Datacasts/D/sport_1.KVI", "x");
    EXPECT_TRUE(device.CastExists(u"C", u"P7", u"news.mp3", 0));
    EXPECT_FALSE(device.CastExists(u"C", u"P7", u"news.mp3", 1));
    EXPECT_TRUE(device.CastExists(u"C", u"P7", u"info.txt", 0));
    EXPECT_TRUE(device.CastExists(u"D", u"", u"sport.mp3", 1));
    EXPECT_FALSE(device.CastExists(u"D", u"", u"weather.mp3", 1));
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
