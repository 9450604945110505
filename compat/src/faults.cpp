// The fault-injection seam: a small table of path patterns and the errors that
// calls on matching paths must fail with.
#include <map>
#include <mutex>
#include <vector>

#include "faultsinternal.h"
#include "paths.h"

namespace zel {
namespace {

struct Fault {
    int id;
    std::u16string pattern;
    DWORD ops;
    DWORD error;
    ULONGLONG afterBytes;
};

struct FaultTable {
    std::mutex lock;
    std::vector<Fault> faults;
    std::map<WCHAR, std::pair<ULONGLONG, ULONGLONG>> space;
    int next = 1;
};

FaultTable& Table() {
    static FaultTable* table = new FaultTable;
    return *table;
}

// Patterns are normalised like paths, so "e:/music/*" and "E:\Music\*" agree.
std::u16string Normalise(LPCWSTR pattern) {
    std::u16string raw = pattern ? pattern : u"";
    bool absolute = raw.size() >= 2 && (raw[1] == u':' || raw[0] == u'\\');
    if (!absolute) return raw;  // a pattern such as "*" or "*.mp3" matches any folder
    WindowsPath parsed;
    if (!ParseWindowsPath(pattern, parsed)) return pattern ? pattern : u"";
    return parsed.Text();
}

}  // namespace

bool FindFault(const std::u16string& windowsPath, DWORD op, FaultHit& hit) {
    FaultTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    for (const Fault& fault : table.faults) {
        if ((fault.ops & op) && WildcardMatch(fault.pattern, windowsPath)) {
            hit.error = fault.error;
            hit.afterBytes = fault.afterBytes;
            return true;
        }
    }
    return false;
}

bool AnyFault(DWORD op) {
    FaultTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    for (const Fault& fault : table.faults) {
        if (fault.ops & op) return true;
    }
    return false;
}

bool FakeDriveSpace(WCHAR letter, ULONGLONG& freeBytes, ULONGLONG& totalBytes) {
    if (letter >= u'a' && letter <= u'z') letter = static_cast<WCHAR>(letter - 32);
    FaultTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.space.find(letter);
    if (found == table.space.end()) return false;
    freeBytes = found->second.first;
    totalBytes = found->second.second;
    return true;
}

}  // namespace zel

int ZelInjectFault(LPCWSTR pattern, DWORD ops, DWORD error, ULONGLONG afterBytes) {
    zel::FaultTable& table = zel::Table();
    std::u16string normalised = zel::Normalise(pattern);
    std::lock_guard<std::mutex> guard(table.lock);
    int id = table.next++;
    table.faults.push_back({id, normalised, ops, error, afterBytes});
    return id;
}

void ZelRemoveFault(int id) {
    zel::FaultTable& table = zel::Table();
    std::lock_guard<std::mutex> guard(table.lock);
    std::erase_if(table.faults, [id](const zel::Fault& f) { return f.id == id; });
}

void ZelClearFaults() {
    zel::FaultTable& table = zel::Table();
    std::lock_guard<std::mutex> guard(table.lock);
    table.faults.clear();
    table.space.clear();
}

void ZelSetDriveSpace(WCHAR letter, ULONGLONG freeBytes, ULONGLONG totalBytes) {
    if (letter >= u'a' && letter <= u'z') letter = static_cast<WCHAR>(letter - 32);
    zel::FaultTable& table = zel::Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (freeBytes == 0 && totalBytes == 0) {
        table.space.erase(letter);
    } else {
        table.space[letter] = {freeBytes, totalBytes};
    }
}
