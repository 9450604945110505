// Files from the computer placed on an MTP player: the copy with its progress
// messages, the record and tree entry, a cancel from the host's window, an
// injected storage fault, the temporary album-art and lyrics copies, refusals,
// and posted and playlist files.
#include "mediagen.h"
#include "mtp_fixture.h"

namespace {

namespace mg = zelmediagen;

std::string Bytes(const std::string& path) {
    const mg::Bytes data = mg::ReadBytes(path);
    return std::string(data.begin(), data.end());
}
// The start-of-frame segment of a baseline colour JPEG picture of this size.
std::string JpegFrame(int width, int height) {
    const char bytes[] = {'\xFF', '\xC0', 0, 17, 8, char(height >> 8), char(height), char(width >> 8), char(width)};
    return std::string(bytes, sizeof bytes);
}

class MtpTransfer : public MtpTest {
protected:
    DWORD Send(tagDB_File record, const char16_t* folder = u"\\Music", IWMDMStorage* storage = nullptr) {
        return device->TransferFile2(const_cast<LPWSTR>(folder), &record, 0, storage, 0, nullptr);
    }
    // The files left in the device's temporary folder.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> files;
        for (const std::string& name : SimulatedPlayerFolders::Everything(pc.Host("scratch")))
            if (!std::filesystem::is_directory(pc.Host("scratch/" + name))) files.push_back(name);
        return files;
    }
};

TEST_F(MtpTransfer, AFileLandsWithProgressItsRecordAndTreeEntry) {
    Start();
    mg::Mp3Options large;
    large.frames = 2600;  // about 1 MiB: several progress reports
    ASSERT_TRUE(mg::WriteMp3(pc.Host("song.mp3"), large));
    ASSERT_TRUE(device->Move(u"Music"));
    std::u16string source = pc.Win(u"song.mp3");
    tagDB_File record = Record(ZEL_MEDIA_MP3, u"", u"song.mp3");
    ASSERT_EQ(ZEL_SUCCESS, device->TransferFile(source.data(), &record, 0));

    EXPECT_TRUE(Bytes(pc.Host("song.mp3")) == Bytes(folders.Player("Music/song.mp3")));
    // 2, the percentages from 0 to 100 that the agent's reports turn into, then 3.
    const std::vector<LPARAM> percent = host.Values(ZEL_EVENT_PERCENT);
    ASSERT_GE(percent.size(), 3u);
    EXPECT_EQ((std::tuple{ZEL_EVENT_BEGIN, ZEL_EVENT_END, LPARAM{0}, LPARAM{100}}),
              (std::tuple{host.messages.front().first, host.messages.back().first, percent.front(), percent.back()}));
    EXPECT_TRUE(std::is_sorted(percent.begin(), percent.end()));
    EXPECT_EQ(percent.size() + 2, host.messages.size());

    const CZEL_File* entry = device->Child(u"song.mp3");
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ((std::tuple{std::u16string(u"Music\\song.mp3"), entry->Size, DWORD{ZEL_MEDIA_MP3}}),
              (std::tuple{entry->Path.Str(), static_cast<DWORD>(std::filesystem::file_size(pc.Host("song.mp3"))),
                          entry->MediaType}));
    EXPECT_EQ(u"Musicsong.mp3", device->m_PendingPaths[0].Str());
    EXPECT_EQ(entry->Size, record.FileSize);
    EXPECT_EQ(u"", std::u16string(device->GetCurrentTransFile()));

    // Into the memory card through its storage, by a path of the device.
    IStream** first = nullptr;
    IStream** card = nullptr;
    IWMDMStorage* root = device->GetStorageFromAgent(&first, &card);
    IWMDMStorage* cardStorage = nullptr;
    ASSERT_EQ(S_OK, CoGetInterfaceAndReleaseStream(*card, IID_IWMDMStorage, reinterpret_cast<void**>(&cardStorage)));
    std::filesystem::create_directories(folders.Card("Songs"));
    EXPECT_EQ(ZEL_SUCCESS, Send(Record(ZEL_MEDIA_MP3, source, u"card.mp3"), u"\\Memory Card\\Songs", cardStorage));
    EXPECT_TRUE(Bytes(pc.Host("song.mp3")) == Bytes(folders.Card("Songs/card.mp3")));
    // Its entry went under the card's node, which the tree made on the way.
    device->Move(u"..");
    device->Move(u"Memory Card");
    device->Move(u"Songs");
    EXPECT_EQ((std::pair{std::u16string(u"Memory Card\\Songs"), Names{u"card.mp3"}}),
              (std::pair{device->GetCurrentPath().Str(), device->Children()}));
    cardStorage->Release();
    root->Release();
}

