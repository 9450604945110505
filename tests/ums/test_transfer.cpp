// Files from the computer placed on a mass-storage player: admission, naming,
// album art and lyrics, progress to the host, the database and the tree, and
// what a failed copy leaves behind.
#include <cstdint>
#include <cstring>

#include "ZELDevice/core/CoreText.h"
#include "mediagen.h"
#include "ums_fixture.h"

namespace {

namespace mg = zelmediagen;

// Width and height of the first JPEG picture embedded in a file; {0, 0} without one.
std::pair<int, int> JpegSize(const mg::Bytes& file) {
    for (size_t i = 0; i + 3 < file.size(); ++i) {
        if (file[i] != 0xFF || file[i + 1] != 0xD8 || file[i + 2] != 0xFF) continue;
        for (size_t p = i + 2; p + 9 < file.size() && file[p] == 0xFF;) {
            const uint8_t marker = file[p + 1];
            if (marker >= 0xC0 && marker <= 0xC2)
                return {(file[p + 7] << 8) | file[p + 8], (file[p + 5] << 8) | file[p + 6]};
            p += 2 + static_cast<size_t>((file[p + 2] << 8) | file[p + 3]);
        }
        break;
    }
    return {0, 0};
}

bool Contains(const mg::Bytes& data, const std::string& text) {
    return std::search(data.begin(), data.end(), text.begin(), text.end()) != data.end();
}

size_t EntriesIn(const std::string& folder) {
    size_t count = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

class UmsTransfer : public ::testing::Test {
protected:
    UmsTransfer() { FillPlainSettings(device.m_Settings); }

    // Brings the player up with the settings the test prepared; the temporary
    // folder is put on the computer's drive so that leftovers can be seen.
    void Start() {
        tagDeviceInfo info = DriveInfo();
        ASSERT_EQ(ZEL_SUCCESS, device.CreateDevice(&info, host.Handle()));
        std::filesystem::create_directories(pc.Host("scratch"));
        SetField(device.m_szTempDir, pc.Win(u"scratch"));
        host.messages.clear();
    }
    static tagDB_File Record(DWORD type, const std::u16string& source, const std::u16string& name,
                             const std::u16string& category = u"") {
        tagDB_File record{};
        record.MediaType = type;
        SetField(record.Folder, source);
        SetField(record.FileName, name);
        SetField(record.ShortText2, category);
        return record;
    }
    DWORD Send(tagDB_File& record, const std::u16string& folder = u"Music\\") {
        std::u16string destination = drive.Win(folder);
        return device.TransferFile2(destination.data(), &record, 0, nullptr, 0, nullptr);
    }
    BOOL Recorded(const std::u16string& path) { return !device.CanTransfer(ZEL_MEDIA_MP3, ZEL_MEDIA_MP3, path.c_str()); }
    bool Listed(const std::u16string& name) {
        auto children = device.Children();
        return std::find(children.begin(), children.end(), name) != children.end();
    }

    TempDrive drive;     // the player
    TempDrive pc{u'F'};  // the computer's files
    HostWindow host;
    TestUMS device;
};

TEST_F(UmsTransfer, RefusedFilesSendNoMessageAndWriteNothing) {
    device.m_Settings.Capabilities = ZEL_CAP_CHECK_FOLDER;
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(mg::WriteMp3(pc.Host("a.mp3"), {}));
    ASSERT_TRUE(mg::WriteJpeg(pc.Host("b.jpg"), 8, 8));

    tagDB_File untyped = Record(ZEL_MEDIA_NONE, pc.Win(u"a.mp3"), u"a.mp3");
    EXPECT_EQ(ZEL_ERR_MEDIA_TYPE, Send(untyped));
    tagDB_File picture = Record(ZEL_MEDIA_JPG, pc.Win(u"b.jpg"), u"b.jpg");  // no image capability
    EXPECT_EQ(ZEL_ERR_MEDIA_TYPE, Send(picture, u"Photo\\"));
    // At the root, which is not the music folder.
    tagDB_File music = Record(ZEL_MEDIA_MP3, pc.Win(u"a.mp3"), u"a.mp3");
    EXPECT_EQ(ZEL_ERR_FOLDER_MUSIC, Send(music));

    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(drive.Exists("Music/a.mp3"));
    EXPECT_FALSE(drive.Exists("Photo/b.jpg"));
}

TEST_F(UmsTransfer, MusicGoesWithResizedCoverIntoDatabaseAndTree) {
    InstallPlayerDatabase(drive, device.m_Settings);
    device.m_Settings.AlbumArtWidth = 32;
    device.m_Settings.AlbumArtHeight = 32;
    ASSERT_NO_FATAL_FAILURE(Start());
    device.MoveFolder(const_cast<LPWSTR>(u"Music"));
    mg::Mp3Options options;
    options.frames = 600;
    options.cover = {mg::ImageFormat::Jpeg, 300, 200, 3};
    ASSERT_TRUE(mg::WriteMp3(pc.Host("song.mp3"), options));
    ZelSetDriveSpace(u'E', 50ull << 20, 100ull << 20);

    tagDB_File record = Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), u"song.mp3");
    ASSERT_EQ(ZEL_SUCCESS, Send(record));

