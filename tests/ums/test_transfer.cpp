// Files from the computer placed on a mass-storage player: admission, naming,
// album art and lyrics, progress to the host, the database and the tree, and
// what a failed copy leaves behind.
#include "mediagen.h"
#include "ums_fixture.h"

namespace {

namespace mg = zelmediagen;

// The start-of-frame segment of a baseline colour JPEG picture of this size.
std::string JpegFrame(int width, int height) {
    const char bytes[] = {'\xFF', '\xC0', 0, 17, 8, char(height >> 8), char(height), char(width >> 8), char(width)};
    return std::string(bytes, sizeof bytes);
}

bool Contains(const std::string& path, const std::string& text) {
    const mg::Bytes data = mg::ReadBytes(path);
    return std::string(data.begin(), data.end()).find(text) != std::string::npos;
}

class UmsTransfer : public UmsTest {
protected:
    static tagDB_File Record(DWORD type, const std::u16string& source, const std::u16string& name,
                             const std::u16string& category = u"") {
        tagDB_File record{};
        record.MediaType = type;
        SetField(record.Folder, source);
        SetField(record.FileName, name);
        SetField(record.ShortText2, category);
        return record;
    }
    DWORD Send(tagDB_File record, const std::u16string& folder = u"Music\\") {
        std::u16string destination = drive.Win(folder);
        return device.TransferFile2(destination.data(), &record, 0, nullptr, 0, nullptr);
    }
    BOOL Recorded(const std::u16string& path) { return !device.CanTransfer(ZEL_MEDIA_MP3, ZEL_MEDIA_MP3, path.c_str()); }
    static Adjust Caps(DWORD capabilities, DWORD art = 0, const Adjust& more = {}) {
        return [=](tagDeviceSettings& s) {
            if (more) more(s);
            s.Capabilities |= capabilities;
            s.AlbumArtWidth = s.AlbumArtHeight = art;
        };
    }
    size_t Count(WPARAM event) const {
        return static_cast<size_t>(std::count_if(host.messages.begin(), host.messages.end(),
                                                 [event](const auto& m) { return m.first == event; }));
    }
};

TEST_F(UmsTransfer, RefusedFilesSendNoMessageAndWriteNothing) {
    Start(Caps(ZEL_CAP_CHECK_FOLDER));
    ASSERT_TRUE(mg::WriteMp3(pc.Host("a.mp3"), {}));
    ASSERT_TRUE(mg::WriteJpeg(pc.Host("b.jpg"), 8, 8));
    EXPECT_EQ(ZEL_ERR_MEDIA_TYPE, Send(Record(ZEL_MEDIA_NONE, pc.Win(u"a.mp3"), u"a.mp3")));
    EXPECT_EQ(ZEL_ERR_MEDIA_TYPE, Send(Record(ZEL_MEDIA_JPG, pc.Win(u"b.jpg"), u"b.jpg"), u"Photo\\"));  // no image capability
    EXPECT_EQ(ZEL_ERR_FOLDER_MUSIC, Send(Record(ZEL_MEDIA_MP3, pc.Win(u"a.mp3"), u"a.mp3")));  // at the root
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(drive.Exists("Music/a.mp3") || drive.Exists("Photo/b.jpg"));
}

TEST_F(UmsTransfer, MusicWithCoverIsRecordedOnlyAfterASuccessfulCopy) {
    Start(Caps(0, 32, WithDatabase()));
    device.Move(u"Music");
    mg::Mp3Options options;
    options.frames = 600, options.cover = {mg::ImageFormat::Jpeg, 300, 200, 3};
    ASSERT_TRUE(mg::WriteMp3(pc.Host("song.mp3"), options));
    ZelSetDriveSpace(u'E', 50ull << 20, 100ull << 20);

    ASSERT_EQ(ZEL_SUCCESS, Send(Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), u"song.mp3")));
    // 2, then percentages, then 3.
    ASSERT_GE(host.messages.size(), 3u);
    EXPECT_EQ((std::tuple{ZEL_EVENT_BEGIN, ZEL_EVENT_END, host.messages.size() - 2}),
              (std::tuple{host.messages.front().first, host.messages.back().first, Count(ZEL_EVENT_PERCENT)}));
    EXPECT_TRUE(Contains(drive.Host("Music/song.mp3"), JpegFrame(32, 32)));
    EXPECT_TRUE(Contains(pc.Host("song.mp3"), JpegFrame(300, 200))) << "the source is untouched";
    EXPECT_FALSE(pc.Exists("scratch/$temp3/song.mp3"));
    EXPECT_TRUE(Recorded(drive.Win(u"Music\\song.mp3")));
    EXPECT_FALSE(Recorded(drive.Win(u"Music\\other.mp3")));
    EXPECT_EQ(1u, device.Count(u"song.mp3"));
    EXPECT_EQ((std::pair{50u, 100u}), (std::pair{device.m_Settings.FreeMB, device.m_Settings.TotalMB}));

    // The disk fills up in the middle of the copy: no file, no album-art copy, no record, no node, no code 3.
    host.messages.clear();
    ZelInjectFault(drive.Win(u"Music\\full.mp3").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 100000);
    EXPECT_TRUE(ZelFailed(Send(Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), u"full.mp3"))));
    EXPECT_EQ(ERROR_DISK_FULL, GetLastError()) << "the host learns why, after the copies are cleaned up";
    EXPECT_FALSE(drive.Exists("Music/full.mp3") || pc.Exists("scratch/$temp3/full.mp3"));
    EXPECT_FALSE(Recorded(drive.Win(u"Music\\full.mp3")));
    EXPECT_EQ(0u, device.Count(u"full.mp3"));
    EXPECT_EQ((std::pair<size_t, size_t>{1, 0}), (std::pair{Count(ZEL_EVENT_BEGIN), Count(ZEL_EVENT_END)}));
    ZelClearFaults();

    // A bigger song sent over the one on the player fills the drive half-way:
    // the old song and its record stay exactly as they were, with nothing beside them.
    HMODULE database = LoadLibraryW(drive.Win(u"System\\ZELPlayerDB.dll").c_str());  // the one the device holds
    auto getRecord = reinterpret_cast<ZELDB_GETRECORD_PROC>(
        reinterpret_cast<void*>(GetProcAddress(database, ZELDB_GETRECORD_NAME)));
    auto recordedSize = [&] {
        auto found = std::make_unique<tagDB_File>();
        return getRecord(drive.Win(u"Music\\song.mp3").c_str(), found.get()) ? found->FileSize : 0u;
    };
    const std::string oldSong = drive.ReadFile("Music/song.mp3");
    const DWORD oldSize = recordedSize();
    ASSERT_EQ(oldSong.size(), oldSize);
    options.frames = 3000;
    ASSERT_TRUE(mg::WriteMp3(pc.Host("bigger.mp3"), options));
    ZelInjectFault(drive.Win(u"Music\\*").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 100000);
    EXPECT_TRUE(ZelFailed(Send(Record(ZEL_MEDIA_MP3, pc.Win(u"bigger.mp3"), u"song.mp3"))));
    ZelClearFaults();
    EXPECT_TRUE(drive.ReadFile("Music/song.mp3") == oldSong);
    EXPECT_EQ(oldSize, recordedSize());
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(drive.Host("Music")), {}));
    FreeLibrary(database);
}

