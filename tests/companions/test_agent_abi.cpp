// The agent stands on the binary contracts alone: this suite links the agent
// and the header-only contracts, never the device library, and builds, copies
// and destroys tree entries the way the agent fills the device's lists.
#include <gtest/gtest.h>
#include <link.h>

#include <string>
#include <vector>

#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/abi/Codes.h"

namespace {

// The file names of every module loaded into this process.
std::vector<std::string> LoadedModules() {
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
            static_cast<std::vector<std::string>*>(out)->emplace_back(info->dlpi_name ? info->dlpi_name : "");
            return 0;
        },
        &names);
    return names;
}

TEST(AgentContracts, EntriesLiveWithoutTheDeviceLibrary) {
    std::vector<CZEL_File> list;
    for (int k = 0; k < 3; ++k) {
        CZEL_File entry;
        entry.SetAttributes(k == 0 ? ZEL_ATTR_FOLDER : ZEL_ATTR_FILE, 0);
        entry.SetName(k == 0 ? u"Music" : k == 1 ? u"a.mp3" : u"B.WMA");
        entry.SetPath(CString(u"\\Music\\") + entry.Name);
        entry.SetFolderStorage(0x100 + k);
        list.push_back(entry);
    }
    // The list the device hands over stays as it was when there is no player to list.
    std::vector<CZEL_File> copy = list;
    EXPECT_EQ(0, Agent_WMDMEnumerate(&copy, u"MP3.WMA"));
    ASSERT_EQ(3u, copy.size());
    EXPECT_EQ(u"B.WMA", copy[2].Name.Str());
    EXPECT_EQ(0x102u, copy[2].FolderStorage);
    EXPECT_EQ(u"MP3.WMA.OGG", copy[2].AudioList.Str());  // the lists come with every entry
    EXPECT_TRUE(copy[0].IsFolder());
    copy.clear();
    EXPECT_EQ(u"\\Music\\a.mp3", list[1].Path.Str());

    for (const std::string& name : LoadedModules()) EXPECT_EQ(std::string::npos, name.find("libZELDevice.so")) << name;
    bool agentLoaded = false;
    for (const std::string& name : LoadedModules()) agentLoaded |= name.find("libZELDeviceAgent.so") != std::string::npos;
    EXPECT_TRUE(agentLoaded);
}

}  // namespace