    // 2, then percentages, then 3.
    const auto events = host.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(ZEL_EVENT_BEGIN, events.front());
    EXPECT_EQ(ZEL_EVENT_END, events.back());
    EXPECT_TRUE(std::all_of(events.begin() + 1, events.end() - 1, [](WPARAM e) { return e == ZEL_EVENT_PERCENT; }));

    EXPECT_EQ(JpegSize(mg::ReadBytes(drive.Host("Music/song.mp3"))), (std::pair{32, 32}));
    EXPECT_EQ(JpegSize(mg::ReadBytes(pc.Host("song.mp3"))), (std::pair{300, 200})) << "the source is untouched";
    EXPECT_FALSE(pc.Exists("scratch/$temp3/song.mp3"));
    EXPECT_TRUE(Recorded(drive.Win(u"Music\\song.mp3")));
    EXPECT_FALSE(Recorded(drive.Win(u"Music\\other.mp3")));
    EXPECT_TRUE(Listed(u"song.mp3"));
    EXPECT_EQ(50u, device.m_Settings.FreeMB);
    EXPECT_EQ(100u, device.m_Settings.TotalMB);
    EXPECT_EQ(nullptr, device.m_pTransferBuffer);
}

TEST_F(UmsTransfer, FailedCopiesLeaveNoTrace) {
    InstallPlayerDatabase(drive, device.m_Settings);
    device.m_Settings.AlbumArtWidth = 32;
    device.m_Settings.AlbumArtHeight = 32;
    ASSERT_NO_FATAL_FAILURE(Start());
    device.MoveFolder(const_cast<LPWSTR>(u"Music"));
    mg::Mp3Options options;
    options.frames = 2000;
    options.cover = {mg::ImageFormat::Jpeg, 64, 64, 3};
    ASSERT_TRUE(mg::WriteMp3(pc.Host("song.mp3"), options));

    // The destination cannot be opened.
    ZelInjectFault(drive.Win(u"Music\\denied.mp3").c_str(), ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED);
    tagDB_File denied = Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), u"denied.mp3");
    EXPECT_TRUE(ZelFailed(Send(denied)));
    // The disk fills up in the middle of the copy.
    ZelInjectFault(drive.Win(u"Music\\full.mp3").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 100000);
    tagDB_File full = Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), u"full.mp3");
    EXPECT_TRUE(ZelFailed(Send(full)));

    for (const char* name : {"denied.mp3", "full.mp3"}) {
        SCOPED_TRACE(name);
        const std::u16string wide(name, name + std::strlen(name));
        EXPECT_FALSE(drive.Exists(std::string("Music/") + name));
        EXPECT_FALSE(pc.Exists(std::string("scratch/$temp3/") + name));
        EXPECT_FALSE(Recorded(drive.Win(u"Music\\" + wide)));
        EXPECT_FALSE(Listed(wide));
    }
    const auto events = host.Events();
    EXPECT_EQ(0, std::count(events.begin(), events.end(), ZEL_EVENT_END));
    EXPECT_EQ(2, std::count(events.begin(), events.end(), ZEL_EVENT_BEGIN));
    EXPECT_EQ(nullptr, device.m_pTransferBuffer);
}

