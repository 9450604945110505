// Copying a firmware package onto a mass-storage player: which files of the
// package are taken, where they land, the progress events and the result.
#include <functional>
#include <string>
#include <vector>

#include "ZELDevice/ums/CopyProgress.h"
#include "ums_fixture.h"

namespace {

class UmsFirmwareUpdate : public UmsTest {};

TEST_F(UmsFirmwareUpdate, TakesTheFilesUpToTheSystemFolderAndCopiesThemInOneBatch) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> package;  // files below the package folder
        const char16_t* fault;                                     // a destination that cannot be written
        DWORD result;
        std::vector<std::string> landed;  // files on the drive afterwards, below the standard folders
        bool copied;                      // events 2 and 3 were sent
    };
    const std::vector<std::pair<std::string, std::string>> package{
        {"a.bin", "aaa"},         {"empty.bin", ""},          {"fonts/f.fnt", "ff"}, {"fonts/none.bin", ""},
        {"system/fw.img", "fw"},  {"system/boot/b.img", "b"}, {"update.bin", "u"},   {"zfolder/z.bin", "z"}};
    // Searches come in name order: a.bin, empty.bin, fonts, system, update.bin, zfolder.
    const std::vector<std::string> taken{"a.bin", "fonts", "fonts/f.fnt", "system", "system/boot", "system/boot/b.img",
                                         "system/fw.img"};
    for (const Case& c :
         {Case{"package", package, nullptr, ZEL_SUCCESS, taken, true},
          Case{"empty folder", {}, nullptr, ZEL_SUCCESS, {}, false},
          // Only a nested call ran, and a nested call answers 0.
          Case{"only an empty folder", {{"sub/empty.bin", ""}}, nullptr, 0, {"sub"}, false},
          Case{"copy fails", package, u"E:\\system\\fw.img", ZEL_ERR_COPY, {"a.bin", "fonts", "fonts/f.fnt", "system",
                                                                            "system/boot", "system/boot/b.img"},
               true}}) {
        SCOPED_TRACE(c.what);
        for (const TempDrive* folder : {&drive, &pc})
            for (const auto& entry : std::filesystem::directory_iterator(folder->Folder()))
                std::filesystem::remove_all(entry.path());
        TestUMS player;
        ASSERT_EQ(ZEL_SUCCESS, Create(player, DriveInfo()));
        std::filesystem::create_directories(pc.Host("pkg"));
        for (const auto& [name, data] : c.package) pc.WriteFile("pkg/" + name, data);
        host.Clear();
        const int fault = c.fault ? ZelInjectFault(c.fault, ZEL_FAULT_OPEN, ERROR_ACCESS_DENIED) : 0;

        EXPECT_EQ(c.result, player.FWUpdate(pc.Win(u"pkg").c_str(), nullptr));
        if (fault) ZelRemoveFault(fault);

        std::vector<std::string> landed;
        for (const std::string& entry : drive.Entries())
            if (entry.rfind("Music", 0) != 0 && entry.rfind("Photo", 0) != 0 && entry.rfind("Text", 0) != 0 &&
                entry.rfind("Video", 0) != 0)
                landed.push_back(entry);
        EXPECT_EQ(c.landed, landed);
        if (c.result == ZEL_SUCCESS && c.copied) {
            EXPECT_EQ("fw", drive.ReadFile("system/fw.img"));
        }

        if (c.copied) {
            ASSERT_GE(host.messages.size(), 2u);
            EXPECT_EQ((Event{ZEL_EVENT_BEGIN, 0}), host.messages.front());
            EXPECT_EQ((Event{ZEL_EVENT_END, 0}), host.messages.back());
            if (c.result == ZEL_SUCCESS) {
                EXPECT_EQ(100, host.Values(ZEL_EVENT_PERCENT).back());
            }
        } else {
            EXPECT_TRUE(host.messages.empty());
        }
        // The next copy starts from clean counters.
        EXPECT_EQ(0u, zelums::CopyBatchTotal());
        EXPECT_EQ(0u, zelums::LastCopyPercent());
    }
}

}  // namespace