// A file sent over one whose name differs only in case lands in that file: the
// drive, the record and the tree keep the drive's spelling. On a FAT drive a
// name FAT refuses fails before anything is written, and the last error says why.
TEST_F(UmsTransfer, TheDrivesSpellingStaysAndFatNamesAreRefused) {
    Start(Caps(0, 0, WithDatabase()));
    device.Move(u"Music");
    ASSERT_TRUE(mg::WriteMp3(pc.Host("song.mp3"), {}));
    ASSERT_EQ(ZEL_SUCCESS, Send(Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), u"Song.mp3")));
    tagDB_File again = Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), u"SONG.mp3");
    std::u16string music = drive.Win(u"Music\\");
    ASSERT_EQ(ZEL_SUCCESS, device.TransferFile2(music.data(), &again, 0, nullptr, 0, nullptr));
    EXPECT_EQ(std::u16string(u"Song.mp3"), Text(again.FileName));
    EXPECT_EQ(drive.Win(u"Music\\Song.mp3"), std::u16string(device.m_CurrentFolderEntry.Path.Str()));
    EXPECT_EQ((std::pair<size_t, size_t>{1, 0}), (std::pair{device.Count(u"Song.mp3"), device.Count(u"SONG.mp3")}));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(drive.Host("Music")), {}));
    EXPECT_TRUE(drive.Exists("Music/Song.mp3"));

    ZelSetDriveFat(u'E', TRUE);
    host.messages.clear();
    EXPECT_EQ(ZEL_ERR_COPY, Send(Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), u"a?b.mp3")));
    EXPECT_EQ(ERROR_INVALID_NAME, GetLastError());
    ZelSetDriveFat(u'E', FALSE);
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(drive.Host("Music")), {}));
    EXPECT_EQ(0u, Count(ZEL_EVENT_END));
}

