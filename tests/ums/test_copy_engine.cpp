// The copy engine: both copy methods and the buffer route, cancellation from
// the host's window procedure, failures that leave nothing behind, batch
// progress, and the numbered movie names of the 0x120E player.
#include "ZELDevice/ums/CopyProgress.h"
#include "ums_fixture.h"

namespace {

std::string Pattern(size_t size) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
    return data;
}

class UmsCopyEngine : public UmsTest {
protected:
    void SetUp() override {
        Start();
        device.m_strDestFolder = drive.Win(u"Music\\").c_str();
    }
    void TearDown() override { zelums::ResetCopyProgress(); }
    void StartTransfer() {
        device.m_bCancel = 0;
        zelums::ResetCopyPercent();
        host.messages.clear();
    }
    // The file route into the destination folder; written is where the file landed.
    DWORD Copy(const std::u16string& source, LPCWSTR name) {
        StartTransfer();
        written.Empty();
        return device.TransferFileThroughMSC(source.c_str(), device.m_strDestFolder + name, written);
    }
    DWORD WriteBuffer(std::vector<BYTE> buffer, LPCWSTR name) {
        StartTransfer();
        device.m_pTransferBuffer = buffer.data();
        const DWORD result =
            device.TransferFileThroughMSC(static_cast<DWORD>(buffer.size()), device.m_strDestFolder + name);
        device.m_pTransferBuffer = nullptr;
        return result;
    }
    // Rising percentages that end at 100, at most 101 of them.
    void ExpectSaneProgress() {
        const std::vector<LPARAM> values = host.Values(ZEL_EVENT_PERCENT);
        ASSERT_FALSE(values.empty());
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
        EXPECT_EQ(100, values.back());
        EXPECT_LE(values.size(), 101u);
    }
    CString written;
};

TEST_F(UmsCopyEngine, CancelsAndFailuresLeaveNoPartialFile) {
    const std::u16string source = PcFile("big.bin", Pattern(3 << 20));
    // The NT and 9x file copies and the buffer route: cancelled from the host's window
    // procedure at the first percentage, then with the disk full after 300 000 bytes.
    struct Route { DWORD old; bool buffer; DWORD full; };
    for (const Route& r :
         {Route{0, false, ZEL_ERR_COPY}, Route{1, false, ZEL_ERR_COPY}, Route{0, true, ZEL_ERR_DESTINATION}}) {
        SCOPED_TRACE(testing::Message() << r.old << r.buffer);
        device.m_bOldWindows = r.old;
        auto copy = [&] { return r.buffer ? WriteBuffer(std::vector<BYTE>(4 << 20, 1), u"big.bin") : Copy(source, u"big.bin"); };
        host.onMessage = [&](WPARAM event, LPARAM) {
            if (event == ZEL_EVENT_PERCENT) device.CancelTransfer();
        };
        EXPECT_EQ(ZEL_ERR_CANCELLED, copy());
        EXPECT_FALSE(drive.Exists("Music/big.bin"));
        EXPECT_EQ(1u, host.Values(ZEL_EVENT_PERCENT).size());  // nothing was copied after the cancel
        host.onMessage = nullptr;
        const int fault = ZelInjectFault(drive.Win(u"Music\\*").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 300000);
        EXPECT_EQ(r.full, copy());
        ZelRemoveFault(fault);
        EXPECT_FALSE(drive.Exists("Music/big.bin"));
    }

    // 9x family: "P:\" + 100 + "\" + 157 units is one too long; the NT family copies it.
    device.m_bOldWindows = 1;
    const std::u16string longSource = PcFile(std::string(100, 'd') + "/" + std::string(157, 'x'), "data");
    ASSERT_EQ(261u, longSource.size());
    EXPECT_EQ(ZEL_ERR_PATH, Copy(longSource, u"long.mp3"));
    EXPECT_EQ(ZEL_ERR_COPY, Copy(PcFile("empty.mp3", ""), u"empty.mp3"));
    EXPECT_EQ(ZEL_ERR_PATH, Copy(pc.Win(u"NoFolder\\a.mp3"), u"a.mp3"));
    EXPECT_EQ(ZEL_ERR_COPY, Copy(pc.Win(u"missing.mp3"), u"a.mp3"));
    device.m_bOldWindows = 0;
    EXPECT_EQ(ZEL_SUCCESS, Copy(longSource, u"long.mp3"));
}

// A file of the same name that a copy was to replace stays as it was (content
// and read-only bit) when the copy is cancelled or the drive fills up, on every
// route, and no temporary file is left beside it.
TEST_F(UmsCopyEngine, AnUnfinishedReplacementKeepsTheOldFileOnEveryRoute) {
    const std::u16string source = PcFile("big.bin", Pattern(3 << 20));
    struct Route { const char* name; DWORD old; bool buffer; };
    for (const Route& r : {Route{"system copy", 0, false}, Route{"stream copy", 1, false}, Route{"buffer", 0, true}}) {
        SCOPED_TRACE(r.name);
        drive.WriteFile("Music/big.bin", "the old song");
        ASSERT_TRUE(SetFileAttributesW(drive.Win(u"Music\\big.bin").c_str(), FILE_ATTRIBUTE_READONLY));
        device.m_bOldWindows = r.old;
        auto copy = [&] { return r.buffer ? WriteBuffer(std::vector<BYTE>(4 << 20, 1), u"big.bin") : Copy(source, u"big.bin"); };
        auto expectOldFileAlone = [&] {
            EXPECT_EQ("the old song", drive.ReadFile("Music/big.bin"));
            EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY),
                      GetFileAttributesW(drive.Win(u"Music\\big.bin").c_str()) & FILE_ATTRIBUTE_READONLY);
            std::vector<std::string> names;
            for (const auto& entry : std::filesystem::directory_iterator(drive.Host("Music")))
                names.push_back(entry.path().filename().string());
            EXPECT_EQ(std::vector<std::string>{"big.bin"}, names);
        };
        host.onMessage = [&](WPARAM event, LPARAM) {
            if (event == ZEL_EVENT_PERCENT) device.CancelTransfer();
        };
        EXPECT_EQ(ZEL_ERR_CANCELLED, copy());
        host.onMessage = nullptr;
        expectOldFileAlone();
        const int fault = ZelInjectFault(drive.Win(u"Music\\*").c_str(), ZEL_FAULT_WRITE, ERROR_DISK_FULL, 300000);
        EXPECT_TRUE(ZelFailed(copy()));
        ZelRemoveFault(fault);
        expectOldFileAlone();

        ASSERT_EQ(ZEL_SUCCESS, copy());
        EXPECT_EQ(r.buffer ? size_t(4) << 20 : size_t(3) << 20, std::filesystem::file_size(drive.Host("Music/big.bin")));
        std::filesystem::remove(drive.Host("Music/big.bin"));
    }
}

