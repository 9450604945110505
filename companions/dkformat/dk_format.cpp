// DK_Format: a quick format of a mapped drive. It checks its arguments, opens
// the drive's folder, tells the callback each stage as it begins
// (initialising, working out the tables, writing the data), counts what is on
// the drive, and removes all of it with percentages. The callback's 0 stops the
// format where it stands; what was not removed is named in the debugger output.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ZELDevice/abi/DriveFormat.h"
#include "dk_volume.h"
#include "zelcompat/debug.h"
#include "zelcompat/drives.h"
#include "zelcompat/textfn.h"

namespace {

constexpr size_t kModelBytes = 128;
constexpr size_t kMostNamed = 50;  // lines of leftovers before the rest is only counted
constexpr BYTE kMostFileSystem = 2;  // 0 chosen by size, 1 FAT16, 2 FAT32
constexpr BYTE kMostClusterSectors = 128;

void Say(const std::string& line) { OutputDebugStringW(ZelFromUtf8("[DK_Format] " + line + "\n").c_str()); }

bool ValidClusterSectors(BYTE sectors) { return sectors != 0 && sectors <= kMostClusterSectors && (sectors & (sectors - 1)) == 0; }

// The model as UTF-8 for the debugger line; the argument is in the system code page.
std::string ModelText(const char* model) {
    WCHAR wide[kModelBytes] = {};
    MultiByteToWideChar(CP_ACP, 0, model, -1, wide, static_cast<int>(kModelBytes));
    wide[kModelBytes - 1] = 0;
    return ZelToUtf8(wide);
}

// Asks the callback; a missing callback never stops the format.
class Reporter {
public:
    Reporter(DK_FORMAT_CALLBACK callback, void* context) : m_callback(callback), m_context(context) {}
    bool Notice(int stage) { return Ask(DK_STAGE_NOTICE, static_cast<DWORD>(stage), 0); }
    bool Busy(DWORD value) { return Ask(DK_STAGE_BUSY, value, 0); }
    // Reports entries done of total when the whole percentage changed; otherwise
    // every few hundred entries a busy call keeps the host responsive.
    bool Progress(size_t done, size_t total) {
        const BYTE percent = static_cast<BYTE>(total == 0 || done >= total ? 100 : done * 100 / total);
        if (percent != m_lastPercent) {
            m_lastPercent = percent;
            return Ask(DK_STAGE_PERCENT, static_cast<DWORD>(done), percent);
        }
        return done % 256 != 0 || Busy(static_cast<DWORD>(done));
    }

private:
    bool Ask(DWORD stage, DWORD value, BYTE percent) {
        return m_callback == nullptr || m_callback(stage, value, percent, m_context) != 0;
    }
    DK_FORMAT_CALLBACK m_callback;
    void* m_context;
    int m_lastPercent = -1;
};

void NameLeftovers(const std::vector<dkformat::Leftover>& leftovers) {
    for (size_t k = 0; k < leftovers.size() && k < kMostNamed; ++k)
        Say("not removed: " + leftovers[k].path + " (" + leftovers[k].reason + ")");
    if (leftovers.size() > kMostNamed) Say("... and " + std::to_string(leftovers.size() - kMostNamed) + " more not removed");
}

// The callback stopped the format during stage: says so and names what stayed.
int Stopped(int stage, const dkformat::Volume& volume, size_t removed) {
    static const char* const kStageNames[] = {"initialising", "working out the tables", "writing the data"};
    Say(std::string("stopped while ") + kStageNames[stage - DK_STAGE_INIT] + "; " + std::to_string(removed) +
        " entries were removed");
    std::vector<std::string> rest = volume.RootEntries();
    for (size_t k = 0; k < rest.size() && k < kMostNamed; ++k) Say("not removed: " + rest[k]);
    if (rest.size() > kMostNamed) Say("... and " + std::to_string(rest.size() - kMostNamed) + " more not removed");
    return stage;
}

int Format(BYTE letter, const char* model, BYTE firstOption, BYTE secondOption, Reporter& report) {
    const char drive = static_cast<char>(ZelToUpper(letter));
    std::string why;
    auto volume = dkformat::Volume::Open(drive, ZelDriveFolder(static_cast<WCHAR>(drive)), why);
    if (!volume) {
        Say(std::string(1, drive) + ": cannot be opened: " + why);
        return DK_ERR_OPEN;
    }
    Say(std::string(1, drive) + ": quick format for \"" + ModelText(model) + "\" (file system " +
        std::to_string(firstOption) + ", " + std::to_string(secondOption) + " sectors per cluster)");

    if (!report.Notice(DK_STAGE_INIT)) return Stopped(DK_STAGE_INIT, *volume, 0);
    if (!report.Notice(DK_STAGE_TABLES)) return Stopped(DK_STAGE_TABLES, *volume, 0);
    size_t total = 0;
    if (!volume->Count(total, [&report, &total] { return report.Busy(static_cast<DWORD>(total)); }))
        return Stopped(DK_STAGE_TABLES, *volume, 0);

    if (!report.Notice(DK_STAGE_WRITE)) return Stopped(DK_STAGE_WRITE, *volume, 0);
    std::vector<dkformat::Leftover> leftovers;
    size_t removed = 0;
    const bool finished = volume->RemoveAll(
        [&report, &removed, total](size_t done) {
            removed = done;
            return report.Progress(done, total);
        },
        leftovers);
    if (!finished) return Stopped(DK_STAGE_WRITE, *volume, removed);
    if (!leftovers.empty()) {
        NameLeftovers(leftovers);
        return DK_ERR_WRITE;
    }
    if (removed < total || total == 0) report.Progress(total, total);  // the bar ends full
    Say(std::string(1, drive) + ": formatted, " + std::to_string(removed) + " entries removed");
    return DK_OK;
}

}  // namespace

extern "C" AFX_EXT_API int DK_Format(BYTE driveLetter, const char* modelName, BYTE firstOption, BYTE secondOption,
                                     DK_FORMAT_CALLBACK callback, void* context) {
    const WCHAR letter = ZelToUpper(driveLetter);
    if (letter < u'A' || letter > u'Z' || modelName == nullptr || strnlen(modelName, kModelBytes) == kModelBytes ||
        firstOption > kMostFileSystem || !ValidClusterSectors(secondOption)) {
        Say("bad parameters");
        return DK_ERR_PARAMETER;
    }
    try {
        Reporter report(callback, context);
        return Format(driveLetter, modelName, firstOption, secondOption, report);
    } catch (const std::bad_alloc&) {
        return DK_ERR_MEMORY;
    }
}
