// The host side of the mass-storage tests: a player on drive E:, the computer's
// files on drive P:, a window that records every progress message the library
// sends, and a device object whose inner state the tests can reach.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ZELDevice/ZELDevice.h"
#include "host_fixture.h"
#include "tempdrive.h"

// A UMS device with its protected state opened up for tests.
class TestUMS : public CZEL_DeviceForUMS {
public:
    using CZEL_Device::LookUpInDatabase;
    using CZEL_Device::m_bCancel;
    using CZEL_Device::m_bOldWindows;
    using CZEL_Device::m_CurrentFolderEntry;
    using CZEL_Device::m_itCurrent;
    using CZEL_Device::m_pTransferBuffer;
    using CZEL_Device::m_strCurrentTransFile;
    using CZEL_Device::m_strDriveRoot;
    using CZEL_Device::m_Tree;
    using CZEL_Device::m_szTempDir;
    using CZEL_DeviceForUMS::GetFileInfo;
    using CZEL_DeviceForUMS::m_strDestFolder;
    using CZEL_DeviceForUMS::MoveRootSubFolder;
    using CZEL_DeviceForUMS::TransferFileThroughMSC;

    DWORD CopyBatch(CStringArray& sources, CStringArray& destinations) {
        return CZEL_DeviceForUMS::TransferFile(sources, destinations);
    }
    BOOL Move(const char16_t* name) { return MoveFolder(const_cast<LPWSTR>(name)); }
    // Names of the current folder's children in the tree, in order.
    std::vector<std::u16string> Children() const {
        std::vector<std::u16string> names;
        for (auto it = m_itCurrent.begin(); it != m_itCurrent.end(); ++it) names.push_back(it->Name.Str());
        return names;
    }
    size_t Count(const std::u16string& name) const {
        const auto names = Children();
        return static_cast<size_t>(std::count(names.begin(), names.end(), name));
    }
    // Current tree node and current path.
    std::pair<std::u16string, std::u16string> Where() { return {m_itCurrent->Name.Str(), GetCurrentPath().Str()}; }
};

inline bool Has(const std::vector<std::u16string>& names, const std::u16string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The device information of a drive-letter player.
inline tagDeviceInfo DriveInfo(char16_t letter = u'E', WORD productId = 0x5000) {
    tagDeviceInfo info{};
    info.DriveLetter = letter;
    info.ProductID = productId;
    info.TotalMB = info.FreeMB = 1;
    return info;
}

using Adjust = std::function<void(tagDeviceSettings&)>;

class UmsTest : public ::testing::Test {
protected:
    ~UmsTest() override { ZelSetDriveSpace(u'E', 0, 0); }

    // Sets a device up the way the host does: a plain music player with Music,
    // Video, Photo and Text folders, changed by the test's adjust step.
    DWORD Create(TestUMS& target, tagDeviceInfo& info, const Adjust& adjust = {}) {
        tagDeviceSettings& s = target.m_Settings;
        s = tagDeviceSettings{};
        s.DriveLetter = info.DriveLetter ? info.DriveLetter : u'E';
        s.PlayerType = 1;
        s.ProductID = info.ProductID;
        SetField(s.ModelName, u"TestPlayer");
        for (int k = 0; k < 4; ++k) SetField(s.Folders[k], std::array{u"Music", u"Video", u"Photo", u"Text"}[k]);
        SetField(s.Extensions, u"MP3.WMA.OGG.JPG.TXT.AVI.WMV.ASF");
        if (adjust) adjust(s);
        return target.CreateDevice(&info, host.Handle());
    }
    DWORD Create(TestUMS& target, tagDeviceInfo&& info, const Adjust& adjust = {}) { return Create(target, info, adjust); }
    // Brings up the fixture's device; its temporary folder lies on the computer's
    // drive, where leftovers can be seen.
    void Start(const Adjust& adjust = {}, tagDeviceInfo info = DriveInfo()) {
        ASSERT_EQ(ZEL_SUCCESS, Create(device, info, adjust));
        std::filesystem::create_directories(pc.Host("scratch"));
        SetField(device.m_szTempDir, pc.Win(u"scratch"));
        host.messages.clear();
    }
    // Puts the reference database library on the drive as E:\System\ZELPlayerDB.dll
    // (the module loader finds libZELPlayerDB.so beside that name).
    Adjust WithDatabase() {
        std::filesystem::create_directories(drive.Host("System"));
        std::filesystem::copy_file(ZEL_PLAYERDB_LIBRARY, drive.Host("System/libZELPlayerDB.so"),
                                   std::filesystem::copy_options::overwrite_existing);
        return [path = drive.Win(u"System\\ZELPlayerDB.dll")](tagDeviceSettings& s) {
            SetField(s.DBLibraryPath, path);
            s.Capabilities |= ZEL_CAP_DATABASE;
        };
    }
    // Writes a file on a drive ("/" separates folders); its Windows path.
    static std::u16string Put(const TempDrive& on, const std::string& name, const std::string& data) {
        on.WriteFile(name, data);
        std::u16string relative(name.begin(), name.end());
        std::replace(relative.begin(), relative.end(), u'/', u'\\');
        return on.Win(relative);
    }
    std::u16string PcFile(const std::string& name, const std::string& data) { return Put(pc, name, data); }

    TempDrive drive;     // the player
    TempDrive pc{u'P'};  // the computer's files
    HostWindow host;
    TestUMS device;
};
