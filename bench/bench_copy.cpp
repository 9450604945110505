// The copy engine's file route (CopyFileExW, the NT method) against `cp`, one
// large file on the same file system, the two alternated in one run. Counters:
// the throughput of each (median of the rounds), the median of the rounds'
// ratios (goal: at least 0.97; a round's two copies run back to back, so they
// see the same load on the machine), the progress messages one file sent (goal: at most 101) and the growth
// of the peak resident size over the route's copies (it should stay flat: the
// route holds no file-sized buffer).
//
// ZEL_BENCH_COPY_MB sets the file size in MiB (default 1024),
// ZEL_BENCH_COPY_ROUNDS the rounds (default 5) and ZEL_BENCH_DIR the folder the
// temporary drive is made in (default /tmp).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ZELDevice/ZELDevice.h"
#include "bench_figures.h"

namespace {

using namespace zelbench;

constexpr char16_t kLetter = u'E';

class BenchUMS : public CZEL_DeviceForUMS {
public:
    using CZEL_DeviceForUMS::TransferFileThroughMSC;
    void Prepare(LPCWSTR destinationFolder) {
        m_strDestFolder = destinationFolder;
        m_bOldWindows = 0;
        m_bCancel = 0;
    }
};

// A message-only window that counts the percentages it receives.
class CountingHost {
public:
    CountingHost() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &CountingHost::Procedure;
        windowClass.lpszClassName = u"ZelBenchCopyHost";
        RegisterClassW(&windowClass);
        m_hwnd = CreateWindowExW(0, u"ZelBenchCopyHost", u"host", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                 nullptr);
    }
    ~CountingHost() { DestroyWindow(m_hwnd); }
    CountingHost(const CountingHost&) = delete;
    CountingHost& operator=(const CountingHost&) = delete;
    HWND Handle() const { return m_hwnd; }
    static inline long percentages = 0;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == ZEL_WM_PROGRESS && wParam == ZEL_EVENT_PERCENT) ++percentages;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    HWND m_hwnd = nullptr;
};

template <size_t N>
void SetField(WCHAR (&field)[N], const std::u16string& text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(text.size(), N - 1)), field);
}

long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A source of non-zero bytes, written once.
void MakeSource(const std::string& path, size_t mib) {
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(1 + (i * 31 + i / 997) % 251);
    std::ofstream out(path, std::ios::binary);
    for (size_t k = 0; k < mib; ++k) {
        block[0] = static_cast<char>(1 + k % 251);
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
}

void BM_FileRouteVersusCp(benchmark::State& state) {
    const size_t mib = Setting("ZEL_BENCH_COPY_MB", 1024);
    const size_t rounds = Setting("ZEL_BENCH_COPY_ROUNDS", 5);
    const char* base = std::getenv("ZEL_BENCH_DIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/zelbenchcopyXXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        state.SkipWithError("cannot make the temporary folder");
        return;
    }
    const std::string folder = pattern;
    const std::string source = folder + "/source.bin";
    const std::string routeCopy = folder + "/Music/copy.bin";
    const std::string cpCopy = folder + "/cp.bin";
    std::filesystem::create_directories(folder + "/Music");
    MakeSource(source, mib);
    ZelMapDrive(kLetter, folder.c_str());

    {
        CountingHost host;
        BenchUMS device;
        device.m_Settings = tagDeviceSettings{};
        device.m_Settings.DriveLetter = kLetter;
        device.m_Settings.PlayerType = 1;
        SetField(device.m_Settings.Folders[0], u"Music");
        tagDeviceInfo info{};
        info.DriveLetter = kLetter;
        info.ProductID = 0x5000;
        bool failed = device.CreateDevice(&info, host.Handle()) != ZEL_SUCCESS;
        device.Prepare(u"E:\\Music\\");

        const std::vector<std::string> cpCommand{"cp", source, cpCopy};
        std::vector<double> routeRates, cpRates, ratios;
        long messagesPerFile = 0, rssGrowth = 0;
        for (auto _ : state) {
            const long rssBefore = PeakRssKiB();
            // Round 0 warms up (the source was just written) and is not counted.
            for (size_t round = 0; round <= rounds && !failed; ++round) {
                // Each copy starts from the same state: no earlier copy, its pages written back.
                std::filesystem::remove(routeCopy);
                sync();
                CountingHost::percentages = 0;
                auto start = std::chrono::steady_clock::now();
                CString written;
                const DWORD result =
                    device.TransferFileThroughMSC(u"E:\\source.bin", CString(u"E:\\Music\\copy.bin"), written);
                const double routeSeconds = Seconds(std::chrono::steady_clock::now() - start);
                failed = result != ZEL_SUCCESS;
                messagesPerFile = std::max(messagesPerFile, CountingHost::percentages);

                std::filesystem::remove(cpCopy);
                sync();
                // A copy of this size is bound by the disk: wall-clock time is what counts.
                const double cpSeconds = TimeCommand(cpCommand).wall;
                failed = failed || cpSeconds < 0;
                if (round == 0) continue;
                routeRates.push_back(static_cast<double>(mib) / routeSeconds);
                cpRates.push_back(static_cast<double>(mib) / cpSeconds);
                ratios.push_back(routeRates.back() / cpRates.back());
                state.SetIterationTime(routeSeconds);
            }
            rssGrowth = PeakRssKiB() - rssBefore;
        }
        if (failed) {
            state.SkipWithError("a copy failed");
        } else {
            state.counters["file_MiB"] = static_cast<double>(mib);
            state.counters["rounds"] = static_cast<double>(rounds);
            state.counters["route_MiBps"] = Median(routeRates);
            state.counters["cp_MiBps"] = Median(cpRates);
            state.counters["ratio"] = Median(ratios);
            state.counters["ratio_min"] = *std::min_element(ratios.begin(), ratios.end());
            state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
            state.counters["messages_per_file"] = static_cast<double>(messagesPerFile);
            state.counters["peak_rss_growth_KiB"] = static_cast<double>(rssGrowth);
            Figure copy;
            copy.workload = "Copy one " + std::to_string(mib) + " MiB file onto the player (file route), throughput";
            copy.ours = Median(routeRates);
            copy.unit = "MiB/s";
            copy.yardstick = "cp";
            copy.yardstickValue = Median(cpRates);
            copy.ratio = Median(ratios);
            copy.goal = Goal::AtLeast;
            copy.goalValue = 0.97;
            AddFigure(copy);
            Figure messages;
            messages.workload = "Progress messages sent for that file";
            messages.ours = static_cast<double>(messagesPerFile);
            messages.goal = Goal::AtMost;
            messages.goalValue = 101;
            AddFigure(messages);
        }
    }
    ZelUnmapDrive(kLetter);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

}  // namespace

BENCHMARK(BM_FileRouteVersusCp)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
int main(int argc, char** argv) { return zelbench::RunBenchmarks(argc, argv, "bench_copy"); }
