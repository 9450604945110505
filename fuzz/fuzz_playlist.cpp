// Feeds arbitrary bytes to the playlist readers: each input becomes an XPL and a
// PLP file on a temporary drive E:, which ReadHeader (through OpenForRead),
// LoadPlaylist, TestPlaylistFile and PurgePlaylist of the matching format then
// read. The input also goes to ParseItem as one line. After each input no
// descriptor may be left open.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ZELDevice/playlist/PLPPlaylistFile.h"
#include "ZELDevice/playlist/XPLPlaylistFile.h"
#include "fuzz_support.h"

namespace {

using namespace zelfuzz;

// The drive's folders; entries that name the files in them survive a purge.
const std::string& PreparedFolder() {
    static const std::string folder = [] {
        const std::string root = FuzzDrive::Get().Folder();
        std::filesystem::create_directories(root + "/Playlists");
        std::filesystem::create_directories(root + "/Music");
        std::ofstream(root + "/Music/a.mp3") << "a";
        std::ofstream(root + "/a.mp3") << "a";
        return root;
    }();
    return folder;
}

void Exercise(CPlaylistFile& playlist, const char16_t* path) {
    if (playlist.OpenForRead(path)) playlist.CloseFile();
    CStringArray names;
    CStringArray entries;
    CString value;
    playlist.LoadPlaylist(path, names, entries, value);
    playlist.TestPlaylistFile(path);
    playlist.PurgePlaylist(path);
    FUZZ_EXPECT(!playlist.IsFileOpen());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& folder = PreparedFolder();
    const int before = LowestFreeDescriptor();

    WriteHostFile(folder + "/Playlists/fuzz.xpl", data, size);
    WriteHostFile(folder + "/Playlists/fuzz.plp", data, size);

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

    FUZZ_EXPECT(LowestFreeDescriptor() == before);
    return 0;
}
