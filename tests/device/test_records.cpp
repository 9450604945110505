// Tree entries: reset and copy, the extension table, and the two fillers.
#include <utime.h>

#include <ctime>

#include "device_fixture.h"

namespace {

// The local-time stamp an entry gives a file last written at the given moment.
std::u16string Stamp(time_t when) {
    std::tm t{};
    localtime_r(&when, &t);
    return ZelFormat(u"%d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                     t.tm_sec);
}

// The entry a directory search of folder gives for name.
CZEL_File Found(const std::u16string& folder, const std::u16string& name, tagDeviceSettings* settings) {
    CZEL_File file(settings);
    CFileFind find;
    for (BOOL more = find.FindFile((folder + u"\\*.*").c_str()); more;) {
        more = find.FindNextFile();
        if (find.GetFileName() == name.c_str()) {
            file.FillFromFind(find);
            return file;
        }
    }
    ADD_FAILURE() << "no entry in the search";
    return file;
}

TEST(RecordsEntry, ResetClearsTheFirstFieldsAndCopiesAreWhole) {
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
    EXPECT_TRUE(copy.GetPath() == u"E:\\Music" && copy.Slot == 3u && copy.Special == 1u);

    // The extension table knows the tree-only codes, not ASF, and only upper case.
    EXPECT_EQ(CZEL_File::MediaTypeOfExtension(u"UCQ"), ZEL_MEDIA_UCQ);
    EXPECT_EQ(CZEL_File::MediaTypeOfExtension(u"ASF"), 0u);
    EXPECT_EQ(CZEL_File::MediaTypeOfExtension(u"mp3"), 0u);
}

TEST(RecordsFile, FillersTakeWhatTheFileSystemSays) {
    TempDrive drive;
    drive.WriteFile("Music/song.mp3", "12345");
    drive.WriteFile("Music/movie.asf", "x");
    drive.WriteFile("Music/NOEXT", "x");
    std::filesystem::create_directories(drive.Host("Music/Rock"));
    std::filesystem::create_directories(drive.Host("Radio/Today"));
    const time_t written = 1700000000;
    const struct utimbuf times = {written, written};
    ASSERT_EQ(utime(drive.Host("Music/song.mp3").c_str(), &times), 0);

    tagDeviceSettings settings{};
    settings.SpecialFolderCount = 2;
    SetField(settings.SpecialFolders[0], u"Video");
    SetField(settings.SpecialFolders[1], u"RADIO");
    const struct {
        const char16_t *parent, *name, *extension;
        DWORD mediaType;
        bool folder;
        DWORD special;
    } rows[] = {
        {u"Music", u"song.mp3", u"MP3", ZEL_MEDIA_MP3, false, 0}, {u"Music", u"movie.asf", u"ASF", 0, false, 0},
        {u"Music", u"NOEXT", u"NOEXT", 0, false, 0},              {u"Radio", u"Today", u"", 0, true, 1},
        {u"Music", u"Rock", u"", 0, true, 0},                     {u"Music", u"..", u"", 0, true, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name, row.name + std::char_traits<char16_t>::length(row.name)));
        const CZEL_File file = Found(drive.Win(row.parent), row.name, &settings);
        EXPECT_EQ(file.Name, row.name);
        EXPECT_EQ(file.Extension, row.extension);
        EXPECT_EQ(file.MediaType, row.mediaType);
        EXPECT_EQ(file.Attributes & (row.folder ? ~0u : 0x10u), row.folder ? 0x10u : 0u);
        EXPECT_EQ(file.Special, row.special);
        EXPECT_EQ(file.TimeStamp.IsEmpty(), std::u16string(row.name) == u"..");
    }
    const CZEL_File song = Found(drive.Win(u"Music"), u"song.mp3", nullptr);
    EXPECT_EQ(song.Path, drive.Win(u"Music\\song.mp3").c_str());
    EXPECT_EQ(song.Size, 5u);
    EXPECT_EQ(song.TimeStamp, Stamp(written).c_str());
    // Only the counted special folders are read.
    settings.SpecialFolderCount = 1;
    EXPECT_EQ(Found(drive.Win(u"Radio"), u"Today", &settings).Special, 0u);

    std::u16string path = drive.Win(u"Music\\song.mp3");
    CZEL_File file;
    file.FillFromPath(path.c_str());
    EXPECT_TRUE(file.Size == 5u && file.Name == u"song.mp3" && file.Path == path.c_str());
    EXPECT_EQ(file.TimeStamp, Stamp(written).c_str());
    // A file that does not open changes nothing.
    CZEL_File missing;
    missing.SetName(u"kept");
    missing.FillFromPath(drive.Win(u"Music\\none.mp3").c_str());
    EXPECT_EQ(missing.Name, u"kept");
    EXPECT_TRUE(missing.Path.IsEmpty());
    EXPECT_EQ(missing.Size, 0u);
}

}  // namespace
