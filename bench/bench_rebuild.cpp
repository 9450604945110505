// Rebuilding a mass-storage player's database, and the reference database
// library taking a large player's records.
//
// BM_RebuildVersusWalk: a player holding small real media files in nested
// folders (tagged MP3s, JPEG photos, AVI and WMV movies from the media
// generator) is rebuilt through the device (RebuildDB: the walk, the type of
// every file, the tags of every MP3, one record each, one database write) and,
// in the same rounds, walked by `find DRIVE -type f | wc -l`, the cost of
// walking the drive alone. Both are warmed up once; the counters are medians of
// the rounds. Runs at 1,000 and at the full size so that the per-file cost of
// both can be compared.
//
// BM_DatabaseRecords: records for N files put into an empty database and
// written once at the end (ZELDB_DBSync), then read back from the file, at
// 1,000, 10,000 and 100,000 records (below 10,000 the write's fixed costs, the
// flush to the disk above all, weigh on each record).
//
// Goals, written as figures of the performance page after the runs: a rebuild
// takes at least 5,000 files per second and at most 10 times the walk alone;
// the per-file cost at the full size is within 1.5 times that at 1,000; the
// database's cost per record (put and written) at 100,000 records is within
// 1.5 times that at 10,000.
//
// ZEL_BENCH_REBUILD_FILES sets the full size (default 10000),
// ZEL_BENCH_REBUILD_ROUNDS the rounds (default 5) and ZEL_BENCH_DIR the folder
// the players are made in (default /tmp).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ZELDevice/ZELDevice.h"
#include "bench_figures.h"
#include "host_fixture.h"
#include "mediagen.h"

