// Classification of real PC files by media type, and whether the player, its
// database and its current folder take them.
#include <sys/time.h>

#include <ctime>

#include "device_fixture.h"
#include "mediagen.h"

namespace {

struct AdmissionDevice : TestDevice {
    using CZEL_Device::m_strExtensions;

    // The list as CreateDevice leaves it: in the settings and in the copy.
    void Extensions(const std::u16string& list) {
        SetField(m_Settings.Extensions, list);
        m_strExtensions = list.c_str();
    }
    DWORD Type(std::u16string path, tagDB_File* record = nullptr) {
        auto scratch = std::make_unique<tagDB_File>();
        return GetMediaType(path.data(), record ? record : scratch.get());
    }
    BOOL Supported(DWORD code, std::u16string path) { return IsSupportedMedia(code, path.data()); }
    BOOL Format(std::u16string path) { return IsSupportFormat(path.data()); }
};

}  // namespace

TEST(MediaType, ClassifiesByExtensionAndFirstBytesOrRefuses) {
    TempDrive drive;
    AdmissionDevice device;
    device.Extensions(u"MP3.WMA.OGG.JPG.GIF.BMP.MPG.AVI.WMV.KVI.TXT.TS3.SWF.TTS");
    drive.WriteFile("Music/net.mp3", "NETSYNC container");
    drive.WriteFile("Music/abc.mp3", "abc");
    drive.WriteFile("Music/six.MP3", "NETSYN");
    auto record = std::make_unique<tagDB_File>();
    EXPECT_EQ(device.Type(drive.Win(u"Music\\net.mp3"), record.get()), ZEL_MEDIA_NETSYNC);
    EXPECT_EQ(record->MediaType, ZEL_MEDIA_NETSYNC);
    EXPECT_EQ(device.Type(drive.Win(u"Music\\abc.mp3"), record.get()), ZEL_MEDIA_MP3);
    EXPECT_EQ(record->FileSize, 3u);
    EXPECT_EQ(std::u16string(record->FileName), u"abc.mp3");
    EXPECT_EQ(std::u16string(record->Folder), drive.Win(u"Music"));
    EXPECT_EQ(device.Type(drive.Win(u"Music\\six.MP3")), ZEL_MEDIA_MP3);

    const std::pair<std::u16string, DWORD> byName[] = {
        {u"wma", ZEL_MEDIA_WMA}, {u"Ogg", ZEL_MEDIA_OGG}, {u"jpg", ZEL_MEDIA_JPG}, {u"gif", ZEL_MEDIA_GIF},
        {u"bmp", ZEL_MEDIA_BMP}, {u"mpg", ZEL_MEDIA_MPG}, {u"avi", ZEL_MEDIA_AVI}, {u"wmv", ZEL_MEDIA_WMV},
        {u"kvi", ZEL_MEDIA_KVI}, {u"txt", ZEL_MEDIA_TXT}, {u"ts3", ZEL_MEDIA_TS3}, {u"swf", ZEL_MEDIA_SWF},
        {u"TTS", ZEL_MEDIA_TTS}};
    for (const auto& [extension, code] : byName) {
        drive.WriteFile("x." + std::string(extension.begin(), extension.end()), "NETSYNC");
        EXPECT_EQ(device.Type(drive.Win(u"x." + extension)), code) << code;
    }

    // Size and times: the last write as set, the creation just now (UTC).
    drive.WriteFile("t.txt", std::string(70000, 'x'));
    const timeval times[2] = {{1614834367, 0}, {1614834367, 0}};  // 2021-03-04 05:06:07 UTC
    ASSERT_EQ(utimes(drive.Host("t.txt").c_str(), times), 0);
    EXPECT_EQ(device.Type(drive.Win(u"t.txt"), record.get()), ZEL_MEDIA_TXT);
    EXPECT_EQ(record->FileSize, 70000u);
    EXPECT_EQ(std::vector<DWORD>(record->Modified, record->Modified + 6), (std::vector<DWORD>{2021, 3, 4, 5, 6, 7}));
    std::time_t now = std::time(nullptr);
    std::tm today{};
    gmtime_r(&now, &today);
    EXPECT_NEAR(record->Created[0], today.tm_year + 1900, 1);

    // Refused files: the name is split into the record, the media type stays.
    device.Extensions(u"MP3.WMA.OGG");
    drive.WriteFile("Music/song.mp", "abc");
    drive.WriteFile("p.jpg", "");
    record->MediaType = 0x777;
    ZelInjectFault(drive.Win(u"Music\\net.mp3").c_str(), ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED);
    EXPECT_EQ(device.Type(drive.Win(u"Music\\net.mp3"), record.get()), 0u);
    EXPECT_EQ(record->MediaType, 0x777u);
    EXPECT_EQ(std::u16string(record->FileName), u"net.mp3");
    EXPECT_EQ(std::u16string(record->Folder), drive.Win(u"Music"));
    EXPECT_EQ(device.Type(drive.Win(u"p.jpg"), record.get()), 0u);  // a known extension, not this player's
    EXPECT_EQ(record->MediaType, 0x777u);
    EXPECT_EQ(std::u16string(record->FileName), u"p.jpg");
    // MP is found in the list text, so the file is read, then classified as nothing.
    EXPECT_EQ(device.Type(drive.Win(u"Music\\song.mp"), record.get()), 0u);
    EXPECT_EQ(record->MediaType, 0u);
    EXPECT_EQ(record->FileSize, 3u);
}

