// The host side of the device benchmarks: a player folder mapped as drive E:
// and a mass-storage device set up on it the way a host does, with a window
// for its progress messages.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "ZELDevice/ZELDevice.h"
#include "bench_figures.h"
#include "host_fixture.h"

namespace zelbench {

constexpr char16_t kPlayerLetter = u'E';

// A player without a database library: music in Music, MP3 files listed and
// accepted, album art resized to artSide × artSide (0: not edited).
class BenchPlayer {
public:
    explicit BenchPlayer(const std::string& folder, DWORD artSide = 0) : m_folder(folder) {
        std::filesystem::create_directories(folder + "/Music");
        ZelMapDrive(kPlayerLetter, folder.c_str());
        m_artSide = artSide;
    }
    ~BenchPlayer() { ZelUnmapDrive(kPlayerLetter); }
    BenchPlayer(const BenchPlayer&) = delete;
    BenchPlayer& operator=(const BenchPlayer&) = delete;

    // A new device object on the player, set up and listed at its root; null when
    // CreateDevice fails.
    std::unique_ptr<CZEL_DeviceForUMS> NewDevice() {
        auto device = std::make_unique<CZEL_DeviceForUMS>();
        tagDeviceSettings& s = device->m_Settings;
        s = tagDeviceSettings{};
        s.DriveLetter = kPlayerLetter;
        s.PlayerType = 1;
        SetField(s.Folders[0], u"Music");
        SetField(s.Extensions, u"MP3");
        s.AlbumArtWidth = m_artSide;
        s.AlbumArtHeight = m_artSide;
        tagDeviceInfo info{};
        info.DriveLetter = kPlayerLetter;
        info.ProductID = 0x5000;
        if (device->CreateDevice(&info, m_host.Handle()) != ZEL_SUCCESS) return nullptr;
        return device;
    }
    const std::string& Folder() const { return m_folder; }

private:
    std::string m_folder;
    DWORD m_artSide = 0;
    HostWindow m_host;
};

// Moves the device into a folder of the current one (which lists it).
inline void Enter(CZEL_DeviceForUMS& device, const std::u16string& name) {
    std::u16string text = name;
    device.MoveFolder(text.data());
}

// The number of entries the device lists in its current folder.
inline size_t CountListed(CZEL_DeviceForUMS& device) {
    size_t count = 0;
    for (CZEL_File* file = device.FindFileFirst(); file != nullptr; file = device.FindFileNext()) ++count;
    return count;
}

inline std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace zelbench