TEST_F(UmsCopyEngine, SingleFilesOverwriteReadOnlyAndReportProgress) {
    for (DWORD old : {0u, 1u}) {
        device.m_bOldWindows = old;
        drive.WriteFile("Music/song.mp3", "old");
        SetFileAttributesW(drive.Win(u"Music\\song.mp3").c_str(), FILE_ATTRIBUTE_READONLY);
        const std::string data = Pattern(old ? 20 << 20 : 1 << 20);  // 160 blocks of the stream copy
        ASSERT_EQ(ZEL_SUCCESS, Copy(PcFile("song.mp3", data), u"song.mp3")) << old;
        EXPECT_TRUE(drive.ReadFile("Music/song.mp3") == data) << old;
        EXPECT_EQ(CString(drive.Win(u"Music\\song.mp3").c_str()), written);
        ExpectSaneProgress();
    }
    // CopyFileExW reports every MiB: 128 callbacks, at most 101 messages.
    device.m_bOldWindows = 0;
    pc.WriteFile("sparse.bin", "");
    std::filesystem::resize_file(pc.Host("sparse.bin"), 128u << 20);
    ASSERT_EQ(ZEL_SUCCESS, Copy(pc.Win(u"sparse.bin"), u"sparse.bin"));
    ExpectSaneProgress();

    ASSERT_EQ(ZEL_SUCCESS, WriteBuffer(std::vector<BYTE>(20 << 20, 7), u"b.mp3"));
    EXPECT_EQ(20u << 20, std::filesystem::file_size(drive.Host("Music/b.mp3")));
    ExpectSaneProgress();
    for (LPARAM value : host.Values(ZEL_EVENT_PERCENT)) EXPECT_EQ(0, value % 4);  // every fourth percent
}

TEST_F(UmsCopyEngine, BatchesShareOneRisingProgressBar) {
    CStringArray sources, destinations;
    EXPECT_EQ(ZEL_SUCCESS, device.CopyBatch(sources, destinations));
    EXPECT_EQ((std::vector<LPARAM>{100}), host.Values(ZEL_EVENT_PERCENT));

    const size_t sizes[] = {3 << 20, 1 << 20, 2 << 20};
    for (size_t k = 0; k < 3; ++k) {
        const std::string name = "part" + std::to_string(k) + ".bin";
        sources.Add(PcFile(name, Pattern(sizes[k])).c_str());
        destinations.Add((drive.Win(u"Music\\") + std::u16string(name.begin(), name.end())).c_str());
    }
    for (DWORD old : {0u, 1u}) {
        device.m_bOldWindows = old;
        StartTransfer();
        zelums::ResetCopyProgress();
        for (size_t size : sizes) zelums::AddToCopyBatch(size);
        ASSERT_EQ(ZEL_SUCCESS, device.CopyBatch(sources, destinations)) << old;
        ExpectSaneProgress();
        EXPECT_GT(host.Values(ZEL_EVENT_PERCENT).size(), 3u) << old;
        EXPECT_TRUE(drive.ReadFile("Music/part2.bin") == Pattern(sizes[2])) << old;
    }
}

TEST_F(UmsCopyEngine, MoviesOfThe120EPlayerAreNumbered) {
    device.m_Settings.ProductID = 0x120E;
    const std::u16string clip = PcFile("clip.avi", "movie");
    device.m_strDestFolder = drive.Win(u"Video\\").c_str();
    ASSERT_EQ(ZEL_SUCCESS, Copy(clip, u"clip.avi"));
    EXPECT_TRUE(drive.Exists("Video/Video_0001.avi"));
    EXPECT_FALSE(drive.Exists("Video/clip.avi"));

    drive.WriteFile("Other/Video_0003.avi", "3");
    drive.WriteFile("Other/Video_0010.avi", "10");
    std::filesystem::create_directories(drive.Host("Other/Video_0050"));  // a folder does not count
    device.m_strDestFolder = drive.Win(u"Other\\").c_str();
    ASSERT_EQ(ZEL_SUCCESS, Copy(clip, u"clip.AVI"));
    EXPECT_EQ("movie", drive.ReadFile("Other/Video_0011.avi"));
    EXPECT_EQ(CString(drive.Win(u"Other\\Video_0011.avi").c_str()), written);
    ASSERT_EQ(ZEL_SUCCESS, Copy(PcFile("song.mp3", "music"), u"song.mp3"));  // only movies
    EXPECT_TRUE(drive.Exists("Other/song.mp3"));
}

}  // namespace
