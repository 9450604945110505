// Uploads from the player to the computer: the upload folders, numbered names
// and the same-time rule, the player's file deleted only after a whole copy,
// movies in the player's format converted (or copied when the converter is
// missing), and game packages installed onto the player.
#include <chrono>

#include "ZELDevice/ums/CopyProgress.h"
#include "mediagen.h"
#include "ums_fixture.h"

namespace {

namespace fs = std::filesystem;
namespace mg = zelmediagen;

std::u16string Win(const TempDrive& on, const std::string& relative) {
    std::u16string path(relative.begin(), relative.end());
    std::replace(path.begin(), path.end(), u'/', u'\\');
    return on.Win(path);
}

class UmsUploads : public UmsTest {
protected:
    void SetUp() override {
        for (const char* folder : {"Record/Voice", "Radio/FM", "Music"}) fs::create_directories(drive.Host(folder));
        Start([](tagDeviceSettings& s) {
            s.Capabilities |= ZEL_CAP_NEW_CONTENT;
            s.SpecialFolderCount = 2;
            SetField(s.SpecialFolders[0], u"Record");
            SetField(s.SpecialFolders[1], u"Radio\\FM");
        });
        fs::create_directories(pc.Host("up"));
    }
    void TearDown() override { zelums::ResetCopyProgress(); }

    std::u16string Upload(const std::string& onPlayer, int deleteAfter = 0) {
        return device.AutoUpload(Win(drive, onPlayer).c_str(), pc.Win(u"up\\").c_str(), deleteAfter).Str();
    }
    // Sets a file's last-write time hours before now.
    static void Age(const TempDrive& on, const std::string& relative, int hours) {
        fs::last_write_time(on.Host(relative), fs::file_time_type::clock::now() - std::chrono::hours(hours));
    }
    std::vector<std::string> Uploaded() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(pc.Host("up"))) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    void GoTo(std::initializer_list<const char16_t*> folders) {
        while (!device.IsDeviceRoot()) device.Move(u"..");
        for (const char16_t* folder : folders) device.Move(folder);
    }
    std::string Movie(const std::string& relative) {
        mg::MovieOptions options;
        EXPECT_TRUE(mg::WriteMovie(drive.Host(relative), options));
        return relative;
    }
};

TEST_F(UmsUploads, UploadFoldersAreTheValidSpecialFolders) {
    struct Case {
        std::initializer_list<const char16_t*> folders;
        BOOL inside;
    };
    const Case cases[] = {
        {{}, 0},          {{u"Record"}, 1},        {{u"Record", u"Voice"}, 1}, {{u"RECORD"}, 1},
        {{u"Music"}, 0},  {{u"Radio"}, 0},          {{u"Radio", u"FM"}, 1},
    };
    for (const Case& c : cases) {
        GoTo(c.folders);
        EXPECT_EQ(c.inside, device.CanbeUploaded()) << ZelToUtf8(device.GetCurrentPath().Str());
    }
    // Only SpecialFolderCount entries count, and an empty one names no folder.
    device.m_Settings.SpecialFolderCount = 1;
    GoTo({u"Radio", u"FM"});
    EXPECT_EQ(0, device.CanbeUploaded());
    SetField(device.m_Settings.SpecialFolders[0], u"");
    GoTo({u"Music"});
    EXPECT_EQ(0, device.CanbeUploaded());
}

TEST_F(UmsUploads, NewContentComesFromTheUploadFoldersInOrder) {
    for (const char* name : {"Record/b.mp3", "Record/Voice/a.MP3", "Record/c.jpg", "Record/clip.avi",
                             "Radio/FM/show.mp3", "Music/song.mp3", "Later/late.mp3"})
        drive.WriteFile(name, "x");
    SetField(device.m_Settings.SpecialFolders[3], u"Later");  // after the empty entry 2: never searched
    auto content = [&](int kind) {
        CStringList list;
        list.AddTail(u"from before");
        device.GetNewContent(kind, &list);
        std::vector<std::u16string> paths;
        for (POSITION at = list.GetHeadPosition(); at != nullptr;) paths.push_back(list.GetNext(at).Str());
        return paths;
    };
    using Paths = std::vector<std::u16string>;
    EXPECT_EQ((Paths{drive.Win(u"Record\\b.mp3"), drive.Win(u"Record\\Voice\\a.MP3"), drive.Win(u"Radio\\FM\\show.mp3")}),
              content(3));
    EXPECT_EQ((Paths{drive.Win(u"Record\\clip.avi")}), content(1));
    EXPECT_EQ((Paths{drive.Win(u"Record\\c.jpg")}), content(2));
    EXPECT_EQ(Paths{}, content(4));
    device.m_Settings.Capabilities &= ~ZEL_CAP_NEW_CONTENT;
    EXPECT_EQ(Paths{u"from before"}, content(3)) << "a player that offers nothing leaves the list alone";
}