TEST_F(MtpTransfer, ACancelFromTheHostWindowLeavesNothing) {
    folders.Write(folders.Player("Music/keep.mp3"), "keep");
    Start();
    mg::Mp3Options large;
    large.frames = 2600;
    ASSERT_TRUE(mg::WriteMp3(pc.Host("song.mp3"), large));
    ASSERT_TRUE(device->Move(u"Music"));
    host.onMessage = [this](WPARAM event, LPARAM value) {
        if (event == ZEL_EVENT_PERCENT && value > 0) device->CancelTransfer();
    };
    EXPECT_EQ(ZEL_ERR_CANCELLED, Send(Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), u"song.mp3")));
    EXPECT_EQ(ZEL_ERR_CANCELLED, Send(Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), u"keep.mp3")));
    EXPECT_EQ((std::vector<std::string>{"Music", "Music/keep.mp3"}), OnPlayer());  // no object, no partial file
    EXPECT_EQ("keep", folders.Read(folders.Player("Music/keep.mp3")));
    EXPECT_EQ((std::tuple{size_t{2}, size_t{0}, DWORD{1}}), (std::tuple{Count(ZEL_EVENT_BEGIN), Count(ZEL_EVENT_END), device->m_bCancel}));
    EXPECT_EQ(Names{u"keep.mp3"}, device->Children());

    // The next transfer starts afresh.
    host.onMessage = {};
    EXPECT_EQ(ZEL_SUCCESS, Send(Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), u"song.mp3")));
}

TEST_F(MtpTransfer, AFullStorageGivesItsCodeAndLeavesNothing) {
    folders.Write(folders.Player("Music/song.mp3"), "old");
    Start();
    ASSERT_TRUE(device->Move(u"Music"));
    mg::Mp3Options large;
    large.frames = 2600;
    ASSERT_TRUE(mg::WriteMp3(pc.Host("song.mp3"), large));
    ScopedEnv full("ZEL_MTP_FAULT", "full@300000");
    for (const char16_t* name : {u"song.mp3", u"new.mp3"})
        EXPECT_EQ(ZEL_ERR_LOW_SPACE, Send(Record(ZEL_MEDIA_MP3, pc.Win(u"song.mp3"), name)));
    EXPECT_EQ((std::vector<std::string>{"Music", "Music/song.mp3"}), OnPlayer());
    EXPECT_EQ("old", folders.Read(folders.Player("Music/song.mp3")));
    EXPECT_EQ((std::tuple{Names{u"song.mp3"}, DWORD{3}, size_t{0}}),
              (std::tuple{device->Children(), device->Child(u"song.mp3")->Size, device->m_PendingPaths.GetSize()}));
}

TEST_F(MtpTransfer, TemporaryAlbumArtAndLyricsCopiesGoAfterSuccessAndFailure) {
    Start([](tagDeviceSettings& s) {
        s.Capabilities |= ZEL_CAP_LYRICS;
        s.AlbumArtWidth = s.AlbumArtHeight = 32;
    });
    mg::Mp3Options mp3;
    mp3.lyrics = "first line\nsecond line";
    mp3.cover = {mg::ImageFormat::Jpeg, 300, 200, 3};
    mg::OggOptions ogg;
    ogg.comments = {{"LYRICS", "one line"}};
    ogg.cover = {mg::ImageFormat::Jpeg, 40, 40, 3};
    ASSERT_TRUE(mg::WriteMp3(pc.Host("sung.mp3"), mp3) && mg::WriteOggVorbis(pc.Host("sung.ogg"), ogg));
    auto withLyrics = [](tagDB_File record) { return record.LyricsFlag = 1, record; };

    ASSERT_EQ(ZEL_SUCCESS, Send(withLyrics(Record(ZEL_MEDIA_MP3, pc.Win(u"sung.mp3"), u"sung.mp3"))));
    ASSERT_EQ(ZEL_SUCCESS, Send(withLyrics(Record(ZEL_MEDIA_OGG, pc.Win(u"sung.ogg"), u"sung.ogg"))));
    const std::string sent = Bytes(folders.Player("Music/sung.mp3"));
    EXPECT_NE(std::string::npos, sent.find(JpegFrame(32, 32)));
    EXPECT_NE(std::string::npos, sent.find(std::string("Z\0E\0L\0 \0L\0Y", 11)));  // the player's lyrics frame
    EXPECT_NE(std::string::npos, Bytes(folders.Player("Music/sung.ogg")).find("ZELLYRICS"));
    EXPECT_EQ(std::vector<std::string>{}, Leftovers());
    EXPECT_EQ(nullptr, device->m_pTransferBuffer);

    ScopedEnv broken("ZEL_MTP_FAULT", "write@10");
    EXPECT_EQ(ZEL_ERR_COPY, Send(withLyrics(Record(ZEL_MEDIA_MP3, pc.Win(u"sung.mp3"), u"other.mp3"))));
    EXPECT_EQ(ZEL_ERR_COPY, Send(withLyrics(Record(ZEL_MEDIA_OGG, pc.Win(u"sung.ogg"), u"other.ogg"))));
    EXPECT_EQ(std::vector<std::string>{}, Leftovers());
    EXPECT_NE(std::string::npos, Bytes(pc.Host("sung.mp3")).find(JpegFrame(300, 200))) << "the source is untouched";
}

