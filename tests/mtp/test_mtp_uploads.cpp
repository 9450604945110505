// Files of an MTP player copied back to the computer, the upload folders, the
// password file, and what a deletion leaves of the player's database.
#include <dlfcn.h>

#include "mtp_fixture.h"

namespace {

class MtpUpload : public MtpTest {
protected:
    BOOL Upload(const std::u16string& devicePath, const std::u16string& folder) {
        std::u16string source = devicePath, destination = folder;
        return device->UploadFile(source.data(), destination.data(), 0, nullptr);
    }
};

TEST_F(MtpUpload, ACopyNeverWritesOverAFileOfTheComputer) {
    folders.Write(folders.Player("Record/talk.mp3"), "recorded");
    folders.Write(folders.Player("FirmUplist.txt"), "list");
    Start();
    pc.WriteFile("got/talk.mp3", "mine");
    const std::u16string got = pc.Win(u"got");

    // A name that a file has is numbered; the next copy takes the next number.
    EXPECT_EQ(pc.Win(u"got\\talk~(1).mp3"), device->UploadDestination(u"\\Record\\talk.mp3", got.c_str()).Str());
    ASSERT_EQ(1, Upload(u"\\Record\\talk.mp3", got));
    ASSERT_EQ(1, Upload(u"\\Record\\talk.mp3", got + u"\\"));
    EXPECT_EQ((std::vector<std::string>{"mine", "recorded", "recorded"}),
              (std::vector<std::string>{pc.ReadFile("got/talk.mp3"), pc.ReadFile("got/talk~(1).mp3"),
                                        pc.ReadFile("got/talk~(2).mp3")}));
    // The player's list of firmware files and a missing file are not copied.
    EXPECT_EQ(0, Upload(u"\\FirmUplist.txt", got));
    EXPECT_EQ(0, Upload(u"\\Record\\none.mp3", got));
    EXPECT_EQ((std::vector<std::string>{"talk.mp3", "talk~(1).mp3", "talk~(2).mp3"}),
              SimulatedPlayerFolders::Everything(pc.Host("got")));
}

TEST_F(MtpUpload, ACopyAlreadyMadeIsRecognisedByItsSizeAndTime) {
    folders.Write(folders.Player("Record/talk.mp3"), "recorded");
    Start();
    const std::u16string got = pc.Win(u"got");
    std::filesystem::create_directories(pc.Host("got"));
    ASSERT_TRUE(device->Move(u"Record"));
    ASSERT_EQ(1, Upload(u"\\Record\\talk.mp3", got));

    // The copy keeps the player's time: asked again, the device names it instead of a new name.
    BOOL there = 0;
    EXPECT_EQ(pc.Win(u"got\\talk.mp3"), device->UploadDestination(u"\\Record\\talk.mp3", got.c_str(), &there).Str());
    EXPECT_EQ(1, there);
    // A file of that name with other contents is no copy: the next free name.
    pc.WriteFile("got/talk.mp3", "another recording");
    EXPECT_EQ(pc.Win(u"got\\talk~(1).mp3"), device->UploadDestination(u"\\Record\\talk.mp3", got.c_str(), &there).Str());
    EXPECT_EQ(0, there);
    EXPECT_EQ("recorded", folders.Read(folders.Player("Record/talk.mp3")));
}

TEST_F(MtpUpload, UploadFoldersAndThePasswordFile) {
    Start([](tagDeviceSettings& s) {
        s.SpecialFolderCount = 2;
        SetField(s.SpecialFolders[1], u"Record");  // entry 0 stays empty: it names no folder
    });
    EXPECT_EQ(0, device->CanbeUploaded());
    ASSERT_EQ(1, device->MakeFolder(const_cast<LPWSTR>(u"Record")));
    ASSERT_TRUE(device->Move(u"Record"));
    EXPECT_EQ(1, device->CanbeUploaded());

    // The password file lands in the current folder; the computer keeps no copy.
    EXPECT_EQ(1, device->CreatePWFile(const_cast<LPWSTR>(u"abc")));
    EXPECT_EQ("abc", folders.Read(folders.Player("Record/password.dat")));
    EXPECT_EQ(0, device->CreatePWFile(nullptr));
    EXPECT_TRUE(SimulatedPlayerFolders::Everything(pc.Host("scratch")).empty());
}

TEST_F(MtpTest, DeletingAFileLeavesThePlayersOwnDatabaseAlone) {
    folders.Write(folders.Player("Music/a.mp3"), "a");
    // A database library named by the settings is loaded, but the player keeps its own database.
    std::u16string library = u"Z:" + std::u16string(ZelFromUtf8(ZEL_PLAYERDB_LIBRARY));
    std::replace(library.begin(), library.end(), u'/', u'\\');
    Start([&](tagDeviceSettings& s) {
        s.Capabilities |= ZEL_CAP_DATABASE;
        s.DriveLetter = u'P';  // where the library keeps its file
        SetField(s.DBLibraryPath, library);
    });
    void* database = dlopen(ZEL_PLAYERDB_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(nullptr, database) << "the device loaded the database library";
    auto add = reinterpret_cast<ZELDB_ADDRECORD_PROC>(dlsym(database, ZELDB_ADDRECORD_NAME));
    auto get = reinterpret_cast<ZELDB_GETRECORD_PROC>(dlsym(database, ZELDB_GETRECORD_NAME));
    tagDB_File record = Record(ZEL_MEDIA_MP3, u"\\Music", u"a.mp3");
    tagDB_File kept{};
    ASSERT_TRUE(add(&record) && get(u"\\Music\\a.mp3", &kept));

    ASSERT_TRUE(device->Move(u"Music"));
    ASSERT_EQ(ZEL_SUCCESS, device->DeleteFileDev(const_cast<LPWSTR>(u"a.mp3"), 0));
    EXPECT_FALSE(folders.Exists(folders.Player("Music/a.mp3")));
    EXPECT_TRUE(get(u"\\Music\\a.mp3", &kept));
    dlclose(database);
}

}  // namespace
