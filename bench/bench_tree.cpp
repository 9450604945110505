// The device file tree: adding entries one by one with the duplicate check,
// grafting a listed folder, and walking a deep path. Per-entry costs are the
// inverse of items_per_second; they should not grow with the folder's size.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_figures.h"
#include "idle_device.h"

namespace {

class BenchDevice : public IdleDevice {
public:

    void Reset() {
        ClearTree();
        ClearInnerBuffer();
    }
    std::vector<CZEL_File>& EnumList() { return m_EnumList; }
    void SetDriveRoot(LPCWSTR root) { m_strDriveRoot = root; }
};

CZEL_File FileEntry(const CString& name, const CString& path) {
    CZEL_File file;
    file.SetAttributes(0x80, 0);
    file.SetName(name);
    file.SetPath(path);
    return file;
}

void BM_Add2TreeChecked(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<CZEL_File> entries;
    for (int k = 0; k < count; ++k) {
        CString name(ZelFormat(u"track%05d.mp3", k));
        entries.push_back(FileEntry(name, CString(u"E:\\Music\\") + name));
    }
    BenchDevice device;
    device.SetDriveRoot(u"E:\\");
    for (auto _ : state) {
        state.PauseTiming();
        device.Reset();
        state.ResumeTiming();
        for (CZEL_File& entry : entries) device.Add2Tree(&entry, 1);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_MakeTree(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    BenchDevice device;
    device.SetDriveRoot(u"E:\\");
    for (auto _ : state) {
        state.PauseTiming();
        device.Reset();
        device.FindFileFirst();  // the root
        for (int k = 0; k < count; ++k) device.EnumList().push_back(FileEntry(CString(ZelFormat(u"track%05d.mp3", k)), CString()));
        state.ResumeTiming();
        device.MakeTree();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// Ten nested folders, each beside 500 other folders.
void BM_SetCurrentPathTenLevels(benchmark::State& state) {
    BenchDevice device;
    device.SetDriveRoot(u"E:\\");
    CString folder(u"E:");
    for (int level = 0; level < 10; ++level) {
        for (int k = 0; k < 500; ++k) {
            CString name(ZelFormat(u"Folder%03d", k));
            CZEL_File entry = FileEntry(name, folder + u"\\" + name);
            entry.SetAttributes(0x10, 0);
            device.Add2Tree(&entry, 0);
        }
        folder += CString(ZelFormat(u"\\FOLDER%03d", 499 - level * 37));
    }
    CString target = folder + u"\\song.mp3";
    device.ClearInnerBuffer();
    for (auto _ : state) benchmark::DoNotOptimize(device.SetCurrentPath(const_cast<LPWSTR>(target.GetString())));
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_Add2TreeChecked)->Arg(1000)->Arg(20000)->Unit(benchmark::kMicrosecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_MakeTree)->Arg(1000)->Arg(20000)->Unit(benchmark::kMicrosecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SetCurrentPathTenLevels)->Unit(benchmark::kMicrosecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
int main(int argc, char** argv) {
    using namespace zelbench;
    return RunBenchmarks(argc, argv, "bench_tree", [](const Results& results) {
        AddPerItemFigure(results, "Add 20,000 entries one by one with the duplicate check (Add2Tree)",
                         "BM_Add2TreeChecked/20000", 20000, "BM_Add2TreeChecked/1000", 1000, "the same at 1,000");
        AddPerItemFigure(results, "Graft a listed folder of 20,000 entries (MakeTree)", "BM_MakeTree/20000", 20000,
                         "BM_MakeTree/1000", 1000, "the same at 1,000");
        const double walk = PerItem(results, "BM_SetCurrentPathTenLevels", 1);
        if (!std::isnan(walk)) {
            Figure figure;
            figure.workload = "Find a folder ten levels deep, each level beside 500 folders (SetCurrentPath)";
            figure.ours = walk * 1e6;
            figure.unit = "µs";
            AddFigure(figure);
        }
    });
}