TEST_F(UmsTransfer, TargetNamesFollowTheCategoryPrefixAndOverwrite) {
    Start(Caps(ZEL_CAP_TEXT | ZEL_CAP_IMAGE | ZEL_CAP_BROADCAST, 0,
               [](tagDeviceSettings& s) { SetField(s.Folders[6], u"Broadcast"); }),
          DriveInfo(u'E', 0x5119));
    // The older form writes into the current folder under the source's name or the one prepared.
    device.Move(u"Text");
    std::u16string memo = PcFile("memo.txt", "memo");
    tagDB_File record = Record(ZEL_MEDIA_TXT, u"", u"memo.txt");
    ASSERT_EQ(ZEL_SUCCESS, device.TransferFile(memo.data(), &record, 0));
    EXPECT_EQ("memo", drive.ReadFile("Text/memo.txt"));
    EXPECT_EQ((std::tuple{1u, ZEL_EVENT_BEGIN, ZEL_EVENT_END}),
              (std::tuple{device.Count(u"memo.txt"), host.messages.front().first, host.messages.back().first}));
    device.m_strCurrentTransFile = u"renamed.txt";
    ASSERT_EQ(ZEL_SUCCESS, device.TransferFile(memo.data(), &record, 0));
    EXPECT_EQ("memo", drive.ReadFile("Text/renamed.txt"));
    EXPECT_TRUE(device.m_strCurrentTransFile.IsEmpty());

    device.Move(u"..");
    ASSERT_TRUE(mg::WriteMp3(pc.Host("news.mp3"), {}));
    const auto tts = Record(ZEL_MEDIA_MP3, pc.Win(u"news.mp3"), u"news.mp3", u"TTS");
    EXPECT_EQ(ZEL_SUCCESS, Send(tts));
    EXPECT_TRUE(drive.Exists("Music/news.tts") && !drive.Exists("Music/news.mp3"));
    device.m_Settings.ProductID = 0x5000;
    EXPECT_EQ(ZEL_SUCCESS, Send(tts, u"Text\\"));
    EXPECT_TRUE(drive.Exists("Text/news.mp3"));
    // A datacast keeps the name its caller prepared.
    device.m_strCurrentTransFile = u"cast01.mp3";
    EXPECT_EQ(ZEL_SUCCESS, Send(Record(ZEL_MEDIA_MP3, pc.Win(u"news.mp3"), u"news.mp3", u"Datacasts")));
    EXPECT_TRUE(drive.Exists("Music/cast01.mp3"));

    // The same name twice: the second file replaces the first.
    const auto note = Record(ZEL_MEDIA_TXT, PcFile("note.txt", "first"), u"notes.txt");
    EXPECT_EQ(ZEL_SUCCESS, Send(note, u"Text\\"));
    pc.WriteFile("note.txt", "second");
    EXPECT_EQ(ZEL_SUCCESS, Send(note, u"Text\\"));
    EXPECT_EQ("second", drive.ReadFile("Text/notes.txt"));
    EXPECT_EQ(4, std::distance(std::filesystem::directory_iterator(drive.Host("Text")), {}));  // no renamed copy

    // A picture the host prepared in a temporary folder is deleted once it is on the player.
    ASSERT_TRUE(std::filesystem::create_directories(pc.Host("temp")));
    ASSERT_TRUE(mg::WriteJpeg(pc.Host("temp/pic.jpg"), 8, 8) && mg::WriteJpeg(pc.Host("b.jpg"), 8, 8));
    EXPECT_EQ(ZEL_SUCCESS, Send(Record(ZEL_MEDIA_JPG, pc.Win(u"temp\\pic.jpg"), u"pic.jpg"), u"Photo\\"));
    EXPECT_EQ(ZEL_SUCCESS, Send(Record(ZEL_MEDIA_JPG, pc.Win(u"b.jpg"), u"b.jpg"), u"Photo\\"));
    EXPECT_TRUE(drive.Exists("Photo/pic.jpg") && drive.Exists("Photo/b.jpg") && pc.Exists("b.jpg"));
    EXPECT_FALSE(pc.Exists("temp/pic.jpg"));

    // Posted files: into the named broadcast folder, with the prefix unless they are texts.
    device.Move(u"Broadcast");
    std::u16string picture = pc.Win(u"b.jpg"), text = PcFile("a.txt", "text");
    auto post = [this](const char16_t* folder, std::u16string& source, tagDB_File&& posted) {
        const DWORD result = device.TransferPostFile(const_cast<LPWSTR>(folder), const_cast<LPWSTR>(u"NEWS"),
                                                     source.data(), &posted, nullptr);
        return std::pair{result, Text(posted.FileName)};
    };
    EXPECT_EQ((std::pair{ZEL_SUCCESS, std::u16string(u"NEWS_b.jpg")}),
              post(u"News", picture, Record(ZEL_MEDIA_JPG, picture, u"b.jpg")));
    EXPECT_TRUE(drive.Exists("Broadcast/News/NEWS_b.jpg"));
    EXPECT_EQ((std::pair{std::u16string(u"News"), size_t{1}}), (std::pair{device.Where().first, device.Count(u"NEWS_b.jpg")}));
    EXPECT_EQ(ZEL_SUCCESS, post(u"", text, Record(ZEL_MEDIA_TXT, text, u"a.txt")).first);
    EXPECT_EQ("text", drive.ReadFile("Broadcast/News/a.txt"));
    EXPECT_EQ((std::pair{drive.Win(u"Broadcast\\News\\a.txt"), size_t{4}}),
              (std::pair{std::u16string(device.m_CurrentFolderEntry.Path.Str()), size_t{device.m_CurrentFolderEntry.Size}}));
}

