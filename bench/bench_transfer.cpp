// Batches of small MP3 files sent to a player through TransferFile2, as a host
// sends them, against `cp` of the same files into a folder of the same file
// system; the two alternated round by round. The player resizes album art to
// 128×128 and keeps no database. Three batches of 1,000 files:
// - plain MP3s (tags, no picture): goal at most 3 times `cp`;
// - the same with a 1000×1000 JPEG front cover: goal at most 10 times `cp`;
// - the same with a 1000×1000 PNG front cover (no goal; shows the PNG route).
//
// ZEL_BENCH_FILES sets the batch size (default 1000), ZEL_BENCH_ROUNDS the
// rounds (default 5; one more warms up and is not counted), ZEL_BENCH_DIR the
// folder the player and the sources are made in (default /tmp).
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_player.h"
#include "mediagen.h"

namespace {

using namespace zelbench;

constexpr DWORD kArtSide = 128;

struct Batch {
    zelmediagen::ImageFormat cover;
    const char* workload;
    Goal goal;
    double goalValue;
};

// One MP3 of the batch's kind, copied count times under numbered names into folder.
bool MakeSources(const std::string& folder, const Batch& batch, size_t count, size_t& fileBytes) {
    std::filesystem::create_directories(folder);
    zelmediagen::Mp3Options options;
    options.frames = 96;  // about 2.5 seconds
    options.title = "Benchmark Tune";
    options.artist = "The Bench Players";
    options.album = "Batch";
    options.year = 2024;
    options.track = 1;
    options.cover.format = batch.cover;
    options.cover.width = options.cover.height = 1000;
    const std::string first = folder + "/first.mp3";
    if (!zelmediagen::WriteMp3(first, options)) return false;
    fileBytes = std::filesystem::file_size(first);
    for (size_t k = 0; k < count; ++k) {
        std::error_code error;
        std::filesystem::copy_file(first, folder + "/" + std::to_string(10000 + k) + ".mp3", error);
        if (error) return false;
    }
    std::filesystem::remove(first);
    return true;
}

std::vector<std::string> SourceNames(size_t count) {
    std::vector<std::string> names;
    for (size_t k = 0; k < count; ++k) names.push_back(std::to_string(10000 + k) + ".mp3");
    return names;
}

// The host's record of a file to send: its type, full path and name.
tagDB_File RecordFor(const std::u16string& source, const std::u16string& name) {
    tagDB_File record{};
    record.MediaType = ZEL_MEDIA_MP3;
    SetField(record.Folder, source);
    SetField(record.FileName, name);
    return record;
}

// Sends every source into a new folder Music\<target>; not Ok when a transfer fails.
Timing SendOnce(BenchPlayer& player, const std::string& sources, const std::vector<std::string>& names,
                const std::string& target) {
    auto device = player.NewDevice();
    if (!device) return {};
    std::filesystem::create_directories(player.Folder() + "/Music/" + target);
    std::u16string folder = u"E:\\Music\\" + Utf16(target) + u"\\";
    const std::u16string sourceFolder = ZelWindowsPath(sources.c_str()) + u"\\";
    std::vector<tagDB_File> records;
    for (const std::string& name : names) records.push_back(RecordFor(sourceFolder + Utf16(name), Utf16(name)));
    return TimeWork([&] {
        for (tagDB_File& record : records) {
            if (ZelFailed(device->TransferFile2(folder.data(), &record, 0, nullptr, 0, nullptr))) return false;
        }
        return true;
    });
}

void RunBatch(benchmark::State& state, const Batch& batch) {
    const size_t count = Setting("ZEL_BENCH_FILES", 1000);
    const size_t rounds = Setting("ZEL_BENCH_ROUNDS", 5);
    ScratchFolder scratch("zelbenchsend");
    if (!scratch.Made()) return state.SkipWithError("cannot make the scratch folder");
    const std::string sources = scratch.Path() + "/sources";
    size_t fileBytes = 0;
    if (!MakeSources(sources, batch, count, fileBytes)) return state.SkipWithError("cannot make the sources");
    // The device keeps its scratch copies below the user's music folder: here, inside the scratch folder.
    const std::string config = scratch.Path() + "/config", music = scratch.Path() + "/music";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(music);
    std::ofstream(config + "/user-dirs.dirs") << "XDG_MUSIC_DIR=\"" << music << "\"\n";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    BenchPlayer player(scratch.Path() + "/player", kArtSide);
    const std::vector<std::string> names = SourceNames(count);

    // Each round writes into new folders and nothing is deleted until the end:
    // a file system that has just freed many files makes the next ones dearer
    // to create, and neither side should pay for the other's clean-up. The two
    // take turns going first.
    Pairs pairs;
    bool failed = false;
    for (auto _ : state) {
        for (size_t round = 0; round <= rounds && !failed; ++round) {
            const std::string target = "Batch" + std::to_string(round);
            const std::string cpTarget = scratch.Path() + "/cp" + std::to_string(round);
            std::filesystem::create_directories(cpTarget);
            std::vector<std::string> cpCommand{"cp"};
            for (const std::string& name : names) cpCommand.push_back(sources + "/" + name);
            cpCommand.push_back(cpTarget);
            Timing mine, cp;
            sync();
            if (round % 2 == 0) {
                mine = SendOnce(player, sources, names, target);
                sync();
                cp = TimeCommand(cpCommand);
            } else {
                cp = TimeCommand(cpCommand);
                sync();
                mine = SendOnce(player, sources, names, target);
            }
            failed = !mine.Ok() || !cp.Ok();
            if (round == 0 || failed) continue;
            pairs.Add(mine.cpu, cp.cpu);
            state.SetIterationTime(mine.wall);
        }
    }
    if (failed) return state.SkipWithError("a transfer or the copy failed");
    Figure figure;
    figure.workload = std::string(batch.workload) + " (" + std::to_string(count) + " files of " +
                      std::to_string(fileBytes / 1024) + " KiB) through TransferFile2, album art 128×128";
    figure.ours = Median(pairs.ours);
    figure.unit = "s";
    figure.yardstick = "cp";
    figure.yardstickValue = Median(pairs.yardstick);
    figure.ratio = Median(pairs.ratios);
    figure.goal = batch.goal;
    figure.goalValue = batch.goalValue;
    AddFigure(figure);
    state.counters["ratio_cp"] = figure.ratio;
    state.counters["ms_per_file"] = figure.ours / static_cast<double>(count) * 1e3;
}

void BM_PlainMp3VersusCp(benchmark::State& state) {
    RunBatch(state, {zelmediagen::ImageFormat::None, "Small MP3s without a cover", Goal::AtMost, 3});
}

void BM_JpegCoverMp3VersusCp(benchmark::State& state) {
    RunBatch(state, {zelmediagen::ImageFormat::Jpeg, "Small MP3s with a 1000×1000 JPEG cover", Goal::AtMost,
                     10});
}

void BM_PngCoverMp3VersusCp(benchmark::State& state) {
    RunBatch(state, {zelmediagen::ImageFormat::Png, "Small MP3s with a 1000×1000 PNG cover", Goal::None, NAN});
}

}  // namespace

BENCHMARK(BM_PlainMp3VersusCp)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegCoverMp3VersusCp)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngCoverMp3VersusCp)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return zelbench::RunBenchmarks(argc, argv, "bench_transfer"); }
