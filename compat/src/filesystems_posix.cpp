// Finding out, once per file system, what it does the way a FAT drive does.
// statfs names the kernel's FAT (vfat, msdos) and exFAT; a FAT file system
// served through FUSE (fusefat) is named by its mount type in the mount table.
#include "filesystems.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>

#include "zelcompat/fatnames.h"
#include "zelcompat/faults.h"

namespace zel {
namespace {

constexpr unsigned long kFuseMagic = 0x65735546;  // any FUSE file system

struct Detected {
    std::mutex lock;
    std::map<dev_t, FileSystemTraits> byDevice;
    std::set<WCHAR> fatDrives;  // declared FAT by the host
};

Detected& State() {
    static Detected* state = new Detected;
    return *state;
}

// The file system type the mount table gives for a device ("fuse.fusefat").
std::string MountTypeOf(dev_t device) {
    std::ifstream table("/proc/self/mountinfo");
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers;
        fields >> id >> parent >> numbers;
        if (numbers != wanted) continue;
        // The optional fields end at a lone "-"; the type follows it.
        const size_t dash = line.find(" - ");
        if (dash == std::string::npos) return {};
        std::istringstream rest(line.substr(dash + 3));
        std::string type;
        rest >> type;
        return type;
    }
    return {};
}

// The host folder that holds the last component of r (the root: the drive's folder).
std::string HoldingFolder(const Resolved& r) {
    if (r.IsRoot()) return r.host;
    const size_t slash = r.host.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : r.host.substr(0, slash);
}

WCHAR UpperLetter(WCHAR letter) { return letter >= u'a' && letter <= u'z' ? static_cast<WCHAR>(letter - 32) : letter; }

}  // namespace

FileSystemTraits TraitsOfEntry(const std::string& host, dev_t device) {
    Detected& state = State();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        auto found = state.byDevice.find(device);
        if (found != state.byDevice.end()) return found->second;
    }
    struct statfs info;
    FileSystemTraits traits;
    if (statfs(host.c_str(), &info) == 0) {
        const auto type = static_cast<unsigned long>(info.f_type);
        traits = ClassifyFileSystem(type, type == kFuseMagic ? MountTypeOf(device) : std::string());
    }
    std::lock_guard<std::mutex> guard(state.lock);
    state.byDevice.emplace(device, traits);
    return traits;
}

FileSystemTraits TraitsOfFolder(const Resolved& r) {
    const std::string folder = HoldingFolder(r);
    struct stat st;
    FileSystemTraits traits;
    if (stat(folder.c_str(), &st) == 0) traits = TraitsOfEntry(folder, st.st_dev);
    Detected& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.fatDrives.count(UpperLetter(r.path.drive))) traits.fatNames = traits.foldsCase = true;
    return traits;
}

void ForgetFileSystems() {
    Detected& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.byDevice.clear();
}

}  // namespace zel

using namespace zel;

void ZelSetDriveFat(WCHAR letter, BOOL fat) {
    Detected& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (fat)
        state.fatDrives.insert(UpperLetter(letter));
    else
        state.fatDrives.erase(UpperLetter(letter));
}

BOOL ZelDriveKeepsFatNames(WCHAR letter) {
    const WCHAR root[] = {letter, u':', u'\\', 0};
    Resolved r;
    if (Resolve(root, r) != ERROR_SUCCESS || !r.exists) return FALSE;
    return TraitsOfFolder(r).fatNames ? TRUE : FALSE;
}