TEST_F(UmsTransfer, LyricsAreMergedAndTheConvertedCopyIsDropped) {
    Start(Caps(ZEL_CAP_LYRICS, 16));
    mg::Mp3Options mp3;
    mp3.lyrics = "first line\nsecond line";
    mg::OggOptions ogg;
    ogg.comments = {{"LYRICS", "one line"}}, ogg.cover = {mg::ImageFormat::Jpeg, 40, 40, 3};
    ASSERT_TRUE(mg::WriteMp3(pc.Host("sung.mp3"), mp3) && mg::WriteOggVorbis(pc.Host("sung.ogg"), ogg));
    auto withLyrics = [](tagDB_File record) { return record.LyricsFlag = 1, record; };
    ASSERT_EQ(ZEL_SUCCESS, Send(withLyrics(Record(ZEL_MEDIA_MP3, pc.Win(u"sung.mp3"), u"sung.mp3"))));
    EXPECT_EQ(nullptr, device.m_pTransferBuffer);  // the merged copy is freed
    // The player form is a TXXX frame described "ZEL LYRICS" in UTF-16.
    EXPECT_TRUE(Contains(drive.Host("Music/sung.mp3"), std::string("Z\0E\0L\0 \0L\0Y", 11)));
    ASSERT_EQ(ZEL_SUCCESS, Send(withLyrics(Record(ZEL_MEDIA_OGG, pc.Win(u"sung.ogg"), u"sung.ogg"))));
    EXPECT_TRUE(Contains(drive.Host("Music/sung.ogg"), "ZELLYRICS"));

    for (const char* left : {"scratch/sung.ogg", "scratch/$temp3/sung.ogg", "scratch/$temp3/sung.mp3"})
        EXPECT_FALSE(pc.Exists(left)) << left;
    EXPECT_FALSE(Contains(pc.Host("sung.ogg"), "ZELLYRICS")) << "the source is untouched";

    // 8,000 characters of lyrics make the player's tag some 16 KB larger: they are merged too.
    std::string words;
    while (words.size() < 8000) words += "and on the song goes ";
    mp3.lyrics = words.substr(0, 7990) + " THE END.";
    ASSERT_TRUE(mg::WriteMp3(pc.Host("long.mp3"), mp3));
    ASSERT_EQ(ZEL_SUCCESS, Send(withLyrics(Record(ZEL_MEDIA_MP3, pc.Win(u"long.mp3"), u"long.mp3"))));
    EXPECT_TRUE(Contains(drive.Host("Music/long.mp3"), std::string("Z\0E\0L\0 \0L\0Y", 11)));
    EXPECT_TRUE(Contains(drive.Host("Music/long.mp3"), std::string("T\0H\0E\0 \0E\0N\0D\0", 14)));
}

// The album-art step at the player's size: a large cover lands scaled to exactly
// that size in its own format, a file without a cover lands byte for byte as it
// was, and no scratch copy stays behind.
TEST_F(UmsTransfer, AlbumArtLandsAtThePlayersSizeAndFilesWithoutCoverUnchanged) {
    Start(Caps(0, 128));
    mg::Mp3Options covered, bare;
    covered.title = bare.title = "Tune";
    covered.cover = {mg::ImageFormat::Jpeg, 1000, 1000, 3};
    ASSERT_TRUE(mg::WriteMp3(pc.Host("covered.mp3"), covered) && mg::WriteMp3(pc.Host("bare.mp3"), bare));
    ASSERT_EQ(ZEL_SUCCESS, Send(Record(ZEL_MEDIA_MP3, pc.Win(u"covered.mp3"), u"covered.mp3")));
    ASSERT_EQ(ZEL_SUCCESS, Send(Record(ZEL_MEDIA_MP3, pc.Win(u"bare.mp3"), u"bare.mp3")));
    EXPECT_TRUE(Contains(drive.Host("Music/covered.mp3"), JpegFrame(128, 128)));
    EXPECT_FALSE(Contains(drive.Host("Music/covered.mp3"), JpegFrame(1000, 1000)));
    EXPECT_EQ(mg::ReadBytes(pc.Host("bare.mp3")), mg::ReadBytes(drive.Host("Music/bare.mp3")));
    EXPECT_TRUE(std::filesystem::is_empty(pc.Host("scratch/$temp3")));
}

}  // namespace