TEST_F(UmsTransfer, TargetNamesFollowTheCategoryAndOverwrite) {
    device.m_Settings.Capabilities = ZEL_CAP_TEXT | ZEL_CAP_IMAGE;
    device.m_Settings.ProductID = 0x5119;
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(mg::WriteMp3(pc.Host("news.mp3"), {}));

    tagDB_File tts = Record(ZEL_MEDIA_MP3, pc.Win(u"news.mp3"), u"news.mp3", u"TTS");
    EXPECT_EQ(ZEL_SUCCESS, Send(tts));
    EXPECT_TRUE(drive.Exists("Music/news.tts"));
    EXPECT_FALSE(drive.Exists("Music/news.mp3"));
    device.m_Settings.ProductID = 0x5000;
    tts = Record(ZEL_MEDIA_MP3, pc.Win(u"news.mp3"), u"news.mp3", u"TTS");
    EXPECT_EQ(ZEL_SUCCESS, Send(tts, u"Text\\"));
    EXPECT_TRUE(drive.Exists("Text/news.mp3"));
    // A datacast keeps the name its caller prepared.
    device.m_strCurrentTransFile = u"cast01.mp3";
    tagDB_File cast = Record(ZEL_MEDIA_MP3, pc.Win(u"news.mp3"), u"news.mp3", u"Datacasts");
    EXPECT_EQ(ZEL_SUCCESS, Send(cast));
    EXPECT_TRUE(drive.Exists("Music/cast01.mp3"));

    // The same name twice: the second file replaces the first.
    pc.WriteFile("note.txt", "first");
    tagDB_File note = Record(ZEL_MEDIA_TXT, pc.Win(u"note.txt"), u"notes.txt");
    EXPECT_EQ(ZEL_SUCCESS, Send(note, u"Text\\"));
    pc.WriteFile("note.txt", "second");
    EXPECT_EQ(ZEL_SUCCESS, Send(note, u"Text\\"));
    EXPECT_EQ("second", drive.ReadFile("Text/notes.txt"));
    EXPECT_EQ(2u, EntriesIn(drive.Host("Text")));  // notes.txt and news.mp3

    // A picture the host prepared in a temporary folder is deleted once it is on the player.
    ASSERT_TRUE(std::filesystem::create_directories(pc.Host("temp")));
    ASSERT_TRUE(mg::WriteJpeg(pc.Host("temp/pic.jpg"), 8, 8));
    ASSERT_TRUE(mg::WriteJpeg(pc.Host("keep.jpg"), 8, 8));
    tagDB_File prepared = Record(ZEL_MEDIA_JPG, pc.Win(u"temp\\pic.jpg"), u"pic.jpg");
    tagDB_File own = Record(ZEL_MEDIA_JPG, pc.Win(u"keep.jpg"), u"keep.jpg");
    EXPECT_EQ(ZEL_SUCCESS, Send(prepared, u"Photo\\"));
    EXPECT_EQ(ZEL_SUCCESS, Send(own, u"Photo\\"));
    EXPECT_TRUE(drive.Exists("Photo/pic.jpg"));
    EXPECT_FALSE(pc.Exists("temp/pic.jpg"));
    EXPECT_TRUE(pc.Exists("keep.jpg"));
}

TEST_F(UmsTransfer, OlderFormWritesIntoTheCurrentFolder) {
    device.m_Settings.Capabilities = ZEL_CAP_TEXT;
    ASSERT_NO_FATAL_FAILURE(Start());
    device.MoveFolder(const_cast<LPWSTR>(u"Text"));
    pc.WriteFile("memo.txt", "memo");
    std::u16string source = pc.Win(u"memo.txt");

    tagDB_File record = Record(ZEL_MEDIA_TXT, u"", u"memo.txt");
    ASSERT_EQ(ZEL_SUCCESS, device.TransferFile(source.data(), &record, 0));
    EXPECT_EQ("memo", drive.ReadFile("Text/memo.txt"));
    EXPECT_EQ(drive.Win(u"Text\\"), device.m_strDestFolder.Str());
    EXPECT_TRUE(device.m_strCurrentTransFile.IsEmpty());
    EXPECT_TRUE(Listed(u"memo.txt"));
    EXPECT_EQ(ZEL_EVENT_BEGIN, host.Events().front());
    EXPECT_EQ(ZEL_EVENT_END, host.Events().back());

    device.m_strCurrentTransFile = u"renamed.txt";
    ASSERT_EQ(ZEL_SUCCESS, device.TransferFile(source.data(), &record, 0));
    EXPECT_EQ("memo", drive.ReadFile("Text/renamed.txt"));
    EXPECT_TRUE(device.m_strCurrentTransFile.IsEmpty());
}

