// Tree entries: their defaults, setters, and the two fillers.
#include <utime.h>

#include "core_fixture.h"

namespace {

// Positions a directory search on the entry named name under folder.
bool FindEntry(CFileFind& find, const std::u16string& folder, const std::u16string& name) {
    BOOL more = find.FindFile((folder + u"\\*.*").c_str());
    while (more) {
        more = find.FindNextFile();
        if (find.GetFileName() == name.c_str()) return true;
    }
    return false;
}

class RecordsFile : public ::testing::Test {
protected:
    void SetUp() override {
        drive.WriteFile("Music/song.mp3", "12345");
        drive.WriteFile("Music/movie.asf", "x");
        drive.WriteFile("Music/NOEXT", "x");
        std::filesystem::create_directories(drive.Host("Music/Rock"));
        std::filesystem::create_directories(drive.Host("Radio/Today"));
    }
    TempDrive drive;
};

TEST(RecordsEntry, ResetClearsTheFirstFieldsAndKeepsTheRest) {
    tagDeviceSettings settings{};
    CZEL_File file(&settings);
    file.SetAttributes(0x10, 1);
    file.SetReserved(7);
    file.SetSlot(3);
    file.SetInDatabase(1);
    file.SetName(u"Music");
    file.SetPath(u"E:\\Music");
    file.SetTimeStamp(u"20240101000000");
    file.SetFolderStorage(42);
    file.Extension = u"MP3";
    file.MediaType = ZEL_MEDIA_MP3;
    file.Size = 9;

    CZEL_File copy(file);
    file.Reset();
    EXPECT_EQ(file.Size | file.Attributes | file.Special | file.Reserved | file.Slot | file.InDatabase, 0u);
    EXPECT_TRUE(file.Name.IsEmpty() && file.Path.IsEmpty() && file.TimeStamp.IsEmpty());
    EXPECT_EQ(file.Extension, u"MP3");
    EXPECT_EQ(file.MediaType, ZEL_MEDIA_MP3);
    EXPECT_EQ(file.FolderStorage, 42u);
    EXPECT_EQ(file.SettingsRef, &settings);
    // The copy made before is whole and independent.
    EXPECT_EQ(copy.GetName(), u"Music");
    EXPECT_EQ(copy.GetPath(), u"E:\\Music");
    EXPECT_EQ(copy.Slot, 3u);
    EXPECT_EQ(copy.Special, 1u);
}

TEST(RecordsEntry, MediaTypeTableKnowsTreeOnlyCodesButNotAsf) {
    EXPECT_EQ(CZEL_File::MediaTypeOfExtension(u"UCQ"), ZEL_MEDIA_UCQ);
    EXPECT_EQ(CZEL_File::MediaTypeOfExtension(u"UCI"), ZEL_MEDIA_UCI);
    EXPECT_EQ(CZEL_File::MediaTypeOfExtension(u"TTS"), ZEL_MEDIA_TTS);
    EXPECT_EQ(CZEL_File::MediaTypeOfExtension(u"KVI"), ZEL_MEDIA_KVI);
    EXPECT_EQ(CZEL_File::MediaTypeOfExtension(u"ASF"), 0u);
    EXPECT_EQ(CZEL_File::MediaTypeOfExtension(u"mp3"), 0u);  // the table is upper case
}

TEST_F(RecordsFile, FileFromSearchGetsExtensionTypeSizeAndStamp) {
    struct utimbuf times = {1700000000, 1700000000};
    ASSERT_EQ(utime(drive.Host("Music/song.mp3").c_str(), &times), 0);
    CFileFind find;
    ASSERT_TRUE(FindEntry(find, drive.Win(u"Music"), u"song.mp3"));
    CZEL_File file;
    file.FillFromFind(find);
    EXPECT_EQ(file.Name, u"song.mp3");
    EXPECT_EQ(file.Path, drive.Win(u"Music\\song.mp3").c_str());
    EXPECT_EQ(file.Size, 5u);
    EXPECT_EQ(file.Extension, u"MP3");
    EXPECT_EQ(file.MediaType, ZEL_MEDIA_MP3);
    EXPECT_EQ(file.Attributes & 0x10, 0u);

    FILETIME written;
    ASSERT_TRUE(find.GetLastWriteTime(&written));
    FILETIME local;
    SYSTEMTIME st;
    ASSERT_TRUE(FileTimeToLocalFileTime(&written, &local) && FileTimeToSystemTime(&local, &st));
    EXPECT_EQ(file.TimeStamp.GetLength(), 14);
    EXPECT_EQ(file.TimeStamp, ZelFormat(u"%d%02d%02d%02d%02d%02d", st.wYear, st.wMonth, st.wDay, st.wHour,
                                        st.wMinute, st.wSecond)
                                  .c_str());
}

TEST_F(RecordsFile, AsfAndNamesWithoutDotGetNoType) {
    CFileFind find;
    ASSERT_TRUE(FindEntry(find, drive.Win(u"Music"), u"movie.asf"));
    CZEL_File asf;
    asf.FillFromFind(find);
    EXPECT_EQ(asf.Extension, u"ASF");
    EXPECT_EQ(asf.MediaType, 0u);

    CFileFind again;
    ASSERT_TRUE(FindEntry(again, drive.Win(u"Music"), u"NOEXT"));
    CZEL_File bare;
    bare.FillFromFind(again);
    EXPECT_EQ(bare.Extension, u"NOEXT");
    EXPECT_EQ(bare.MediaType, 0u);
}

TEST_F(RecordsFile, FoldersGetNoExtensionAndAreSpecialBelowASpecialFolder) {
    tagDeviceSettings settings{};
    settings.SpecialFolderCount = 2;
    SetText(settings.SpecialFolders[0], u"Video");
    SetText(settings.SpecialFolders[1], u"RADIO");

    CFileFind find;
    ASSERT_TRUE(FindEntry(find, drive.Win(u"Radio"), u"Today"));
    CZEL_File special(&settings);
    special.FillFromFind(find);
    EXPECT_EQ(special.Attributes, 0x10u);
    EXPECT_EQ(special.Special, 1u);
    EXPECT_TRUE(special.Extension.IsEmpty());
    EXPECT_EQ(special.MediaType, 0u);

    CFileFind other;
    ASSERT_TRUE(FindEntry(other, drive.Win(u"Music"), u"Rock"));
    CZEL_File plain(&settings);
    plain.FillFromFind(other);
    EXPECT_EQ(plain.Special, 0u);

    // Without settings nothing is special; entries past the count are not read.
    settings.SpecialFolderCount = 1;
    CFileFind third;
    ASSERT_TRUE(FindEntry(third, drive.Win(u"Radio"), u"Today"));
    CZEL_File counted(&settings);
    counted.FillFromFind(third);
    EXPECT_EQ(counted.Special, 0u);
}

TEST_F(RecordsFile, DotDotGetsNoStamp) {
    CFileFind find;
    ASSERT_TRUE(FindEntry(find, drive.Win(u"Music"), u".."));
    CZEL_File dots;
    dots.FillFromFind(find);
    EXPECT_EQ(dots.Attributes, 0x10u);
    EXPECT_TRUE(dots.TimeStamp.IsEmpty());
}

TEST_F(RecordsFile, FillFromPathTakesSizeAttributesAndName) {
    std::u16string path = drive.Win(u"Music\\song.mp3");
    CZEL_File file;
    file.FillFromPath(path.c_str());
    EXPECT_EQ(file.Size, 5u);
    EXPECT_EQ(file.Name, u"song.mp3");
    EXPECT_EQ(file.Path, path.c_str());
    EXPECT_EQ(file.Attributes, GetFileAttributesW(path.c_str()));
    EXPECT_EQ(file.TimeStamp.GetLength(), 14);

    CZEL_File missing;
    missing.SetName(u"kept");
    missing.FillFromPath(drive.Win(u"Music\\none.mp3").c_str());
    EXPECT_EQ(missing.Name, u"kept");
    EXPECT_TRUE(missing.Path.IsEmpty());
    EXPECT_EQ(missing.Size, 0u);
}

}  // namespace