TEST(MediaType, AsfFilesNeedTheAgentsTagReader) {
    TempDrive drive;
    zelmediagen::AsfOptions video;
    video.video = true;
    ASSERT_TRUE(zelmediagen::WriteAsf(drive.Host("a.asf"), {}));
    ASSERT_TRUE(zelmediagen::WriteAsf(drive.Host("v.asf"), video));
    drive.WriteFile("t.asf", "text named as ASF");
    AdmissionDevice device;
    device.Extensions(u"ASF");
    EXPECT_EQ(device.Type(drive.Win(u"a.asf")), 0u);  // no reader before CreateDevice

    tagDeviceInfo info{};
    EXPECT_EQ(device.CreateDevice(&info, nullptr), ZEL_SUCCESS);
    EXPECT_EQ(device.Type(drive.Win(u"a.asf")), ZEL_MEDIA_ASF_AUDIO);
    EXPECT_EQ(device.Type(drive.Win(u"v.asf")), ZEL_MEDIA_ASF_VIDEO);
    EXPECT_EQ(device.Type(drive.Win(u"t.asf")), 0u);
}

TEST(Admission, IsSupportedMediaFollowsTheCapabilityBits) {
    AdmissionDevice device;
    device.Extensions(u"MP3.JPG.WMV.TXT.SWF.TS3.UCQ.UCI.TTS");
    const struct {
        DWORD code;
        const char16_t* path;
        DWORD bit;  // 0: none needed
    } rows[] = {{ZEL_MEDIA_NETSYNC, u"a.mp3", 0},          {ZEL_MEDIA_BMP, u"p.jpg", ZEL_CAP_IMAGE},
                {ZEL_MEDIA_KVI, u"v.wmv", ZEL_CAP_VIDEO},      {ZEL_MEDIA_TXT, u"t.txt", ZEL_CAP_TEXT},
                {ZEL_MEDIA_80002, u"t.txt", ZEL_CAP_MEDIA_80002}, {ZEL_MEDIA_SWF, u"x.swf", ZEL_CAP_SWF},
                {ZEL_MEDIA_TS3, u"x.ts3", ZEL_CAP_TS3},        {ZEL_MEDIA_UCQ, u"x.ucq", ZEL_CAP_MYAURO},
                {ZEL_MEDIA_UCI, u"x.uci", ZEL_CAP_UCI},        {ZEL_MEDIA_80030, u"t.txt", ZEL_CAP_GUIDE},
                {ZEL_MEDIA_TTS, u"x.tts", 0},                  {0x80050, u"t.txt", 0},
                {0x5, u"t.txt", 0}};
    for (const auto& row : rows) {
        device.m_Settings.Capabilities = ~row.bit;
        EXPECT_EQ(device.Supported(row.code, row.path), row.bit == 0 ? 1 : 0) << row.code;
        device.m_Settings.Capabilities = row.bit;
        EXPECT_EQ(device.Supported(row.code, row.path), 1) << row.code;
    }
    // Families in the order audio, image, video, other.
    device.m_Settings.Capabilities = ZEL_CAP_VIDEO;
    EXPECT_EQ(device.Supported(ZEL_MEDIA_AUDIO | ZEL_MEDIA_IMAGE | 1, u"a.mp3"), 1);
    EXPECT_EQ(device.Supported(ZEL_MEDIA_IMAGE | ZEL_MEDIA_VIDEO | 1, u"a.mp3"), 0);
    EXPECT_EQ(device.Supported(ZEL_MEDIA_VIDEO | ZEL_MEDIA_TXT, u"a.mp3"), 1);
    EXPECT_EQ(device.Supported(ZEL_MEDIA_MP3, u"a.flac"), 0);

    // IsSupportFormat reads the settings' list, not the copy CreateDevice made.
    SetField(device.m_Settings.Extensions, u"WMA.OGG");
    EXPECT_EQ(device.Format(u"E:\\a.wma"), 1);
    EXPECT_EQ(device.Format(u"E:\\b.Ogg"), 1);
    EXPECT_EQ(device.Format(u"E:\\a.mp3"), 0);
    EXPECT_EQ(device.Format(u"WMA"), 1);  // no dot: the whole name is the extension
    EXPECT_EQ(device.Supported(ZEL_MEDIA_WMA, u"E:\\a.wma"), 0);
}

