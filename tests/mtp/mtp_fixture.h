// The host side of the MTP tests: a simulated player (with its memory card)
// that the agent serves, the computer's files on drive P:, a window that
// records every progress message the library sends, and a device object with
// its own window (where the agent's copy progress arrives) whose inner state
// the tests can reach.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ZELDevice/ZELDevice.h"
#include "ZELDevice/abi/Agent.h"  // the agent's current path, which must follow the device's
#include "host_fixture.h"
#include "simulated_player.h"
#include "tempdrive.h"

using Names = std::vector<std::u16string>;

class TestMTP : public CZEL_DeviceForMTP {
public:
    using CZEL_Device::m_bCancel;
    using CZEL_Device::m_CurrentFolderEntry;
    using CZEL_Device::m_itCurrent;
    using CZEL_Device::m_PendingPaths;
    using CZEL_Device::m_pTransferBuffer;
    using CZEL_Device::m_strCurrentTransFile;
    using CZEL_Device::m_szTempDir;
    using CZEL_Device::m_Tree;
    using CZEL_Device::m_TransferMoodClasses;
    using CZEL_Device::m_TransferPaths;
    using CZEL_Device::m_TransferPlaylistNames;
    using CZEL_Device::m_nSpecialFolderState;

    TestMTP() { CreateEx(0, nullptr, u"mtp", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr); }
    BOOL Move(const char16_t* name) { return MoveFolder(const_cast<LPWSTR>(name)); }
    // Names of the current folder's children in the tree, in order.
    Names Children() const {
        Names names;
        for (auto it = m_itCurrent.begin(); it != m_itCurrent.end(); ++it) names.push_back(it->Name.Str());
        return names;
    }
    const CZEL_File* Child(const std::u16string& name) const {
        for (auto it = m_itCurrent.begin(); it != m_itCurrent.end(); ++it)
            if (it->Name.Str() == name) return &*it;
        return nullptr;
    }
};

using Adjust = std::function<void(tagDeviceSettings&)>;

inline tagDeviceInfo PlayerInfo(WORD productId = 0x5000) {
    tagDeviceInfo info{};
    info.Kind = 1;  // reached without a drive letter
    info.ProductID = productId;
    info.TotalMB = info.FreeMB = 1;
    return info;
}

class MtpTest : public ::testing::Test {
protected:
    // Sets a device up the way the host does: a music player with Music, Video,
    // Photo, Text, TS3 and Broadcast folders configured, changed by adjust.
    DWORD Create(TestMTP& target, const Adjust& adjust = {}, tagDeviceInfo info = PlayerInfo()) {
        tagDeviceSettings& s = target.m_Settings;
        s = tagDeviceSettings{};
        s.PlayerType = 1;
        s.ProductID = info.ProductID;
        SetField(s.ModelName, u"MtpPlayer");
        const std::array<const char16_t*, 7> names{u"Music", u"Video", u"Photo", u"Text", u"TS3", u"Extra", u"Broadcast"};
        for (size_t k = 0; k < names.size(); ++k) SetField(s.Folders[k], names[k]);
        SetField(s.PlaylistFile, u"Playlists");
        SetField(s.Extensions, u"MP3.WMA.OGG.JPG.TXT.TTS");
        if (adjust) adjust(s);
        // Its temporary folder lies on the computer's drive (the set-up reads the
        // firmware description through it), where leftovers can be seen.
        std::filesystem::create_directories(pc.Host("scratch"));
        SetField(target.m_szTempDir, pc.Win(u"scratch"));
        return target.CreateDevice(&info, host.Handle());
    }
    // Brings up the fixture's device.
    void Start(const Adjust& adjust = {}, tagDeviceInfo info = PlayerInfo()) {
        ASSERT_EQ(ZEL_SUCCESS, Create(*device, adjust, info));
        host.Clear();
    }
    std::u16string PcFile(const std::string& name, const std::string& data) {
        pc.WriteFile(name, data);
        return pc.Win(std::u16string(name.begin(), name.end()));
    }
    static tagDB_File Record(DWORD type, const std::u16string& source, const std::u16string& name,
                             const std::u16string& category = u"") {
        tagDB_File record{};
        record.MediaType = type;
        SetField(record.Folder, source);
        SetField(record.FileName, name);
        SetField(record.ShortText2, category);
        return record;
    }
    size_t Count(WPARAM event) const { return host.Values(event).size(); }
    // What the player holds, as "Music/a.mp3", sorted.
    std::vector<std::string> OnPlayer() const { return SimulatedPlayerFolders::Everything(folders.Player()); }

    SimulatedPlayerFolders folders{true};
    TempDrive pc{u'P'};
    HostWindow host;
    std::unique_ptr<TestMTP> device = std::make_unique<TestMTP>();
};
