// What every benchmark program of the project shares: settings from the
// environment, a scratch folder, timing of the yardstick commands (cp, ls, ...)
// run as their own processes, medians, and the figures that scripts/bench turns
// into docs/PERFORMANCE.md.
//
// A figure is one line of the performance page: the workload, this project's
// number, the yardstick's number measured in the same run, their ratio and the
// goal. A program adds figures while it runs (AddFigure) or derives them from
// the finished benchmarks (the derive step of RunBenchmarks); when
// ZEL_BENCH_FIGURES names a file, the figures are appended to it as
// tab-separated lines:
//   program, workload, ours, yardstick, yardstick's number, ratio, goal, verdict
#pragma once

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace zelbench {

// A positive number from the environment, or the fallback.
inline size_t Setting(const char* name, size_t fallback) {
    const char* text = std::getenv(name);
    const long value = text != nullptr ? std::atol(text) : 0;
    return value > 0 ? static_cast<size_t>(value) : fallback;
}

inline double Seconds(std::chrono::steady_clock::duration elapsed) {
    return std::chrono::duration<double>(elapsed).count();
}

inline double Median(std::vector<double> values) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// A new folder for one benchmark's files under ZEL_BENCH_DIR (default /tmp),
// removed with everything in it when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* prefix) {
        const char* base = std::getenv("ZEL_BENCH_DIR");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/" + prefix + "XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    bool Made() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The processor time (user and system) the calling thread has used. The device
// does its work on the calling thread, so this is what an operation costs
// whatever else runs on the machine.
inline double ThreadCpuSeconds() {
    struct timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// What one measured piece of work took: wall-clock seconds and processor seconds.
struct Timing {
    double wall = -1;
    double cpu = -1;
    bool Ok() const { return wall >= 0 && cpu >= 0; }
};

// Times work done on the calling thread.
template <typename Work>
Timing TimeWork(Work&& work) {
    const double cpuStart = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const bool done = work();
    Timing timing;
    timing.wall = Seconds(std::chrono::steady_clock::now() - start);
    timing.cpu = ThreadCpuSeconds() - cpuStart;
    if (!done) timing.wall = timing.cpu = -1;
    return timing;
}

// Runs a command (no shell; its output thrown away) and times it as a user
// would see it, process start included: wall-clock seconds, and the processor
// seconds of the process. Not Ok when it could not run or failed.
inline Timing TimeCommand(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Timing timing;
    if (spawned != 0) return timing;
    int status = 0;
    struct rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return timing;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return timing;
    timing.wall = Seconds(std::chrono::steady_clock::now() - start);
    timing.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    return timing;
}

// Paired measurements of this project and its yardstick, one pair per round.
struct Pairs {
    std::vector<double> ours, yardstick, ratios;
    void Add(double mine, double theirs) {
        ours.push_back(mine);
        yardstick.push_back(theirs);
        ratios.push_back(mine / theirs);
    }
};

// How a figure is judged: its ratio (or, without a yardstick, its own number)
// must stay at most, or at least, the goal's value.
enum class Goal { None, AtMost, AtLeast };

struct Figure {
    std::string workload;
    double ours = NAN;
    std::string unit;          // of ours and of the yardstick's number
    std::string yardstick;     // "cp", "ls -l", "1,000 entries", ...; empty: none
    double yardstickValue = NAN;
    double ratio = NAN;        // ours against the yardstick, as the goal reads it
    Goal goal = Goal::None;
    double goalValue = NAN;
};

inline std::vector<Figure>& Figures() {
    static std::vector<Figure> figures;
    return figures;
}

inline void AddFigure(const Figure& figure) { Figures().push_back(figure); }

// A number with about three significant digits.
inline std::string Number(double value) {
    if (std::isnan(value)) return "—";
    char text[64];
    const double magnitude = std::fabs(value);
    if (magnitude >= 100 || value == std::floor(value)) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else if (magnitude >= 10) {
        std::snprintf(text, sizeof text, "%.1f", value);
    } else if (magnitude >= 1) {
        std::snprintf(text, sizeof text, "%.2f", value);
    } else {
        std::snprintf(text, sizeof text, "%.3g", value);
    }
    return text;
}

inline std::string GoalText(const Figure& figure) {
    switch (figure.goal) {
        case Goal::AtMost: return "≤ " + Number(figure.goalValue) + (figure.yardstick.empty() ? "" : "×");
        case Goal::AtLeast: return "≥ " + Number(figure.goalValue) + (figure.yardstick.empty() ? "" : "×");
        case Goal::None: break;
    }
    return "—";
}

inline std::string Verdict(const Figure& figure) {
    const double judged = figure.yardstick.empty() ? figure.ours : figure.ratio;
    if (figure.goal == Goal::None) return "—";
    if (std::isnan(judged)) return "not measured";
    const bool met = figure.goal == Goal::AtMost ? judged <= figure.goalValue : judged >= figure.goalValue;
    return met ? "met" : "NOT met";
}

inline std::string WithUnit(double value, const std::string& unit) {
    return std::isnan(value) ? "—" : Number(value) + (unit.empty() ? "" : " " + unit);
}

// Prints the figures and appends them to the file ZEL_BENCH_FIGURES names.
inline void WriteFigures(const std::string& program) {
    const char* target = std::getenv("ZEL_BENCH_FIGURES");
    std::ofstream out;
    if (target != nullptr && *target != 0) out.open(target, std::ios::app);
    for (const Figure& f : Figures()) {
        const std::string ratio = std::isnan(f.ratio) ? "—" : Number(f.ratio) + "×";
        const std::string line = program + "\t" + f.workload + "\t" + WithUnit(f.ours, f.unit) + "\t" +
                                 (f.yardstick.empty() ? "—" : f.yardstick) + "\t" + WithUnit(f.yardstickValue, f.unit) +
                                 "\t" + ratio + "\t" + GoalText(f) + "\t" + Verdict(f);
        std::printf("figure\t%s\n", line.c_str());
        if (out.is_open()) out << line << '\n';
    }
}

// The finished benchmarks by name ("BM_X/1000"): processor time per iteration
// in seconds and the counters; the median of the repetitions when there were any.
struct Result {
    double seconds = NAN;
    std::map<std::string, double> counters;
};
using Results = std::map<std::string, Result>;

class CapturingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            // The name without the run's settings (repetitions, iterations, ...).
            const std::string name =
                run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            // A median replaces single repetitions; single runs never replace a median.
            if (!median && medians_.count(name) != 0) continue;
            if (median) medians_[name] = true;
            Result& result = results[name];
            result.seconds = run.GetAdjustedCPUTime() / TimeUnitSeconds(run.time_unit);
            for (const auto& [key, counter] : run.counters) result.counters[key] = counter.value;
        }
    }
    Results results;

