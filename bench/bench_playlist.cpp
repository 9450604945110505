// Playlist files at scale: merging into, loading and purging playlists of 1,000
// and 10,000 entries. The cost per entry should stay flat between the two sizes;
// the figures set 10,000 against 1,000 and the one-folder purge against the
// album-folder purge.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <set>
#include <fstream>
#include <string>

#include "ZELDevice/playlist/XPLPlaylistFile.h"
#include "bench_figures.h"
#include "zelcompat/drives.h"

namespace {

// A temporary folder mapped as the player's drive E: for the whole run.
class BenchDrive {
public:
    BenchDrive() {
        char pattern[] = "/tmp/zelbenchXXXXXX";
        const char* made = mkdtemp(pattern);
        folder_ = made ? made : "/tmp/zelbench";
        std::filesystem::create_directories(folder_ + "/Playlists");
        std::filesystem::create_directories(folder_ + "/Music");
        ZelMapDrive(u'E', folder_.c_str());
    }
    ~BenchDrive() {
        ZelUnmapDrive(u'E');
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::string& Folder() const { return folder_; }

private:
    std::string folder_;
};

BenchDrive& Drive() {
    static BenchDrive drive;
    return drive;
}

std::u16string TrackName(int i) {
    std::string digits = std::to_string(100000 + i);
    return std::u16string(u"Track") + std::u16string(digits.begin(), digits.end()) + u".mp3";
}

void AppendUtf16(std::string& bytes, const std::u16string& text) {
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xff);
        bytes += static_cast<char>(unit >> 8);
    }
}

// An XPL file of count entries \Music\TrackNNNNNN.mp3.
std::string PlaylistBytes(int count) {
    std::string bytes;
    AppendUtf16(bytes, u"\uFEFFXPL PLAYLIST\r\nVERSION 1.00\r\n\r\n");
    for (int i = 0; i < count; ++i) AppendUtf16(bytes, u"\\Music\\" + TrackName(i) + u"\r\n");
    AppendUtf16(bytes, u"\r\nEND PLAYLIST\r\n");
    return bytes;
}

void WriteHostFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void SetPerEntry(benchmark::State& state, int entries) {
    state.SetItemsProcessed(state.iterations() * entries);
    state.counters["per_entry"] =
        benchmark::Counter(entries, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Merges count paths, half of them already in the playlist in another case,
// into a playlist of count entries.
void BM_AddItemsToPlaylist(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string host = Drive().Folder() + "/Playlists/Merge.xpl";
    const std::string original = PlaylistBytes(count);
    CStringArray paths;
    for (int i = 0; i < count; ++i) {
        std::u16string name = TrackName(i % 2 == 0 ? i : count + i);
        if (i % 2 == 0) {
            for (char16_t& unit : name) unit = unit >= u'a' && unit <= u'z' ? unit - 32 : unit;
        }
        paths.Add(CString((u"E:\\MUSIC\\" + name).c_str()));
    }
    CXPLPlaylistFile file;
    file.SetFolder(u"E:\\Playlists");
    for (auto _ : state) {
        state.PauseTiming();
        WriteHostFile(host, original);
        state.ResumeTiming();
        file.AddItemsToPlaylist(u"Merge", paths);
    }
    SetPerEntry(state, count);
}

// Puts one path at the top of a playlist of count entries.
void BM_AddToPlaylist(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string host = Drive().Folder() + "/Playlists/One.xpl";
    const std::string original = PlaylistBytes(count);
    CXPLPlaylistFile file;
    file.SetFolder(u"E:\\Playlists");
    for (auto _ : state) {
        state.PauseTiming();
        WriteHostFile(host, original);
        state.ResumeTiming();
        file.AddToPlaylist(u"One", u"E:\\Music\\New.mp3");
    }
    SetPerEntry(state, count);
}

void BM_LoadPlaylist(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    WriteHostFile(Drive().Folder() + "/Playlists/Load.xpl", PlaylistBytes(count));
    CXPLPlaylistFile file;
    file.SetFolder(u"E:\\Playlists");
    for (auto _ : state) {
        CStringArray names;
        CStringArray entries;
        CString value;
        int result = file.LoadPlaylist(u"E:\\Playlists\\Load.xpl", names, entries, value);
        benchmark::DoNotOptimize(result);
        if (entries.GetSize() != count) state.SkipWithError("wrong entry count");
    }
    SetPerEntry(state, count);
}

// The entry path of track i: flat puts every track in \Music, otherwise the
// tracks lie in album folders of 20 as on a player's drive.
std::u16string EntryPath(int i, bool flat) {
    if (flat) return u"\\Music\\" + TrackName(i);
    std::string album = std::to_string(1000 + i / 20);
    return u"\\Music\\Album" + std::u16string(album.begin(), album.end()) + u"\\" + TrackName(i);
}

std::string HostPath(const std::u16string& entry) {
    std::string host = Drive().Folder();
    for (char16_t unit : entry) host += unit == u'\\' ? '/' : static_cast<char>(unit);
    return host;
}

// Writes to each folder (a file made and removed), as the transfers before a
// purge do.
void Freshen(const std::set<std::string>& folders) {
    for (const std::string& folder : folders) {
        WriteHostFile(folder + "/.fresh", "");
        std::filesystem::remove(folder + "/.fresh");
    }
}

// Purges a playlist of count entries of which every second file exists, right
// after the folders of its files were written to.
void Purge(benchmark::State& state, bool flat) {
    const int count = static_cast<int>(state.range(0));
    std::string bytes;
    std::set<std::string> folders;
    AppendUtf16(bytes, u"\uFEFFXPL PLAYLIST\r\nVERSION 1.00\r\n\r\n");
    for (int i = 0; i < count; ++i) {
        std::u16string entry = EntryPath(i, flat);
        AppendUtf16(bytes, entry + u"\r\n");
        if (i % 2 == 0) {
            std::string host = HostPath(entry);
            folders.insert(std::filesystem::path(host).parent_path().string());
            std::filesystem::create_directories(std::filesystem::path(host).parent_path());
            WriteHostFile(host, "");
        }
    }
    AppendUtf16(bytes, u"\r\nEND PLAYLIST\r\n");
    const std::string host = Drive().Folder() + "/Playlists/Purge.xpl";
    CXPLPlaylistFile file;
    file.SetFolder(u"E:\\Playlists");
    for (auto _ : state) {
        state.PauseTiming();
        WriteHostFile(host, bytes);
        Freshen(folders);
        state.ResumeTiming();
        file.PurgePlaylist(u"E:\\Playlists\\Purge.xpl");
    }
    SetPerEntry(state, count);
}

void BM_PurgePlaylist(benchmark::State& state) { Purge(state, false); }

// Every track in one folder: each missing file is looked up in that large folder
// without regard to case. Goal: per entry at most twice the album-folder layout.
void BM_PurgePlaylistFlatFolder(benchmark::State& state) { Purge(state, true); }

}  // namespace

BENCHMARK(BM_AddItemsToPlaylist)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_AddToPlaylist)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadPlaylist)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PurgePlaylist)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PurgePlaylistFlatFolder)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    using namespace zelbench;
    return RunBenchmarks(argc, argv, "bench_playlist", [](const Results& results) {
        AddPerItemFigure(results, "Purge a playlist of 10,000 entries whose files lie in one folder, half of them gone",
                         "BM_PurgePlaylistFlatFolder/10000", 10000, "BM_PurgePlaylist/10000", 10000,
                         "the same in album folders", Goal::AtMost, 2);
        const std::pair<const char*, const char*> growth[] = {
            {"BM_AddItemsToPlaylist", "Merge 10,000 paths into a playlist of 10,000 entries"},
            {"BM_AddToPlaylist", "Put one path at the top of a playlist of 10,000 entries"},
            {"BM_LoadPlaylist", "Load a playlist of 10,000 entries"},
            {"BM_PurgePlaylist", "Purge a playlist of 10,000 entries in album folders"},
            {"BM_PurgePlaylistFlatFolder", "Purge a playlist of 10,000 entries in one folder"},
        };
        for (const auto& [name, workload] : growth) {
            AddPerItemFigure(results, workload, std::string(name) + "/10000", 10000, std::string(name) + "/1000", 1000,
                             "the same at 1,000");
        }
    });
}