namespace {

using namespace zelbench;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char16_t kLetter = u'E';

std::string MakeFolder(const char* what) {
    const char* base = std::getenv("ZEL_BENCH_DIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/zelbench" + what + "XXXXXX";
    return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

// The numbers the goals are judged on, by benchmark and size.
std::map<std::string, double>& Measured() {
    static std::map<std::string, double> measured;
    return measured;
}
std::string Key(const char* what, size_t size) { return std::string(what) + "@" + std::to_string(size); }

// ---- The player's files. ----

// Writes files media files below folder: 40% tagged MP3s in artist/album
// folders, 40% photos in year/event folders, 20% movies (AVI and WMV) in set
// folders. Every file is written whole; identical photos and movies are
// written from one encoded copy.
bool LayOutPlayer(const std::string& folder, size_t files) {
    const zelmediagen::Bytes photo = zelmediagen::MakeJpeg(64, 48);
    const std::string movieSource = folder + "/movie.tmp";
    zelmediagen::MovieOptions movieOptions;
    movieOptions.container = "avi";
    movieOptions.audio.clear();
    movieOptions.seconds = 0.3;
    if (!zelmediagen::WriteMovie(movieSource, movieOptions)) return false;
    const zelmediagen::Bytes avi = zelmediagen::ReadBytes(movieSource);
    fs::remove(movieSource);
    zelmediagen::AsfOptions asfOptions;
    asfOptions.video = true;
    asfOptions.title = "Clip";
    const zelmediagen::Bytes wmv = [&] {
        zelmediagen::Bytes bytes = zelmediagen::MakeAsfHeader(asfOptions);
        const zelmediagen::Bytes data = zelmediagen::MakeAsfData();
        bytes.insert(bytes.end(), data.begin(), data.end());
        return bytes;
    }();
    const zelmediagen::Bytes audio = zelmediagen::MakeMp3Audio(8);

    char name[160];
    for (size_t k = 0; k < files; ++k) {
        const size_t kind = k % 5;
        std::string path;
        zelmediagen::Bytes bytes;
        if (kind < 2) {
            const size_t song = k / 5 * 2 + kind;
            std::snprintf(name, sizeof name, "Music/Artist %02zu/Album %02zu/%03zu Track.mp3", song / 200 % 100,
                          song / 20 % 10, song % 1000);
            zelmediagen::Mp3Options options;
            options.title = "Track " + std::to_string(song);
            options.artist = "Artist " + std::to_string(song / 200);
            options.album = "Album " + std::to_string(song / 20);
            options.year = 2024;
            options.track = static_cast<int>(song % 20 + 1);
            bytes = zelmediagen::MakeId3Tag(options);
            bytes.insert(bytes.end(), audio.begin(), audio.end());
        } else if (kind < 4) {
            const size_t shot = k / 5 * 2 + kind - 2;
            std::snprintf(name, sizeof name, "Photo/%zu/Event %02zu/IMG_%05zu.jpg", 2000 + shot / 500,
                          shot / 50 % 10, shot);
            bytes = photo;
        } else {
            const size_t clip = k / 5;
            std::snprintf(name, sizeof name, "Video/Set %02zu/clip%04zu.%s", clip / 100, clip,
                          clip % 2 ? "wmv" : "avi");
            bytes = clip % 2 ? wmv : avi;
        }
        path = folder + "/" + name;
        fs::create_directories(fs::path(path).parent_path());
        if (!zelmediagen::WriteBytes(path, bytes)) return false;
    }
    return true;
}

// The reference database library, as a Windows path the device can load.
std::u16string DatabaseLibrary() { return ZelWindowsPath(ZelFindModule(u"ZELPlayerDB.dll").c_str()); }

size_t CountByFind(const std::string& folder) {
    const std::string command = "find '" + folder + "' -type f | wc -l";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return 0;
    unsigned long count = 0;
    if (std::fscanf(pipe, "%lu", &count) != 1) count = 0;
    pclose(pipe);
    return count;
}

void BM_RebuildVersusWalk(benchmark::State& state) {
    const size_t files = static_cast<size_t>(state.range(0));
    const size_t rounds = Setting("ZEL_BENCH_REBUILD_ROUNDS", 5);
    const std::string folder = MakeFolder("rebuild");
    if (folder.empty() || !LayOutPlayer(folder, files)) {
        state.SkipWithError("cannot lay out the player");
        return;
    }
    ZelMapDrive(kLetter, folder.c_str());
    std::vector<double> rebuildSeconds, walkSeconds;
    size_t recorded = 0;
    bool failed = false;
    {
        HostWindow host;  // records the progress messages; a rebuild sends about a hundred
        CZEL_DeviceForUMS device;
        tagDeviceSettings& s = device.m_Settings;
        s.DriveLetter = kLetter;
        s.PlayerType = 1;
        s.Capabilities = ZEL_CAP_DATABASE | ZEL_CAP_VIDEO | ZEL_CAP_IMAGE;
        SetField(s.ModelName, u"Bench Player");
        SetField(s.Extensions, u"MP3.WMA.OGG.JPG.AVI.WMV.ASF");
        SetField(s.Folders[0], u"Music");
        SetField(s.Folders[1], u"Video");
        SetField(s.Folders[2], u"Photo");
        SetField(s.DBLibraryPath, DatabaseLibrary());
        tagDeviceInfo info{};
        info.DriveLetter = kLetter;
        info.ProductID = 0x5000;
        failed = device.CreateDevice(&info, host.Handle()) != ZEL_SUCCESS;

        for (auto _ : state) {
            // Round 0 warms both up and is not counted.
            for (size_t round = 0; round <= rounds && !failed; ++round) {
                auto start = Clock::now();
                failed = device.RebuildDB() != ZEL_SUCCESS;
                const double rebuild = Seconds(Clock::now() - start);
                start = Clock::now();
                const size_t found = CountByFind(folder);
                const double walk = Seconds(Clock::now() - start);
                failed = failed || found < files;
                if (round == 0) continue;
                rebuildSeconds.push_back(rebuild);
                walkSeconds.push_back(walk);
                state.SetIterationTime(rebuild);
            }
        }
        if (!failed) {
            // The device's own database, reached through the module it loaded.
            HMODULE library = LoadLibraryW(DatabaseLibrary().c_str());
            auto list = reinterpret_cast<ZELDB_LISTRECORDS_PROC>(
                reinterpret_cast<void*>(GetProcAddress(library, ZELDB_LISTRECORDS_NAME)));
            recorded = list != nullptr ? static_cast<size_t>(list(nullptr, 0)) : 0;
            if (library != nullptr) FreeLibrary(library);
        }
    }
    ZelUnmapDrive(kLetter);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    if (failed || recorded != files) {
        state.SkipWithError(failed ? "a rebuild or walk failed" : "the database does not hold every file");
        return;
    }
    const double rebuild = Median(rebuildSeconds), walk = Median(walkSeconds);
    state.counters["files"] = static_cast<double>(files);
    state.counters["rebuild_ms"] = rebuild * 1e3;
    state.counters["walk_ms"] = walk * 1e3;
    state.counters["files_per_s"] = static_cast<double>(files) / rebuild;
    state.counters["us_per_file"] = rebuild * 1e6 / static_cast<double>(files);
    state.counters["ratio_to_walk"] = rebuild / walk;
    Measured()[Key("files_per_s", files)] = static_cast<double>(files) / rebuild;
    Measured()[Key("us_per_file", files)] = rebuild * 1e6 / static_cast<double>(files);
    Measured()[Key("rebuild_ms", files)] = rebuild * 1e3;
    Measured()[Key("walk_ms", files)] = walk * 1e3;
}

// ---- The reference database on its own. ----

void BM_DatabaseRecords(benchmark::State& state) {
    const size_t records = static_cast<size_t>(state.range(0));
    const std::string folder = MakeFolder("database");
    HMODULE library = LoadLibraryW(DatabaseLibrary().c_str());
    auto create = reinterpret_cast<ZELDB_CREATE_PROC>(reinterpret_cast<void*>(GetProcAddress(library, ZELDB_CREATE_NAME)));
    auto add = reinterpret_cast<ZELDB_ADDRECORD_PROC>(reinterpret_cast<void*>(GetProcAddress(library, ZELDB_ADDRECORD_NAME)));
    auto sync = reinterpret_cast<ZELDB_DBSYNC_PROC>(reinterpret_cast<void*>(GetProcAddress(library, ZELDB_DBSYNC_NAME)));
    auto list = reinterpret_cast<ZELDB_LISTRECORDS_PROC>(
        reinterpret_cast<void*>(GetProcAddress(library, ZELDB_LISTRECORDS_NAME)));
    if (folder.empty() || !create || !add || !sync || !list) {
        state.SkipWithError("no database library or folder");
        return;
    }
    ZelMapDrive(kLetter, folder.c_str());
    auto record = std::make_unique<tagDB_File>();
    double addSeconds = 0, syncSeconds = 0, loadSeconds = 0;
    bool failed = false;
    for (auto _ : state) {
        create(kLetter, nullptr, 1);
        const auto start = Clock::now();
        for (size_t k = 0; k < records && !failed; ++k) {
            *record = tagDB_File{};
            record->MediaType = ZEL_MEDIA_MP3;
            record->FileSize = 4000 + static_cast<DWORD>(k);
            SetField(record->Folder, ZelFormat(u"E:\\Music\\Artist %03d\\Album %02d", static_cast<int>(k / 200),
                                               static_cast<int>(k / 20 % 10)));
            SetField(record->FileName, ZelFormat(u"%06d Track.mp3", static_cast<int>(k)));
            SetField(record->Text1, ZelFormat(u"Track %d", static_cast<int>(k)));
            SetField(record->Text2, ZelFormat(u"Album %d", static_cast<int>(k / 20)));
            SetField(record->Text3, ZelFormat(u"Artist %d", static_cast<int>(k / 200)));
            SetField(record->ShortText1, u"2024");
            record->OrderNumber = static_cast<DWORD>(k % 20 + 1);
            failed = !add(record.get());
        }
        const auto added = Clock::now();
        failed = failed || !sync(1);
        const auto synced = Clock::now();
        create(0, nullptr, 0);
        failed = failed || !create(kLetter, nullptr, 0) || static_cast<size_t>(list(nullptr, 0)) != records;
        const auto loaded = Clock::now();
        addSeconds = Seconds(added - start);
        syncSeconds = Seconds(synced - added);
        loadSeconds = Seconds(loaded - synced);
        state.SetIterationTime(Seconds(synced - start));
    }
    create(0, nullptr, 0);
    const double fileMiB = static_cast<double>(fs::file_size(folder + "/System/PlayerDB.zdb")) / (1 << 20);
    ZelUnmapDrive(kLetter);
    FreeLibrary(library);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    if (failed) {
        state.SkipWithError("the database did not take or keep every record");
        return;
    }
    const double n = static_cast<double>(records);
    state.counters["records"] = n;
    state.counters["add_us_per_record"] = addSeconds * 1e6 / n;
    state.counters["write_us_per_record"] = syncSeconds * 1e6 / n;
    state.counters["read_us_per_record"] = loadSeconds * 1e6 / n;
    state.counters["file_MiB"] = fileMiB;
    Measured()[Key("db_us_per_record", records)] = (addSeconds + syncSeconds) * 1e6 / n;
}

// The performance page's lines: the rebuild against the walk of the same drive
// (wall-clock, as a user waits for both), its rate, and how the costs per file
// and per record grow with the size.
void AddGoalFigures(size_t full) {
    auto& m = Measured();
    if (m.count(Key("files_per_s", full))) {
        Figure rate;
        rate.workload = "Rebuild a player of " + std::to_string(full) + " media files (tags of every MP3 read)";
        rate.ours = m[Key("files_per_s", full)];
        rate.unit = "files/s";
        rate.goal = Goal::AtLeast;
        rate.goalValue = 5000;
        AddFigure(rate);
        Figure walk;
        walk.workload = "The same rebuild against a walk of the drive alone";
        walk.ours = m[Key("rebuild_ms", full)];
        walk.unit = "ms";
        walk.yardstick = "find -type f";
        walk.yardstickValue = m[Key("walk_ms", full)];
        walk.ratio = walk.ours / walk.yardstickValue;
        walk.goal = Goal::AtMost;
        walk.goalValue = 10;
        AddFigure(walk);
    }
    if (m.count(Key("us_per_file", full)) && m.count(Key("us_per_file", 1000))) {
        Figure growth;
        growth.workload = "Cost per file of the rebuild at " + std::to_string(full) + " files against 1,000";
        growth.ours = m[Key("us_per_file", full)];
        growth.unit = "µs/file";
        growth.yardstick = "the same at 1,000";
        growth.yardstickValue = m[Key("us_per_file", 1000)];
        growth.ratio = growth.ours / growth.yardstickValue;
        growth.goal = Goal::AtMost;
        growth.goalValue = 1.5;
        AddFigure(growth);
    }
    if (m.count(Key("db_us_per_record", 100000)) && m.count(Key("db_us_per_record", 10000))) {
        Figure growth;
        growth.workload = "Put and write 100,000 records in the player's database, cost per record";
        growth.ours = m[Key("db_us_per_record", 100000)];
        growth.unit = "µs/record";
        growth.yardstick = "the same at 10,000";
        growth.yardstickValue = m[Key("db_us_per_record", 10000)];
        growth.ratio = growth.ours / growth.yardstickValue;
        growth.goal = Goal::AtMost;
        growth.goalValue = 1.5;
        AddFigure(growth);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const size_t full = Setting("ZEL_BENCH_REBUILD_FILES", 10000);
    benchmark::RegisterBenchmark("BM_RebuildVersusWalk", BM_RebuildVersusWalk)
        ->Arg(1000)
        ->Arg(static_cast<int64_t>(full))
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_DatabaseRecords", BM_DatabaseRecords)
        ->Arg(1000)
        ->Arg(10000)
        ->Arg(100000)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    AddGoalFigures(full);
    WriteFigures("bench_rebuild");
    return 0;
}
