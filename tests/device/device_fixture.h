// Shared pieces of the device core tests: a device object whose pure
// operations do nothing and whose inner state the tests can reach, and a
// player drive with the reference database. The host window and the debugger
// lines are tests/common's.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ZELDevice/ZELDevice.h"
#include "ZELDevice/abi/Agent.h"  // declarations only: compiled here to keep them honest
#include "host_fixture.h"
#include "idle_device.h"
#include "tempdrive.h"
#include "zelcompat/window.h"

using Names = std::vector<std::u16string>;

// An entry as a directory listing gives it.
inline CZEL_File Entry(const std::u16string& name, bool folder = false, const std::u16string& path = u"") {
    CZEL_File file;
    file.SetAttributes(folder ? 0x10 : 0x80, 0);
    file.SetName(name.c_str());
    file.SetPath(path.c_str());
    return file;
}

class TestDevice : public IdleDevice {
public:
    using CZEL_Device::m_CurrentFolderEntry, CZEL_Device::m_EnumList, CZEL_Device::m_hResource,
        CZEL_Device::m_itCurrent, CZEL_Device::m_nDeviceKind, CZEL_Device::m_PendingPaths,
        CZEL_Device::m_PendingRecords, CZEL_Device::m_strCurrentPathText, CZEL_Device::m_strDriveRoot,
        CZEL_Device::m_Tree;
    using CZEL_Device::m_pfnZELDB_Create, CZEL_Device::m_pfnZELDB_DBSync, CZEL_Device::m_pfnZELDB_GetRecord;

    // The name of the current folder, and those of its children in order.
    std::u16string Current() const { return m_itCurrent->Name.Str(); }
    Names Children() const {
        Names names;
        for (auto it = m_itCurrent.begin(); it != m_itCurrent.end(); ++it) names.push_back(it->Name.Str());
        return names;
    }
    // Everything FindFileFirst / FindFileNext return for the current folder.
    Names Listing() {
        Names names;
        for (CZEL_File* f = FindFileFirst(); f != nullptr; f = FindFileNext()) names.push_back(f->Name.Str());
        return names;
    }
    // One entry added by its path, as the enumerators add single files.
    void Add(const std::u16string& name, bool folder, const std::u16string& path, int check = 1) {
        CZEL_File entry = Entry(name, folder, path);
        Add2Tree(&entry, check);
    }
    // Lists (name, is folder) pairs and grafts them under the current folder.
    void List(std::initializer_list<std::pair<std::u16string, bool>> entries) {
        ClearInnerBuffer();
        for (const auto& [name, folder] : entries) m_EnumList.push_back(Entry(name, folder));
        MakeTree();
    }
};

struct Cleanup {
    std::function<void()> run;
    ~Cleanup() { run(); }
};

// A file record as a transfer fills it before the database sees it.
inline tagDB_File Record(DWORD mediaType, const std::u16string& folder, const std::u16string& name) {
    tagDB_File record{};
    record.MediaType = mediaType;
    SetField(record.Folder, folder);
    SetField(record.FileName, name);
    return record;
}

// Puts the reference database library on a drive as E:\System\ZELPlayerDB.dll
// (the module loader finds libZELPlayerDB.so beside that name).
inline std::u16string InstallPlayerDB(const TempDrive& drive) {
    std::filesystem::create_directories(drive.Host("System"));
    std::filesystem::copy_file(ZEL_PLAYERDB_LIBRARY, drive.Host("System/libZELPlayerDB.so"),
                               std::filesystem::copy_options::skip_existing);
    return drive.Win(u"System\\ZELPlayerDB.dll");
}

// Settings of a player that uses the database library installed on drive.
inline void UseDatabase(tagDeviceSettings& settings, const TempDrive& drive) {
    settings.Capabilities = ZEL_CAP_DATABASE;
    settings.PlayerType = 1;
    settings.DriveLetter = drive.Letter();
    SetField(settings.DBLibraryPath, InstallPlayerDB(drive));
}
