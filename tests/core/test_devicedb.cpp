// The database bridge of the device object against the reference player
// database library, loaded from the player's drive as a host configures it.
#include "ZELPlayerDB.h"
#include "core_fixture.h"

namespace {

class DeviceDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        library = InstallPlayerDB(drive);
        Configure(*device);
    }
    void Configure(TestDevice& d) {
        d.m_strDriveRoot = u"E:\\";
        d.m_Settings.Capabilities = ZEL_CAP_DATABASE;
        d.m_Settings.PlayerType = 1;
        d.m_Settings.DriveLetter = u'E';
        SetText(d.m_Settings.DBLibraryPath, library);
    }
    // Loads the library into d and opens the drive's database.
    void Open(TestDevice& d, int mode = 0) {
        ASSERT_EQ(d.DB_LoadDBLibrary(), 1);
        d.m_pfnZELDB_Create(d.m_Settings.DriveLetter, nullptr, mode);
    }
    // What the library loaded from the drive holds.
    std::vector<tagDB_File> Records() {
        HMODULE module = LoadLibraryW(library.c_str());  // the same module the device holds
        auto list = reinterpret_cast<decltype(&ZELDB_ListRecords)>(
            reinterpret_cast<void*>(GetProcAddress(module, "ZELDB_ListRecords")));
        std::vector<tagDB_File> records(static_cast<size_t>(list(nullptr, 0)));
        list(records.data(), static_cast<int>(records.size()));
        FreeLibrary(module);
        return records;
    }
    bool Holds(TestDevice& d, const std::u16string& path) {
        auto record = std::make_unique<tagDB_File>();
        return d.m_pfnZELDB_GetRecord(path.c_str(), record.get()) != 0;
    }
    BOOL AddFile(const std::u16string& path, DWORD mediaType, tagDB_File* out = nullptr) {
        tagDB_File record = Record(mediaType, u"C:\\pc", u"source");
        std::u16string text = path;
        BOOL result = device->AddFileToDB(text.data(), &record);
        if (out) *out = record;
        return result;
    }

    TempDrive drive;  // outlives the device, which writes the database when it lets the library go
    std::u16string library;
    std::unique_ptr<TestDevice> device = std::make_unique<TestDevice>();
};

TEST_F(DeviceDbTest, LoadNeedsTheLibraryAndAllFiveEntryPoints) {
    TestDevice none;
    EXPECT_EQ(none.DB_LoadDBLibrary(), 0);  // no path

    SetText(none.m_Settings.DBLibraryPath, drive.Win(u"System\\Missing.dll"));
    EXPECT_EQ(none.DB_LoadDBLibrary(), 0);

    std::filesystem::copy_file(ZEL_PARTIAL_PLAYERDB_LIBRARY, drive.Host("System/libPartialPlayerDB.so"));
    SetText(none.m_Settings.DBLibraryPath, drive.Win(u"System\\PartialPlayerDB.dll"));
    EXPECT_EQ(none.DB_LoadDBLibrary(), 0);
    EXPECT_NE(none.m_pfnZELDB_GetRecord, nullptr);  // what was found stays
    EXPECT_EQ(none.m_pfnZELDB_DBSync, nullptr);

    EXPECT_EQ(device->DB_LoadDBLibrary(), 1);
    EXPECT_EQ(device->DB_LoadDBLibrary(), 1);  // loading again lets the first go
}

TEST_F(DeviceDbTest, AddFileToDBSplitsThePathIntoTheRecord) {
    Open(*device);
    tagDB_File stored;
    EXPECT_NE(AddFile(u"E:\\Music\\a.mp3", ZEL_MEDIA_MP3, &stored), 0);
    EXPECT_EQ(std::u16string(stored.FileName), u"a.mp3");
    EXPECT_EQ(std::u16string(stored.Folder), u"E:\\Music");

    auto found = std::make_unique<tagDB_File>();
    ASSERT_NE(device->m_pfnZELDB_GetRecord(u"e:\\MUSIC\\A.MP3", found.get()), 0);
    EXPECT_EQ(std::u16string(found->FileName), u"a.mp3");
    EXPECT_EQ(std::u16string(found->Folder), u"E:\\Music");
    EXPECT_EQ(found->MediaType, ZEL_MEDIA_MP3);
}

