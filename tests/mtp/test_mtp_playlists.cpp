// Playlists of an MTP player after a transfer: the named playlists group by
// group with the debugger's lines, the mood playlists by class, the agent's
// calls in their order, what lands in the playlist folder, and the playlist
// folder's node of the tree.
#include "agent_spy.h"
#include "mtp_fixture.h"

namespace {

using Calls = std::vector<std::pair<std::string, Names>>;  // call, its names and then its paths

class MtpPlaylists : public MtpTest {
protected:
    // Sends the files into the music folder, each queued for its playlist and mood class.
    void SendQueued(const std::vector<std::tuple<const char16_t*, const char16_t*, UINT>>& files) {
        ASSERT_TRUE(device->Move(u"Music"));
        for (const auto& [name, playlist, mood] : files) {
            const std::string file = ZelToUtf8(name);
            tagDB_File record = Record(ZEL_MEDIA_MP3, PcFile(file, file), name);
            ASSERT_EQ(ZEL_SUCCESS, device->TransferFile2(const_cast<LPWSTR>(u"\\Music"), &record, 0, nullptr, 0, nullptr));
            device->IsExistFile(const_cast<LPWSTR>(name), const_cast<LPWSTR>(playlist), nullptr, mood);
        }
        ClearPlaylistCalls();
    }
    void Update(int mode, const char16_t* given = nullptr) {
        device->UpdatePlaylist(mode, nullptr, nullptr, const_cast<LPWSTR>(given));
    }
    static Calls Recorded() {
        Calls calls;
        for (const PlaylistCall& call : PlaylistCalls()) {
            Names texts = call.names;
            texts.insert(texts.end(), call.paths.begin(), call.paths.end());
            calls.emplace_back(call.call, texts);
        }
        return calls;
    }
    static Names PlaylistLines(const DebugLines& debug) {
        Names lines;
        for (const std::u16string& line : debug.lines)
            if (line.rfind(u"- MTP Playlist : ", 0) == 0) lines.push_back(line.substr(17));
        return lines;
    }
    std::string Playlist(const std::string& name) const { return folders.Read(folders.Player("Playlists/" + name + ".pla")); }
};

TEST_F(MtpPlaylists, ThreeFilesInTwoNamedPlaylistsAndOneMoodClass) {
    const struct {
        const char16_t* given;
        Calls calls;
        Names lines;
    } cases[] = {
        // No group is the given playlist: every named playlist is written at once, then the mood playlist.
        {nullptr,
         {{"update", {u"A", u"A", u"B", u"a.mp3", u"b.mp3", u"c.mp3"}}, {"mood", {u"@Calm", u"c.mp3"}}},
         {u"Current Item [A : a.mp3]\n", u"Current Item [A : b.mp3]\n", u"Current Item [B : c.mp3]\n"}},
        // The given group is written on its own and ends the walk: the group before it is passed over.
        {u"B",
         {{"mood", {u"B", u"c.mp3"}}, {"mood", {u"@Calm", u"c.mp3"}}},
         {u"Current Item [A : a.mp3]\n", u"Current Item [A : b.mp3]\n", u"Current Item [B : c.mp3]\n",
          u"Try to make B \n", u"Success to make B \n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given != nullptr ? "given B" : "none given");
        std::filesystem::remove_all(folders.Player("Playlists"));
        std::filesystem::remove_all(folders.Player("Music"));
        // A playlist of the user's: it keeps its entries, the new files follow them.
        folders.Write(folders.Player("Music/old.mp3"), "old");
        folders.Write(folders.Player("Playlists/A.pla"), "\\Music\\old.mp3\n");
        device = std::make_unique<TestMTP>();
        Start();
        SendQueued({{u"a.mp3", u"A", 0}, {u"b.mp3", u"A", 0}, {u"c.mp3", u"B", 2}});
        // The host shows the playlist folder, where the named playlists go.
        device->Move(nullptr);
        ASSERT_TRUE(device->Move(u"Playlists"));
        DebugLines debug;
        Update(1, c.given);
        EXPECT_EQ(c.calls, Recorded());
        EXPECT_EQ(c.lines, PlaylistLines(debug));
        EXPECT_EQ(c.given == nullptr ? "\\Music\\old.mp3\n\\Music\\a.mp3\n\\Music\\b.mp3\n" : "\\Music\\old.mp3\n",
                  Playlist("A"));
        EXPECT_EQ((std::pair{std::string("\\Music\\c.mp3\n"), std::string("\\Music\\c.mp3\n")}),
                  (std::pair{Playlist("B"), Playlist("@Calm")}));
        // The host still shows the playlist folder, listed afresh; the lists were emptied by the mood run.
        Names shown;
        for (CZEL_File* f = device->FindFileFirst(); f != nullptr; f = device->FindFileNext()) shown.push_back(f->Name.Str());
        EXPECT_EQ((Names{u"@Calm.pla", u"A.pla", u"B.pla"}), shown);
        EXPECT_EQ((std::pair{std::u16string(u"Playlists"), std::u16string(u"\\Playlists")}),
                  (std::pair{device->GetCurrentPath().Str(), std::u16string(Agent_GetCurrentPath())}));
        EXPECT_EQ((std::pair{INT_PTR{0}, INT_PTR{0}}),
                  (std::pair{device->m_TransferPaths.GetSize(), device->m_TransferPlaylistNames.GetSize()}));
    }
}

TEST_F(MtpPlaylists, MoodClassesGoToTheirMoodPlaylistsOnly) {
    Start();
    SendQueued({{u"a.mp3", nullptr, 2}, {u"b.mp3", nullptr, 5}, {u"c.mp3", nullptr, 2}});
    Update(1);
    EXPECT_EQ((Calls{{"mood", {u"@Calm", u"a.mp3", u"c.mp3"}}}), Recorded());
    // The playlist folder was made for it and joins the tree; the host stays where it was.
    EXPECT_EQ("\\Music\\a.mp3\n\\Music\\c.mp3\n", Playlist("@Calm"));
    EXPECT_EQ((std::pair{std::u16string(u"Music"), std::u16string(u"\\Music")}),
              (std::pair{device->GetCurrentPath().Str(), std::u16string(Agent_GetCurrentPath())}));
    device->Move(nullptr);
    EXPECT_EQ((Names{u"Memory Card", u"Music", u"Playlists"}), device->Children());
}

TEST_F(MtpPlaylists, AMyAuroPlayerWritesNamedPlaylistsOnlyWhenItsModelDoes) {
    for (const WORD product : {WORD{0x5119}, WORD{0x5115}}) {
        device = std::make_unique<TestMTP>();
        Start([](tagDeviceSettings& s) { s.Capabilities = ZEL_CAP_MYAURO; }, PlayerInfo(product));
        SendQueued({{u"a.mp3", u"A", 1}});
        Update(1);
        const Calls expected = product == 0x5119 ? Calls{{"mood", {u"@Upbeat", u"a.mp3"}}}
                                                 : Calls{{"update", {u"A", u"a.mp3"}}, {"mood", {u"@Upbeat", u"a.mp3"}}};
        EXPECT_EQ(expected, Recorded()) << std::hex << product;
    }
}

TEST_F(MtpPlaylists, AnUpdateWithoutMoodsShowsThePlaylistFolderAfresh) {
    folders.Write(folders.Player("Playlists/Old.pla"), "");
    Start();
    SendQueued({{u"a.mp3", u"Road Trip", 0}});
    device->Move(nullptr);
    ASSERT_TRUE(device->Move(u"Playlists"));
    ASSERT_EQ(Names{u"Old.pla"}, device->Children());
    Update(0);
    EXPECT_EQ((Calls{{"update", {u"Road Trip", u"a.mp3"}}}), Recorded());
    EXPECT_EQ((Names{u"Old.pla", u"Road Trip.pla"}), device->Children());
    EXPECT_EQ(std::u16string(u"\\Playlists"), std::u16string(Agent_GetCurrentPath()));

    // Read back for a host: the items as device paths.
    CStringArray items;
    ASSERT_EQ(1, device->ReadPlaylistItems(u"road trip", items));
    EXPECT_EQ((std::pair{INT_PTR{1}, std::u16string(u"\\Music\\a.mp3")}), (std::pair{items.GetSize(), items[0].Str()}));
    EXPECT_EQ(0, device->ReadPlaylistItems(u"Nothing", items));
}

}  // namespace