TEST(Admission, CanTransferAsksThePlayerDatabase) {
    TempDrive drive;
    AdmissionDevice device;
    device.Extensions(u"MP3");
    EXPECT_EQ(device.CanTransfer(ZEL_MEDIA_MP3, ZEL_MEDIA_MP3, drive.Win(u"a.mp3").c_str()), 1);  // no database
    EXPECT_EQ(device.CanTransfer(ZEL_MEDIA_WMA, ZEL_MEDIA_WMA, drive.Win(u"a.wma").c_str()), 0);

    UseDatabase(device.m_Settings, drive);
    tagDeviceInfo info{};
    ASSERT_EQ(device.CreateDevice(&info, nullptr), ZEL_SUCCESS);
    tagDB_File record{};
    std::u16string path = drive.Win(u"Music\\a.mp3");
    ASSERT_NE(device.AddFileToDB(path.data(), &record), 0);
    EXPECT_EQ(device.CanTransfer(ZEL_MEDIA_MP3, ZEL_MEDIA_MP3, drive.Win(u"MUSIC\\A.MP3").c_str()), 0);
    EXPECT_EQ(device.CanTransfer(ZEL_MEDIA_MP3, ZEL_MEDIA_MP3, drive.Win(u"Music\\b.mp3").c_str()), 1);
}

TEST(Admission, CurrentLocationMustSuitTheMediaFamily) {
    AdmissionDevice device;
    device.m_strDriveRoot = u"E:\\";
    const char16_t* folders[] = {u"Music", u"Video", u"Photo", u"Texts"};
    for (int i = 0; i < 4; ++i) SetField(device.m_Settings.Folders[i], folders[i]);
    auto at = [&](const char16_t* folder, DWORD code) {
        device.MoveCurrentPath(u"");
        if (*folder) device.MoveCurrentPath(folder);
        return device.CanTransferCurrentLocation(code);
    };
    EXPECT_EQ(at(u"MUSIC", ZEL_MEDIA_MP3), ZEL_SUCCESS);
    EXPECT_EQ(at(u"MUSIC", ZEL_MEDIA_JPG), ZEL_ERR_FOLDER_MUSIC);
    EXPECT_EQ(at(u"MUSIC", ZEL_MEDIA_WMV), ZEL_ERR_FOLDER_VIDEO);
    EXPECT_EQ(at(u"MUSIC", ZEL_MEDIA_TXT), ZEL_ERR_FOLDER_TEXT);
    EXPECT_EQ(at(u"MUSIC", ZEL_MEDIA_TS3), ZEL_SUCCESS);
    EXPECT_EQ(at(u"", ZEL_MEDIA_MP3), ZEL_ERR_FOLDER_MUSIC);
    EXPECT_EQ(at(u"music\\Albums", ZEL_MEDIA_OGG), ZEL_SUCCESS);
    EXPECT_EQ(at(u"photo", ZEL_MEDIA_GIF), ZEL_SUCCESS);
    EXPECT_EQ(at(u"VIDEO", ZEL_MEDIA_ASF_VIDEO), ZEL_SUCCESS);
    EXPECT_EQ(at(u"texts", ZEL_MEDIA_TXT), ZEL_SUCCESS);
    EXPECT_EQ(at(u"Video\\Music", ZEL_MEDIA_MP3), ZEL_ERR_FOLDER_MUSIC);  // the expected text holds the drive root
    EXPECT_EQ(at(u"Photo", ZEL_MEDIA_IMAGE | ZEL_MEDIA_VIDEO | 1), ZEL_SUCCESS);  // image before video
}
