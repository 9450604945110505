// Preparing a mass-storage player for unplugging, and writing its database.
// This suite also runs from a folder without the safe-removal library
// (ZEL_REMOVAL_LIBRARY_BESIDE 0), where the removal is skipped but the
// database library is still let go.
#include "database_file.h"
#include "ums_fixture.h"
#include "zelcompat/debug.h"
#include "zelcompat/modules.h"

#ifndef ZEL_REMOVAL_LIBRARY_BESIDE
#define ZEL_REMOVAL_LIBRARY_BESIDE 1
#endif

namespace {

constexpr bool kRemovalLibraryBeside = ZEL_REMOVAL_LIBRARY_BESIDE != 0;

class RemovalUMS : public TestUMS {
public:
    using CZEL_Device::m_hDBLibrary;
};

class UmsSafeRemoval : public UmsTest {
protected:
    ~UmsSafeRemoval() override { ZelSetWindowsVersion(5, 1, VER_PLATFORM_WIN32_NT); }
    // A player with its database library loaded and one record it has not written yet.
    void SetUpPlayer(RemovalUMS& player) {
        std::filesystem::remove_all(drive.Host("System/PlayerDB.zdb"));
        ASSERT_EQ(ZEL_SUCCESS, Create(player, DriveInfo(), WithDatabase()));
        ASSERT_NE(nullptr, player.m_hDBLibrary);
        tagDB_File record{};
        record.MediaType = ZEL_MEDIA_MP3;
        std::u16string path = Put(drive, "Music/a.mp3", "a");
        ASSERT_TRUE(player.AddFileToDB(path.data(), &record));
    }
};

TEST_F(UmsSafeRemoval, FlushesTheDriveAndLetsTheDatabaseLibraryGo) {
    HMODULE removal = LoadLibraryW(u"SFRemove.dll");
    ASSERT_EQ(kRemovalLibraryBeside, removal != nullptr);
    if (removal != nullptr) FreeLibrary(removal);

    struct Case {
        DWORD major, minor, platform;
        bool prepared;  // Windows 98 and Me have nothing to prepare
    };
    for (const Case& c : {Case{5, 1, VER_PLATFORM_WIN32_NT, true}, Case{6, 0, VER_PLATFORM_WIN32_NT, true},
                          Case{4, 10, VER_PLATFORM_WIN32_WINDOWS, false},
                          Case{4, 90, VER_PLATFORM_WIN32_WINDOWS, false}}) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor);
        RemovalUMS player;
        SetUpPlayer(player);
        ZelSetWindowsVersion(c.major, c.minor, c.platform);
        DebugLines debug;
        player.SafeRemoved();
        ZelSetWindowsVersion(5, 1, VER_PLATFORM_WIN32_NT);

        EXPECT_EQ(c.prepared && kRemovalLibraryBeside,
                  debug.Has(u"[SFRemove] E: flushed; the player may be unplugged\n"));
        EXPECT_EQ(c.prepared, player.m_hDBLibrary == nullptr);
        // Let go, the library wrote the record it held.
        EXPECT_EQ(c.prepared ? 1 : -1, DatabaseFileRecords(drive));
    }
}

TEST_F(UmsSafeRemoval, UpdateDataBaseWritesTheDatabaseFile) {
    RemovalUMS player;
    SetUpPlayer(player);
    EXPECT_EQ(-1, DatabaseFileRecords(drive));
    player.UpdateDataBase(0);
    EXPECT_EQ(1, DatabaseFileRecords(drive));
}

}  // namespace