TEST_F(DeviceDbTest, RvM41AndRvM43KeepOnlyAudio) {
    Open(*device);
    SetText(device->m_Settings.ModelName, u"RV-M43");
    tagDB_File refused;
    EXPECT_EQ(AddFile(u"E:\\Photo\\p.jpg", ZEL_MEDIA_JPG, &refused), 0);
    EXPECT_EQ(std::u16string(refused.FileName), u"p.jpg");  // the record was filled all the same
    EXPECT_TRUE(Records().empty());
    EXPECT_NE(AddFile(u"E:\\Music\\a.mp3", ZEL_MEDIA_MP3), 0);
    EXPECT_NE(AddFile(u"E:\\Music\\b.wma", ZEL_MEDIA_ASF_AUDIO), 0);

    SetText(device->m_Settings.ModelName, u"RV-M41");
    EXPECT_EQ(AddFile(u"E:\\Video\\v.wmv", ZEL_MEDIA_WMV), 0);
    EXPECT_EQ(AddFile(u"E:\\Text\\t.txt", ZEL_MEDIA_TXT), 0);

    SetText(device->m_Settings.ModelName, u"RV-M410");
    EXPECT_NE(AddFile(u"E:\\Photo\\p.jpg", ZEL_MEDIA_JPG), 0);
    std::vector<tagDB_File> records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(std::u16string(records[2].FileName), u"p.jpg");
}

TEST_F(DeviceDbTest, DeleteFileToDBForgetsTheFile) {
    Open(*device);
    AddFile(u"E:\\Music\\a.mp3", ZEL_MEDIA_MP3);
    std::u16string path = u"E:\\music\\a.MP3";
    EXPECT_NE(device->DeleteFileToDB(path.data()), 0);
    EXPECT_EQ(device->DeleteFileToDB(path.data()), 0);
    EXPECT_FALSE(Holds(*device, u"E:\\Music\\a.mp3"));
}

TEST_F(DeviceDbTest, TreeEntriesAreLookedUpWhenTheDatabaseIsInUse) {
    Open(*device);
    AddFile(u"E:\\Music\\a.mp3", ZEL_MEDIA_MP3);
    CZEL_File a = Entry(u"a.mp3", false, u"E:\\Music\\a.mp3");
    CZEL_File b = Entry(u"b.mp3", false, u"E:\\Music\\b.mp3");
    CZEL_File sub = Entry(u"Sub", true, u"E:\\Music\\Sub");
    device->Add2Tree(&a, 1);
    device->Add2Tree(&b, 1);
    device->Add2Tree(&sub, 1);
    EXPECT_EQ(a.InDatabase, 1u);
    EXPECT_EQ(b.InDatabase, 0u);
    EXPECT_EQ(sub.InDatabase, 1u);

    // A listed folder: files are looked up by the path MakeTree gives them.
    device->MoveCurrentPath(u"Music");
    ASSERT_EQ(device->HaveChild(u"Music"), 1);
    device->ClearInnerBuffer();
    device->m_EnumList.push_back(Entry(u"A.MP3"));
    device->m_EnumList.push_back(Entry(u"c.mp3"));
    device->MakeTree();
    auto it = device->m_itCurrent.begin();
    std::vector<DWORD> inDatabase;
    for (; it != device->m_itCurrent.end(); ++it) inDatabase.push_back(it->InDatabase);
    EXPECT_EQ(inDatabase, (std::vector<DWORD>{1, 0, 1, 1, 0}));

    // PLP players and players without the capability never ask.
    device->m_Settings.PlayerType = 2;
    device->MakeTree();
    device->m_Settings.PlayerType = 1;
    device->m_Settings.Capabilities = 0;
    device->MakeTree();
    inDatabase.clear();
    for (it = device->m_itCurrent.begin(); it != device->m_itCurrent.end(); ++it) inDatabase.push_back(it->InDatabase);
    EXPECT_EQ(inDatabase, (std::vector<DWORD>{1, 0, 1, 1, 0, 1, 1, 1, 1}));
}

TEST_F(DeviceDbTest, RecordsOutliveTheDeviceObject) {
    Open(*device);
    AddFile(u"E:\\Music\\a.mp3", ZEL_MEDIA_MP3);
    device->m_pfnZELDB_DBSync(1);
    AddFile(u"E:\\Music\\b.mp3", ZEL_MEDIA_MP3);  // not synced: written when the library goes
    device.reset();
    EXPECT_TRUE(drive.Exists("System/PlayerDB.zdb"));

    TestDevice next;
    Configure(next);
    Open(next);
    EXPECT_TRUE(Holds(next, u"E:\\Music\\a.mp3"));
    EXPECT_TRUE(Holds(next, u"E:\\Music\\b.mp3"));

    // Mode 1 makes the database afresh.
    next.m_pfnZELDB_Create(u'E', nullptr, 1);
    EXPECT_FALSE(Holds(next, u"E:\\Music\\a.mp3"));
    EXPECT_TRUE(Records().empty());
}

}  // namespace
