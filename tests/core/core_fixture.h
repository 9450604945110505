// Shared pieces of the device core tests: a device object whose pure
// operations do nothing and whose inner state the tests can reach, the debug
// lines the library writes, and a player drive with the reference database.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include "ZELDevice/ZELDevice.h"
#include "ZELDevice/mtp/Agent.h"  // declarations only: compiled here to keep them honest
#include "idle_device.h"
#include "tempdrive.h"

class TestDevice : public IdleDevice {
public:

    using CZEL_Device::m_CurrentFolderEntry;
    using CZEL_Device::m_EnumList;
    using CZEL_Device::m_itCurrent;
    using CZEL_Device::m_nDeviceKind;
    using CZEL_Device::m_PendingPaths;
    using CZEL_Device::m_PendingRecords;
    using CZEL_Device::m_pfnZELDB_Create;
    using CZEL_Device::m_pfnZELDB_DBSync;
    using CZEL_Device::m_pfnZELDB_GetRecord;
    using CZEL_Device::m_strCurrentPathText;
    using CZEL_Device::m_strCurrentTransFile;
    using CZEL_Device::m_strDriveRoot;
    using CZEL_Device::m_Tree;

    // The name of the current folder.
    std::u16string Current() const { return m_itCurrent->Name.Str(); }
    // The names of the current folder's children, in order.
    std::vector<std::u16string> Children() const {
        std::vector<std::u16string> names;
        for (auto it = m_itCurrent.begin(); it != m_itCurrent.end(); ++it) names.push_back(it->Name.Str());
        return names;
    }
    // Everything FindFileFirst / FindFileNext return for the current folder.
    std::vector<std::u16string> Listing() {
        std::vector<std::u16string> names;
        for (CZEL_File* f = FindFileFirst(); f != nullptr; f = FindFileNext()) names.push_back(f->Name.Str());
        return names;
    }
};

// An entry as a directory listing gives it.
inline CZEL_File Entry(const std::u16string& name, bool folder = false, const std::u16string& path = u"") {
    CZEL_File file;
    file.SetAttributes(folder ? 0x10 : 0x80, 0);
    file.SetName(name.c_str());
    file.SetPath(path.c_str());
    return file;
}

template <size_t N>
void SetText(WCHAR (&field)[N], const std::u16string& text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(text.size(), N - 1)), field);
}

struct DebugLines {
    std::vector<std::u16string> lines;
    DebugLines() {
        ZelSetDebugSink([](LPCWSTR line, void* ctx) { static_cast<DebugLines*>(ctx)->lines.emplace_back(line); },
                        this);
    }
    ~DebugLines() { ZelSetDebugSink(nullptr, nullptr); }
    DebugLines(const DebugLines&) = delete;
    DebugLines& operator=(const DebugLines&) = delete;
    bool Has(const std::u16string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
};

// A file record as a transfer fills it before the database sees it.
inline tagDB_File Record(DWORD mediaType, const std::u16string& folder, const std::u16string& name) {
    tagDB_File record{};
    record.MediaType = mediaType;
    SetText(record.Folder, folder);
    SetText(record.FileName, name);
    return record;
}

// Puts the reference database library on a drive as E:\System\ZELPlayerDB.dll
// (the module loader finds libZELPlayerDB.so beside that name).
inline std::u16string InstallPlayerDB(const TempDrive& drive) {
    std::filesystem::create_directories(drive.Host("System"));
    std::filesystem::copy_file(ZEL_PLAYERDB_LIBRARY, drive.Host("System/libZELPlayerDB.so"),
                               std::filesystem::copy_options::overwrite_existing);
    return drive.Win(u"System\\ZELPlayerDB.dll");
}