TEST_F(MtpTransfer, RefusedFilesSendNothing) {
    Start();
    std::u16string source = PcFile("a.mp3", "mp3");
    tagDB_File none = Record(ZEL_MEDIA_NONE, u"", u"a.mp3");
    EXPECT_EQ(ZEL_ERR_MEDIA_TYPE, device->TransferFile(source.data(), &none, 0));
    EXPECT_EQ(ZEL_ERR_MEDIA_TYPE, Send(Record(ZEL_MEDIA_JPG, PcFile("b.jpg", "jpg"), u"b.jpg")));  // no image capability
    EXPECT_TRUE(device->m_CurrentFolderEntry.Name.IsEmpty());
    {
        HostWindow player;  // Windows Media Player runs
        HWND wmp = CreateWindowExW(0, u"WMPlayerApp", u"wmp", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        if (wmp == nullptr) {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.lpszClassName = u"WMPlayerApp";
            RegisterClassW(&windowClass);
            wmp = CreateWindowExW(0, u"WMPlayerApp", u"wmp", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        }
        tagDB_File mp3 = Record(ZEL_MEDIA_MP3, source, u"a.mp3");
        EXPECT_EQ(ZEL_ERR_WMP_RUNNING, device->TransferFile(source.data(), &mp3, 0));
        EXPECT_EQ(ZEL_ERR_WMP_RUNNING, Send(mp3));
        DestroyWindow(wmp);
    }
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(std::vector<std::string>{"Music"}, OnPlayer());
}

TEST_F(MtpTransfer, PostedTextToSpeechAndPlaylistFilesGetTheirNames) {
    std::filesystem::create_directories(folders.Player("Playlists"));
    Start([](tagDeviceSettings& s) { s.Capabilities |= ZEL_CAP_BROADCAST | ZEL_CAP_TEXT; }, PlayerInfo(0x5119));
    ASSERT_TRUE(mg::WriteMp3(pc.Host("news.mp3"), {}));
    std::u16string news = pc.Win(u"news.mp3"), text = PcFile("info.txt", "info");
    ASSERT_TRUE(device->Move(u"Broadcast"));
    auto post = [this](const char16_t* folder, std::u16string& source, const std::u16string& category) {
        tagDB_File record = Record(ZEL_MEDIA_MP3, source, u"", category);
        return device->TransferPostFile(const_cast<LPWSTR>(folder), const_cast<LPWSTR>(u"ch7"), source.data(), &record,
                                        nullptr);
    };
    EXPECT_EQ(ZEL_SUCCESS, post(u"News", news, u"News"));
    EXPECT_EQ(ZEL_SUCCESS, post(u"", text, u"News"));
    EXPECT_EQ(ZEL_SUCCESS, post(u"", news, u"TTS"));
    const std::vector<std::string> held = OnPlayer();
    EXPECT_EQ((std::vector<std::string>{"Broadcast", "Broadcast/News", "Broadcast/News/ch7_news.mp3",
                                        "Broadcast/News/info.txt", "Broadcast/News/news.tts", "Music", "Playlists", "Text"}),
              held);
    EXPECT_EQ((std::pair{std::u16string(u"Broadcast\\News"), Names{u"ch7_news.mp3", u"info.txt", u"news.tts"}}),
              (std::pair{device->GetCurrentPath().Str(), device->Children()}));
    EXPECT_EQ(u"\\Broadcast\\News\\news.tts", device->m_CurrentFolderEntry.Path.Str());
    EXPECT_EQ((std::pair<size_t, size_t>{3, 3}), (std::pair{Count(ZEL_EVENT_BEGIN), Count(ZEL_EVENT_END)}));

    // Text-to-speech files reach this player under "tts"; the computer's file keeps its name.
    EXPECT_EQ(ZEL_SUCCESS, Send(Record(ZEL_MEDIA_MP3, news, u"talk.mp3", u"TTS"), u"\\Music"));
    EXPECT_TRUE(folders.Exists(folders.Player("Music/talk.tts")) && pc.Exists("news.mp3") && !pc.Exists("news.tts"));

    // A playlist file goes into the playlist folder.
    std::u16string playlist = PcFile("mix.xpl", "list");
    device->TransferXPLfoMTP(playlist.data());
    EXPECT_EQ("list", folders.Read(folders.Player("Playlists/mix.xpl")));
}

}  // namespace