TEST_F(UmsUploads, NumberedNames) {
    struct Case {
        const char16_t* path;
        int number;
        const char16_t* numbered;
    };
    const Case cases[] = {
        {u"P:\\up\\talk.mp3", 1, u"P:\\up\\talk~(1).mp3"},
        {u"P:\\up\\talk~(1).mp3", 2, u"P:\\up\\talk~(2).mp3"},
        {u"P:\\up\\talk~(9).mp3", 10, u"P:\\up\\talk~(10).mp3"},
        {u"P:\\up\\talk~(100).mp3", 101, u"P:\\up\\talk~(101).mp3"},
        {u"P:\\up\\talk~(x).mp3", 1, u"P:\\up\\talk~(x)~(1).mp3"},
        {u"P:\\up\\a.b.c", 1, u"P:\\up\\a.b~(1).c"},
        {u"P:\\up.d\\~(1)README", 2, u"P:\\up.d\\~(2)README"},
        {u"README", 1, u"~(1)README"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.numbered, device.ChangeFileName(c.path, c.number).Str()) << ZelToUtf8(c.path);
}

TEST_F(UmsUploads, TakenNamesAreNumberedAndTheSameFileIsNotCopiedAgain) {
    drive.WriteFile("Record/talk.mp3", "first recording");
    Age(drive, "Record/talk.mp3", 2);
    pc.WriteFile("up/talk.mp3", "an older upload of another talk");
    Age(pc, "up/talk.mp3", 30);

    EXPECT_EQ(pc.Win(u"up\\talk~(1).mp3"), Upload("Record/talk.mp3"));
    EXPECT_EQ("first recording", pc.ReadFile("up/talk~(1).mp3"));
    EXPECT_EQ("an older upload of another talk", pc.ReadFile("up/talk.mp3"));
    // talk~(1).mp3 has the recording's time: it is already on the computer.
    EXPECT_EQ(u"", Upload("Record/talk.mp3"));
    BOOL there = 0;
    EXPECT_EQ(pc.Win(u"up\\talk~(1).mp3"),
              device.UploadDestination(drive.Win(u"Record\\talk.mp3").c_str(), pc.Win(u"up").c_str(), &there).Str());
    EXPECT_EQ(1, there);
    EXPECT_EQ((std::vector<std::string>{"talk.mp3", "talk~(1).mp3"}), Uploaded());

    drive.WriteFile("Record/talk.mp3", "the recording, changed");
    Age(drive, "Record/talk.mp3", 1);
    EXPECT_EQ(pc.Win(u"up\\talk~(2).mp3"),
              device.UploadDestination(drive.Win(u"Record\\talk.mp3").c_str(), pc.Win(u"up").c_str(), &there).Str());
    EXPECT_EQ(0, there);
    EXPECT_EQ(pc.Win(u"up\\talk~(2).mp3"), Upload("Record/talk.mp3"));
    EXPECT_EQ("the recording, changed", pc.ReadFile("up/talk~(2).mp3"));
    EXPECT_EQ("first recording", pc.ReadFile("up/talk~(1).mp3"));
    EXPECT_EQ((std::vector<std::string>{"talk.mp3", "talk~(1).mp3", "talk~(2).mp3"}), Uploaded());
    EXPECT_TRUE(drive.Exists("Record/talk.mp3")) << "kept without the delete-after flag";
}

TEST_F(UmsUploads, ThePlayersFileGoesOnlyAfterAWholeCopy) {
    const std::string data(3 << 20, 'r');
    drive.WriteFile("Record/Voice/memo.mp3", data);
    GoTo({u"Record", u"Voice"});
    ASSERT_EQ(1u, device.Count(u"memo.mp3"));

    // A disk that fills, then a host that cancels: nothing lands, the recording stays.
    const int fault = ZelInjectFault(pc.Win(u"up\\*").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 100000);
    EXPECT_EQ(u"", Upload("Record/Voice/memo.mp3", 1));
    ZelRemoveFault(fault);
    host.onMessage = [&](WPARAM event, LPARAM) {
        if (event == ZEL_EVENT_PERCENT) device.CancelTransfer();
    };
    EXPECT_EQ(u"", Upload("Record/Voice/memo.mp3", 1));
    host.onMessage = nullptr;
    // A whole copy that cannot take its name is not left under its hidden one either.
    const int stuck = ZelInjectFault(pc.Win(u"up\\memo.mp3").c_str(), ZEL_FAULT_RENAME, ERROR_ACCESS_DENIED);
    EXPECT_EQ(u"", Upload("Record/Voice/memo.mp3", 1));
    ZelRemoveFault(stuck);
    EXPECT_TRUE(Uploaded().empty()) << "no partial or hidden copy is left";
    EXPECT_TRUE(drive.Exists("Record/Voice/memo.mp3"));

    host.messages.clear();
    EXPECT_EQ(pc.Win(u"up\\memo.mp3"), Upload("Record/Voice/memo.mp3", 1));
    EXPECT_TRUE(pc.ReadFile("up/memo.mp3") == data);
    EXPECT_FALSE(drive.Exists("Record/Voice/memo.mp3"));
    EXPECT_EQ(0u, device.Count(u"memo.mp3")) << "the tree of the shown folder forgets it";
    EXPECT_EQ(100, host.Values(ZEL_EVENT_PERCENT).back());
    EXPECT_EQ((std::vector<std::string>{"memo.mp3"}), Uploaded());
}

TEST_F(UmsUploads, PlayerMoviesArriveAsAvi) {
    Movie("Record/clip.vmf");
    pc.WriteFile("up/clip.avi", "someone else's movie");
    Age(pc, "up/clip.avi", 30);
    EXPECT_EQ(pc.Win(u"up\\clip~(1).avi"), Upload("Record/clip.vmf"));
    EXPECT_EQ("someone else's movie", pc.ReadFile("up/clip.avi"));
    const mg::MovieInfo movie = mg::ReadMovie(pc.Host("up/clip~(1).avi"));
    EXPECT_EQ("avi", movie.container);
    ASSERT_EQ(2u, movie.streams.size());
    EXPECT_TRUE(movie.streams[0].video);
    EXPECT_GE(movie.pictures, 9);
    // The movie keeps the recording's time, so it is not converted twice.
    EXPECT_EQ(u"", Upload("Record/clip.vmf"));

    // Both forms of UploadFile; a .vmf that holds no movie gives 0 and no file.
    drive.WriteFile("Record/note.vmf", "a note, not a movie");
    GoTo({u"Record"});
    std::u16string source = u"clip.vmf", folder = pc.Win(u"up");
    EXPECT_EQ(1, device.UploadFile(source.data(), folder.data(), 0, nullptr));
    EXPECT_EQ("avi", mg::ReadMovie(pc.Host("up/clip.avi")).container) << "form 0 replaces the destination it names";
    std::u16string note = drive.Win(u"Record\\note.vmf"), target = pc.Win(u"up\\note.vmf");
    EXPECT_EQ(0, device.UploadFile(note.data(), target.data(), 1, nullptr));
    EXPECT_FALSE(pc.Exists("up/note.avi") || pc.Exists("up/note.vmf"));
    EXPECT_EQ((std::vector<std::string>{"clip.avi", "clip~(1).avi"}), Uploaded());
}

TEST_F(UmsUploads, WithoutTheConverterMoviesAreCopiedAsTheyAre) {
    const int missing = ZelInjectFault(u"*xvmf2avi*", ZEL_FAULT_OPEN, ERROR_MOD_NOT_FOUND);
    Movie("Record/clip.vmf");
    EXPECT_EQ(pc.Win(u"up\\clip.vmf"), Upload("Record/clip.vmf"));
    EXPECT_TRUE(pc.ReadFile("up/clip.vmf") == drive.ReadFile("Record/clip.vmf"));
    drive.WriteFile("Record/note.vmf", "a note, not a movie");
    std::u16string note = drive.Win(u"Record\\note.vmf"), target = pc.Win(u"up\\note.vmf");
    EXPECT_EQ(1, device.UploadFile(note.data(), target.data(), 1, nullptr));
    EXPECT_EQ("a note, not a movie", pc.ReadFile("up/note.vmf"));
    ZelRemoveFault(missing);
}

class UmsGamePackage : public UmsTest {
protected:
    void TearDown() override { zelums::ResetCopyProgress(); }
    void Package() {
        pc.WriteFile("Downloads/Tetris/game.bin", std::string(300000, 'g'));
        pc.WriteFile("Downloads/Tetris/data/level1.dat", std::string(200000, '1'));
        pc.WriteFile("Downloads/Tetris/data/level2.dat", "2");
    }
    void Install(const std::u16string& folder) {
        host.messages.clear();
        device.GameUpload(CString(folder.c_str()));
    }
};

TEST_F(UmsGamePackage, LandsInTheGameFolderAndTheDownloadGoes) {
    for (const auto& [product, root] : {std::pair{WORD{0x5000}, std::string("Games/prg")},
                                        std::pair{WORD{0x5119}, std::string("My Pack/Games/prg")}}) {
        SCOPED_TRACE(root);
        TestUMS target;
        ASSERT_EQ(ZEL_SUCCESS, Create(target, DriveInfo(u'E', product)));
        Package();
        host.messages.clear();
        target.GameUpload(CString(pc.Win(u"Downloads\\Tetris\\").c_str()));
        EXPECT_EQ(std::string(300000, 'g'), drive.ReadFile(root + "/Tetris/game.bin"));
        EXPECT_EQ(std::string(200000, '1'), drive.ReadFile(root + "/Tetris/data/level1.dat"));
        EXPECT_EQ("2", drive.ReadFile(root + "/Tetris/data/level2.dat"));
        EXPECT_FALSE(pc.Exists("Downloads/Tetris"));
        EXPECT_TRUE(pc.Exists("Downloads"));

        ASSERT_GE(host.messages.size(), 3u);
        EXPECT_EQ(Event(ZEL_EVENT_BEGIN, 0), host.messages.front());
        EXPECT_EQ(Event(ZEL_EVENT_END, ZEL_SUCCESS), host.messages.back());
        const std::vector<LPARAM> percents = host.Values(ZEL_EVENT_PERCENT);
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
        EXPECT_EQ(100, percents.back());
        EXPECT_EQ(0u, target.m_BatchTotal);
        EXPECT_EQ(0u, zelums::CopyBatchTotal());
    }
}

TEST_F(UmsGamePackage, AFailedInstallKeepsTheDownload) {
    Start();
    Package();
    const int fault = ZelInjectFault(drive.Win(u"Games\\prg\\Tetris\\data\\*").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL);
    Install(pc.Win(u"Downloads\\Tetris"));
    ZelRemoveFault(fault);
    EXPECT_EQ(Event(ZEL_EVENT_END, ZEL_ERR_COPY), host.messages.back());
    EXPECT_TRUE(pc.Exists("Downloads/Tetris/data/level1.dat"));
    EXPECT_FALSE(drive.Exists("Games/prg/Tetris/data/level1.dat"));
    EXPECT_EQ(0u, device.m_BatchTotal);

    // The installed game is no download: naming it (or a folder around it) changes nothing.
    Install(pc.Win(u"Downloads\\Tetris"));
    ASSERT_TRUE(drive.Exists("Games/prg/Tetris/data/level1.dat"));
    std::u16string hostForm = u"Z:" + ZelFromUtf8(drive.Host("Games/prg/Tetris"));
    std::replace(hostForm.begin(), hostForm.end(), u'/', u'\\');
    for (const std::u16string& folder : {drive.Win(u"Games\\prg\\Tetris"), drive.Win(u"Games"), hostForm}) {
        Install(folder);
        EXPECT_TRUE(host.messages.empty()) << ZelToUtf8(folder);
        EXPECT_TRUE(drive.Exists("Games/prg/Tetris/data/level1.dat"));
    }
}

}  // namespace
