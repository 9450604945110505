// Listing folders through the device against the file system's own tools on
// the same folders, the two alternated round by round:
// - a folder of 1,000 and one of 20,000 entries: MoveFolder into it (which lists
//   it into the device tree) and a walk with FindFileFirst / FindFileNext,
//   against `ls -l` and `ls`. Goals: at 20,000 entries at most 1.5 times `ls -l`;
//   the cost per entry at 20,000 within 1.5 times that at 1,000;
// - a player of 100 album folders of 20 files each, every folder entered and
//   listed, against `find -ls` over the same tree.
//
// ZEL_BENCH_ROUNDS sets the rounds (default 5; one more warms up and is not
// counted), ZEL_BENCH_DIR the folder the player is made in (default /tmp).
#include <fstream>
#include <string>
#include <vector>

#include "bench_player.h"

namespace {

using namespace zelbench;

constexpr size_t kSmall = 1000;
constexpr size_t kLarge = 20000;
constexpr size_t kAlbums = 100;
constexpr size_t kAlbumTracks = 20;

std::string Numbered(const char* prefix, size_t number, const char* suffix) {
    char text[64];
    std::snprintf(text, sizeof text, "%s%05zu%s", prefix, number, suffix);
    return text;
}

void MakeEmptyFiles(const std::string& folder, size_t count) {
    std::filesystem::create_directories(folder);
    for (size_t k = 0; k < count; ++k) std::ofstream(folder + "/" + Numbered("Track ", k, ".mp3"));
}

// Enters Music\<folder> from Music and walks its listing; not Ok when the
// listing misses entries.
Timing ListOnce(BenchPlayer& player, const std::string& folder, size_t expected) {
    auto device = player.NewDevice();
    if (!device) return {};
    Enter(*device, u"Music");
    // Below the root the listing also holds "..".
    return TimeWork([&] {
        Enter(*device, Utf16(folder));
        return CountListed(*device) == expected + 1;
    });
}

// Enters every album folder of Music\Albums and walks its listing.
Timing WalkOnce(BenchPlayer& player) {
    auto device = player.NewDevice();
    if (!device) return {};
    Enter(*device, u"Music");
    return TimeWork([&] {
        Enter(*device, u"Albums");
        size_t listed = 0;
        for (size_t album = 0; album < kAlbums; ++album) {
            Enter(*device, Utf16(Numbered("Album ", album, "")));
            listed += CountListed(*device);
            Enter(*device, u"..");
        }
        return listed == kAlbums * (kAlbumTracks + 1);
    });
}

Figure TimeFigure(const std::string& workload, const Pairs& sample, const std::string& yardstick, Goal goal,
                  double goalValue) {
    Figure figure;
    figure.workload = workload;
    figure.ours = Median(sample.ours) * 1e3;
    figure.unit = "ms";
    figure.yardstick = yardstick;
    figure.yardstickValue = Median(sample.yardstick) * 1e3;
    figure.ratio = Median(sample.ratios);
    figure.goal = goal;
    figure.goalValue = goalValue;
    return figure;
}

void BM_ListFoldersVersusLs(benchmark::State& state) {
    const size_t rounds = Setting("ZEL_BENCH_ROUNDS", 5);
    ScratchFolder scratch("zelbenchlist");
    if (!scratch.Made()) return state.SkipWithError("cannot make the scratch folder");
    const std::string music = scratch.Path() + "/Music";
    MakeEmptyFiles(music + "/Small", kSmall);
    MakeEmptyFiles(music + "/Large", kLarge);
    BenchPlayer player(scratch.Path());

    Pairs small, large, largeLs;
    bool failed = false;
    for (auto _ : state) {
        for (size_t round = 0; round <= rounds && !failed; ++round) {
            const Timing ours = ListOnce(player, "Small", kSmall);
            const Timing theirs = TimeCommand({"ls", "-l", music + "/Small"});
            const Timing oursLarge = ListOnce(player, "Large", kLarge);
            const Timing theirsLarge = TimeCommand({"ls", "-l", music + "/Large"});
            const Timing plainLs = TimeCommand({"ls", music + "/Large"});
            failed = !ours.Ok() || !theirs.Ok() || !oursLarge.Ok() || !theirsLarge.Ok() || !plainLs.Ok();
            if (round == 0 || failed) continue;
            small.Add(ours.cpu, theirs.cpu);
            large.Add(oursLarge.cpu, theirsLarge.cpu);
            largeLs.Add(oursLarge.cpu, plainLs.cpu);
            state.SetIterationTime(oursLarge.wall);
        }
    }
    if (failed) return state.SkipWithError("a listing failed or missed entries");

    AddFigure(TimeFigure("List a folder of 1,000 entries through the device (MoveFolder, FindFileFirst/Next)", small,
                         "ls -l", Goal::None, NAN));
    AddFigure(TimeFigure("List a folder of 20,000 entries through the device", large, "ls -l", Goal::AtMost, 1.5));
    AddFigure(TimeFigure("List a folder of 20,000 entries through the device", largeLs, "ls", Goal::None, NAN));
    std::vector<double> growth;
    for (size_t k = 0; k < small.ours.size(); ++k) {
        growth.push_back((large.ours[k] / kLarge) / (small.ours[k] / kSmall));
    }
    Figure perEntry;
    perEntry.workload = "Cost per entry of the device listing at 20,000 entries against 1,000";
    perEntry.ours = Median(large.ours) / kLarge * 1e6;
    perEntry.unit = "µs/entry";
    perEntry.yardstick = "the same at 1,000";
    perEntry.yardstickValue = Median(small.ours) / kSmall * 1e6;
    perEntry.ratio = Median(growth);
    perEntry.goal = Goal::AtMost;
    perEntry.goalValue = 1.5;
    AddFigure(perEntry);
    state.counters["ratio_20000_ls_l"] = Median(large.ratios);
    state.counters["ratio_1000_ls_l"] = Median(small.ratios);
}

void BM_WalkAlbumsVersusFind(benchmark::State& state) {
    const size_t rounds = Setting("ZEL_BENCH_ROUNDS", 5);
    ScratchFolder scratch("zelbenchwalk");
    if (!scratch.Made()) return state.SkipWithError("cannot make the scratch folder");
    const std::string albums = scratch.Path() + "/Music/Albums";
    for (size_t album = 0; album < kAlbums; ++album) {
        MakeEmptyFiles(albums + "/" + Numbered("Album ", album, ""), kAlbumTracks);
    }
    BenchPlayer player(scratch.Path());

    Pairs walk;
    bool failed = false;
    for (auto _ : state) {
        for (size_t round = 0; round <= rounds && !failed; ++round) {
            const Timing ours = WalkOnce(player);
            const Timing theirs = TimeCommand({"find", albums, "-ls"});
            failed = !ours.Ok() || !theirs.Ok();
            if (round == 0 || failed) continue;
            walk.Add(ours.cpu, theirs.cpu);
            state.SetIterationTime(ours.wall);
        }
    }
    if (failed) return state.SkipWithError("a walk failed or missed entries");
    AddFigure(TimeFigure("Enter and list 100 album folders of 20 files each through the device", walk, "find -ls",
                         Goal::None, NAN));
    state.counters["ratio_find"] = Median(walk.ratios);
}

}  // namespace

BENCHMARK(BM_ListFoldersVersusLs)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkAlbumsVersusFind)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return zelbench::RunBenchmarks(argc, argv, "bench_listing"); }
