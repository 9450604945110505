// Feeds arbitrary bytes to the playlist readers: each input becomes an XPL and a
// PLP file on a temporary drive E:, which ReadHeader (through OpenForRead),
// LoadPlaylist, TestPlaylistFile and PurgePlaylist of the matching format then
// read. The input also goes to ParseItem as one line. After each input no
// descriptor may be left open.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "ZELDevice/playlist/PLPPlaylistFile.h"
#include "ZELDevice/playlist/XPLPlaylistFile.h"
#include "zelcompat/drives.h"

namespace {

struct FuzzDrive {
    FuzzDrive() {
        char pattern[] = "/tmp/zelfuzzXXXXXX";
        const char* made = mkdtemp(pattern);
        folder = made ? made : "/tmp/zelfuzz";
        std::filesystem::create_directories(folder + "/Playlists");
        std::filesystem::create_directories(folder + "/Music");
        // Entries that name these files survive a purge.
        std::ofstream(folder + "/Music/a.mp3") << "a";
        std::ofstream(folder + "/a.mp3") << "a";
        ZelMapDrive(u'E', folder.c_str());
    }
    ~FuzzDrive() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    static FuzzDrive& Drive() {
        static FuzzDrive drive;
        return drive;
    }
    std::string folder;
};

// The lowest free descriptor: it moves when a descriptor leaks.
int LowestFreeDescriptor() {
    int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) close(fd);
    return fd;
}

void WriteHostFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) abort();
    std::fclose(file);
}

void Exercise(CPlaylistFile& playlist, const char16_t* path) {
    if (playlist.OpenForRead(path)) playlist.CloseFile();
    CStringArray names;
    CStringArray entries;
    CString value;
    playlist.LoadPlaylist(path, names, entries, value);
    playlist.TestPlaylistFile(path);
    playlist.PurgePlaylist(path);
    if (playlist.IsFileOpen()) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzDrive& drive = FuzzDrive::Drive();
    const int before = LowestFreeDescriptor();

    WriteHostFile(drive.folder + "/Playlists/fuzz.xpl", data, size);
    WriteHostFile(drive.folder + "/Playlists/fuzz.plp", data, size);

    CXPLPlaylistFile xpl;
    xpl.SetFolder(u"E:\\Playlists");
    Exercise(xpl, u"E:\\Playlists\\fuzz.xpl");
    CPLPPlaylistFile plp;
    plp.SetFolder(u"E:\\Playlists");
    Exercise(plp, u"E:\\Playlists\\fuzz.plp");

    // The input as one line handed to ParseItem directly.
    std::u16string line;
    for (size_t i = 0; i + 1 < size; i += 2) {
        char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) break;
        line += unit;
    }
    WCHAR full[ZEL_PLAYLIST_LINE];
    xpl.ParseItem(line.c_str(), full);
    plp.ParseItem(line.c_str(), full);

    if (LowestFreeDescriptor() != before) abort();
    return 0;
}