TEST_F(UmsTransfer, PostedFilesGoIntoTheirBroadcastFolderWithThePrefix) {
    device.m_Settings.Capabilities = ZEL_CAP_BROADCAST | ZEL_CAP_IMAGE | ZEL_CAP_TEXT;
    SetField(device.m_Settings.Folders[6], u"Broadcast");
    ASSERT_NO_FATAL_FAILURE(Start());
    device.MoveFolder(const_cast<LPWSTR>(u"Broadcast"));
    ASSERT_TRUE(mg::WriteJpeg(pc.Host("b.jpg"), 8, 8));
    pc.WriteFile("a.txt", "text");
    std::u16string picture = pc.Win(u"b.jpg"), text = pc.Win(u"a.txt");

    tagDB_File jpg = Record(ZEL_MEDIA_JPG, picture, u"b.jpg");
    EXPECT_EQ(ZEL_SUCCESS, device.TransferPostFile(const_cast<LPWSTR>(u"News"), const_cast<LPWSTR>(u"NEWS"),
                                                   picture.data(), &jpg, nullptr));
    EXPECT_TRUE(drive.Exists("Broadcast/News/NEWS_b.jpg"));
    EXPECT_EQ(u"NEWS_b.jpg", zelcore::FixedText(jpg.FileName).Str());
    EXPECT_EQ(u"News", device.CurrentName());
    EXPECT_TRUE(Listed(u"NEWS_b.jpg"));

    tagDB_File txt = Record(ZEL_MEDIA_TXT, text, u"a.txt");
    EXPECT_EQ(ZEL_SUCCESS, device.TransferPostFile(const_cast<LPWSTR>(u""), const_cast<LPWSTR>(u"NEWS"),
                                                   text.data(), &txt, nullptr));
    EXPECT_EQ("text", drive.ReadFile("Broadcast/News/a.txt"));
    EXPECT_EQ(drive.Win(u"Broadcast\\News\\a.txt"), device.m_CurrentFolderEntry.Path.Str());
    EXPECT_EQ(ZEL_ATTR_FILE, device.m_CurrentFolderEntry.Attributes);
    EXPECT_EQ(4u, device.m_CurrentFolderEntry.Size);
}

TEST_F(UmsTransfer, LyricsAreMergedAndTheConvertedCopyIsDropped) {
    device.m_Settings.Capabilities = ZEL_CAP_LYRICS;
    device.m_Settings.AlbumArtWidth = 16;
    device.m_Settings.AlbumArtHeight = 16;
    ASSERT_NO_FATAL_FAILURE(Start());
    mg::Mp3Options mp3;
    mp3.lyrics = "first line\nsecond line";
    ASSERT_TRUE(mg::WriteMp3(pc.Host("sung.mp3"), mp3));
    mg::OggOptions ogg;
    ogg.comments = {{"LYRICS", "one line"}};
    ogg.cover = {mg::ImageFormat::Jpeg, 40, 40, 3};
    ASSERT_TRUE(mg::WriteOggVorbis(pc.Host("sung.ogg"), ogg));

    tagDB_File first = Record(ZEL_MEDIA_MP3, pc.Win(u"sung.mp3"), u"sung.mp3");
    first.LyricsFlag = 1;
    ASSERT_EQ(ZEL_SUCCESS, Send(first));
    // The player form is a TXXX frame described "ZEL LYRICS" in UTF-16.
    EXPECT_TRUE(Contains(mg::ReadBytes(drive.Host("Music/sung.mp3")), std::string("Z\0E\0L\0 \0L\0Y", 11)));
    tagDB_File second = Record(ZEL_MEDIA_OGG, pc.Win(u"sung.ogg"), u"sung.ogg");
    second.LyricsFlag = 1;
    ASSERT_EQ(ZEL_SUCCESS, Send(second));
    EXPECT_TRUE(Contains(mg::ReadBytes(drive.Host("Music/sung.ogg")), "ZELLYRICS"));

    EXPECT_FALSE(pc.Exists("scratch/sung.ogg"));
    EXPECT_FALSE(pc.Exists("scratch/$temp3/sung.ogg"));
    EXPECT_FALSE(pc.Exists("scratch/$temp3/sung.mp3"));
    EXPECT_FALSE(Contains(mg::ReadBytes(pc.Host("sung.ogg")), "ZELLYRICS")) << "the source is untouched";
}

}  // namespace