private:
    static double TimeUnitSeconds(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond: return 1e9;
            case benchmark::kMicrosecond: return 1e6;
            case benchmark::kMillisecond: return 1e3;
            case benchmark::kSecond: return 1;
        }
        return 1;
    }
    std::map<std::string, bool> medians_;
};

// Runs the registered benchmarks, lets derive add the figures that compare
// finished benchmarks, and writes every figure.
inline int RunBenchmarks(int argc, char** argv, const std::string& program,
                         const std::function<void(const Results&)>& derive = {}) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CapturingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (derive) derive(reporter.results);
    WriteFigures(program);
    return 0;
}

// Seconds per item of a finished benchmark that processed items entries per iteration.
inline double PerItem(const Results& results, const std::string& name, double items) {
    auto found = results.find(name);
    return found == results.end() ? NAN : found->second.seconds / items;
}

// A figure that sets one finished benchmark's cost per item against another's
// (a larger size against a smaller, one layout against another). Nothing is
// added when either did not run.
inline void AddPerItemFigure(const Results& results, const std::string& workload, const std::string& ours,
                             double ourItems, const std::string& yardstick, double yardstickItems,
                             const std::string& yardstickLabel, Goal goal = Goal::None, double goalValue = NAN) {
    const double mine = PerItem(results, ours, ourItems), theirs = PerItem(results, yardstick, yardstickItems);
    if (std::isnan(mine) || std::isnan(theirs)) return;
    Figure figure;
    figure.workload = workload;
    figure.ours = mine * 1e6;
    figure.unit = "µs/entry";
    figure.yardstick = yardstickLabel;
    figure.yardstickValue = theirs * 1e6;
    figure.ratio = mine / theirs;
    figure.goal = goal;
    figure.goalValue = goalValue;
    AddFigure(figure);
}

}  // namespace zelbench
