// The simulated MTP player behind the agent: objects and their handles, sends
// that fail or are cancelled leaving nothing, injected faults and playlist objects.
// Names, format and read-back are tried through the agent (test_agent_abi).
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>

#include "mtp_backend.h"
#include "mtp_simulated.h"
#include "simulated_player.h"

using namespace zelmtp;

namespace {

constexpr uint32_t kPlayer = SimulatedPlayer::kPlayerStorage;
constexpr uint32_t kCard = SimulatedPlayer::kCardStorage;

class SimulatedBackend : public ::testing::Test {
protected:
    SimulatedBackend() { folders.Write(folders.Player("Music/a.mp3"), "first"); }

    // The children of a folder by name.
    std::map<std::u16string, ObjectInfo> Children(uint32_t storage, uint32_t parent) {
        std::vector<ObjectInfo> children;
        EXPECT_EQ(Status::Ok, player.Children(storage, parent, children));
        std::map<std::u16string, ObjectInfo> byName;
        for (const auto& child : children) byName[child.name] = child;
        return byName;
    }
    ObjectInfo Music() { return Children(kPlayer, kStorageRoot)[u"Music"]; }
    Status Send(const std::string& data, uint32_t parent, const std::u16string& name, ObjectInfo& made,
                const Progress& progress = {}) {
        const std::string source = folders.Computer("source");
        folders.Write(source, data);
        return player.SendFile(source, kPlayer, parent, name, FormatOfName(name), progress, made);
    }

    SimulatedPlayerFolders folders{true};
    SimulatedPlayer player{folders.Player(), folders.Card()};
};

TEST_F(SimulatedBackend, ObjectsKeepTheirHandlesAndStayInsideThePlayer) {
    std::vector<StorageInfo> storages;
    ASSERT_EQ(Status::Ok, player.Storages(storages));
    ASSERT_EQ(2u, storages.size());
    EXPECT_EQ((std::pair{kPlayer, kCard}), (std::pair{storages[0].id, storages[1].id}));
    EXPECT_GT(storages[0].capacity, 0u);

    const ObjectInfo music = Music();
    const ObjectInfo song = Children(kPlayer, music.handle)[u"a.mp3"];
    EXPECT_TRUE(music.IsFolder());
    EXPECT_EQ((std::tuple{music.handle, uint64_t{5}, uint16_t{kFormatMp3}}), (std::tuple{song.parent, song.size, song.format}));
    // The same objects seen by another player object over the same folders keep their handles.
    SimulatedPlayer again(folders.Player(), folders.Card());
    ObjectInfo seen;
    ASSERT_EQ(Status::Ok, again.Object(song.handle, seen));
    EXPECT_EQ(u"a.mp3", seen.name);

    // A link out of the player is no object, and an object of another player is not this one's.
    symlink("/etc", folders.Player("outside").c_str());
    EXPECT_EQ(0u, Children(kPlayer, kStorageRoot).count(u"outside"));
    SimulatedPlayerFolders other;
    SimulatedPlayer stranger(other.Player(), "");
    EXPECT_EQ(Status::NotFound, stranger.Object(song.handle, seen));
    std::vector<ObjectInfo> none;
    EXPECT_EQ(Status::NotFound, player.Children(kPlayer, 0x7FFFFFF0, none));
}

TEST_F(SimulatedBackend, FailedSendsLeaveNothingAndKeepTheOldFile) {
    const std::string data(1 << 20, 'z');
    std::vector<std::pair<uint64_t, uint64_t>> seen;
    ObjectInfo made;
    // Progress is asked after every chunk; the answer 1 stops the send.
    EXPECT_EQ(Status::Cancelled, Send(data, Music().handle, u"a.mp3", made, [&](uint64_t done, uint64_t total) {
                  seen.emplace_back(done, total);
                  return done >= 512 * 1024 ? 1 : 0;
              }));
    ASSERT_EQ(3u, seen.size());  // at the start, then after each 256 KiB
    EXPECT_EQ((std::pair<uint64_t, uint64_t>{0, 1 << 20}), seen.front());

    const struct {
        const char* fault;
        Status status;
    } cases[] = {{"full", Status::StorageFull}, {"full@300000", Status::StorageFull},
                 {"write@1", Status::WriteError}, {"gone@600000", Status::Gone}};
    for (const auto& c : cases) {
        ScopedEnv fault("ZEL_MTP_FAULT", c.fault);
        EXPECT_EQ(c.status, Send(data, Music().handle, u"a.mp3", made)) << c.fault;
        EXPECT_EQ(c.status, Send(data, Music().handle, u"new.mp3", made)) << c.fault;
    }
    EXPECT_EQ("first", folders.Read(folders.Player("Music/a.mp3")));
    EXPECT_EQ(std::vector<std::string>{"a.mp3"}, folders.Everything(folders.Player("Music")));

    // An unplugged player answers nothing at all; a full one shows no room.
    ScopedEnv gone("ZEL_MTP_FAULT", "gone");
    std::vector<StorageInfo> storages;
    std::vector<ObjectInfo> children;
    EXPECT_EQ((std::tuple{Status::Gone, Status::Gone, Status::Gone}),
              (std::tuple{player.Storages(storages), player.Children(kPlayer, kStorageRoot, children),
                          player.CreateFolder(kPlayer, kStorageRoot, u"New", made)}));
    ScopedEnv full("ZEL_MTP_FAULT", "full");
    ASSERT_EQ(Status::Ok, player.Storages(storages));
    EXPECT_EQ(0u, storages[0].freeSpace);
}

TEST_F(SimulatedBackend, PlaylistsHoldPlayerPathsInOrder) {
    ObjectInfo b, other, list;
    ASSERT_EQ(Status::Ok, Send("b", Music().handle, u"b.mp3", b));
    ASSERT_EQ(Status::Ok, player.CreateFolder(kCard, kStorageRoot, u"x.mp3", other));
    const uint32_t a = Children(kPlayer, Music().handle)[u"a.mp3"].handle;
    ASSERT_EQ(Status::Ok, player.WritePlaylist(kPlayer, kStorageRoot, u"Mix", {b.handle, other.handle, a}, 0, list));
    EXPECT_EQ((std::pair{std::u16string(u"Mix.pla"), uint16_t{kFormatPlaylist}}), (std::pair{list.name, list.format}));
    // An object of another storage has no place in it.
    EXPECT_EQ("\\Music\\b.mp3\n\\Music\\a.mp3\n", folders.Read(folders.Player("Mix.pla")));

    // Read back without regard to case; a line that names nothing is left out.
    folders.Write(folders.Player("Mix.pla"), "\\MUSIC\\A.mp3\r\n\\gone.mp3\n\\music\\b.mp3");
    std::vector<uint32_t> items;
    ASSERT_EQ(Status::Ok, player.PlaylistItems(list.handle, items));
    EXPECT_EQ((std::vector<uint32_t>{a, b.handle}), items);
    ObjectInfo replaced;
    ASSERT_EQ(Status::Ok, player.WritePlaylist(kPlayer, kStorageRoot, u"ignored", {a}, list.handle, replaced));
    EXPECT_EQ((std::pair{list.handle, std::string("\\Music\\a.mp3\n")}),
              (std::pair{replaced.handle, folders.Read(folders.Player("Mix.pla"))}));
}

}  // namespace
