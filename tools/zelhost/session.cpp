// Setting up a player for the commands: profile, drive, windows, device object
// and the database library on the player.
#include "session.h"

#include "diagnostics.h"
#include "shortcut_paths.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "player_files.h"
#include "scratch.h"

namespace zelhost {

namespace fs = std::filesystem;

namespace {

constexpr char16_t kDeviceClass[] = u"ZelHostDevice";

// path lies inside folder once every link is followed (both exist).
bool InsideFolder(const std::string& path, const std::string& folder) {
    std::error_code failed;
    const fs::path real = fs::canonical(path, failed), root = fs::canonical(folder, failed);
    if (failed) return false;
    const std::string a = real.string(), b = root.string();
    return a.size() > b.size() && a.compare(0, b.size(), b) == 0 && (b == "/" || a[b.size()] == '/');
}

template <size_t N>
void SetField(WCHAR (&field)[N], const std::u16string& text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy_n(text.begin(), std::min(text.size(), N - 1), field);
}

// An entry point of a loaded module as the function type it has.
template <class Proc>
Proc EntryPoint(HMODULE module, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool SameNoCase(const std::u16string& a, const std::u16string& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

}  // namespace

std::optional<Profile> LoadProfile(const std::string& nameOrFile, std::string& error) {
    std::string text = BuiltinProfileText(nameOrFile);
    if (text.empty()) {
        std::error_code missing;
        if (!fs::is_regular_file(nameOrFile, missing)) {
            std::string names;
            for (const std::string& name : BuiltinProfileNames()) names += (names.empty() ? "" : ", ") + name;
            error = "no profile '" + nameOrFile + "' (built-in profiles: " + names + "; or give a profile file)";
            return std::nullopt;
        }
        std::optional<std::string> read = ReadWholeFile(nameOrFile);
        if (!read) {
            error = "cannot read the profile file " + nameOrFile;
            return std::nullopt;
        }
        text = *read;
    }
    return ParseProfile(text, nameOrFile, error);
}

Session::Session(const SessionOptions& options, Profile profile, ProgressDisplay::Mode mode)
    : m_playerFolder(options.playerFolder),
      m_cardFolder(options.cardFolder),
      m_profile(std::move(profile)),
      m_json(options.json),
      m_verbose(options.verbose),
      m_usePlayerLibrary(options.usePlayerLibrary),
      m_fatNames(options.fatNames),
      m_display(mode) {}

std::unique_ptr<Session> Session::Open(const SessionOptions& options, int& exitCode, std::string& error) {
    InstallDiagnostics(options.verbose);
    std::error_code failed;
    const std::string folder =
        options.playerFolder.empty() ? std::string() : fs::absolute(options.playerFolder, failed).lexically_normal().string();

    // The profile: the one asked for, else the one the player was set up with, else the default.
    std::optional<Profile> profile;
    bool usePlayerLibrary = options.usePlayerLibrary;
    if (!options.profile.empty()) {
        profile = LoadProfile(options.profile, error);
        if (profile) usePlayerLibrary = usePlayerLibrary || profile->usePlayerLibrary;
    } else if (!folder.empty()) {
        std::u16string saved(kSavedProfile);
        std::replace(saved.begin(), saved.end(), u'\\', u'/');
        const std::string savedPath = folder + "/" + ZelToUtf8(saved);
        if (fs::is_regular_file(savedPath, failed)) {
            std::optional<std::string> read;
            if (!InsideFolder(savedPath, folder))
                error = "the player's saved profile " + savedPath + " lies outside the player (a link); give --profile";
            else if (!(read = ReadWholeFile(savedPath)))
                error = "cannot read the player's saved profile " + savedPath;
            else if (!(profile = ParseProfile(*read, savedPath, error)))
                error = "the player's saved profile cannot be used (" + error +
                        "); it is left as it is: give --profile NAME|FILE to set the player up again";
            // What the player keeps cannot decide to run code from the player.
            if (profile) profile->usePlayerLibrary = false;
        } else
            profile = LoadProfile(kDefaultProfile, error);
    } else {
        profile = LoadProfile(kDefaultProfile, error);
    }
    if (!profile) {
        exitCode = kExitUsage;
        return nullptr;
    }
    // Without a folder only an MTP player can be reached: the real one libmtp finds.
    if (folder.empty() && !profile->IsMtp()) {
        exitCode = kExitUsage;
        error = "no player folder: give --player DIR (or set ZELHOST_PLAYER)";
        return nullptr;
    }
    if (!options.cardFolder.empty() && !(profile->IsMtp() && !folder.empty())) {
        exitCode = kExitUsage;
        error = "--card names the memory card of a simulated MTP player (an MTP profile and --player DIR)";
        return nullptr;
    }
    if (folder.empty()) {
        std::unique_ptr<Session> session(new Session(options, std::move(*profile), ChooseProgressMode(options.json)));
        if (!session->SetUp(exitCode, error)) return nullptr;
        return session;
    }
    // A usage error leaves no folder behind: the player folder is made only now.
    fs::create_directories(folder, failed);
    if (!fs::is_directory(folder, failed)) {
        exitCode = kExitNoDevice;
        error = "the player folder " + options.playerFolder + " cannot be made";
        return nullptr;
    }

    SessionOptions resolved = options;
    resolved.playerFolder = folder;
    resolved.usePlayerLibrary = usePlayerLibrary;
    if (!options.cardFolder.empty()) {
        resolved.cardFolder = fs::absolute(options.cardFolder, failed).lexically_normal().string();
        fs::create_directories(resolved.cardFolder, failed);
        if (!fs::is_directory(resolved.cardFolder, failed)) {
            exitCode = kExitNoDevice;
            error = "the card folder " + options.cardFolder + " cannot be made";
            return nullptr;
        }
    }
    std::unique_ptr<Session> session(new Session(resolved, std::move(*profile), ChooseProgressMode(options.json)));
    if (!session->SetUp(exitCode, error)) return nullptr;
    return session;
}

bool Session::SetUp(int& exitCode, std::string& error) {
    exitCode = kExitNoDevice;
    if (IsMtp()) return SetUpMtp(exitCode, error);
    if (!ZelMapDrive(m_profile.drive, m_playerFolder.c_str())) {
        error = "cannot map the player folder as drive " + std::string(1, static_cast<char>(m_profile.drive)) + ":";
        return false;
    }
    m_mapped = true;
    std::u16string library;
    if (m_profile.UsesDatabase() && !InstallDatabaseLibrary(library, error)) return false;

    m_window = std::make_unique<HostWindow>(m_display);
    m_device = std::make_unique<CZEL_DeviceForUMS>();
    // The device object's own window receives what the database library reports.
    m_device->CreateEx(0, kDeviceClass, u"player", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
    m_profile.FillSettings(m_device->m_Settings);
    // The device loads the very file zelhost checked, not whatever else the
    // module loader might find beside the profile's name.
    if (!library.empty()) SetField(m_device->m_Settings.DBLibraryPath, library);

    tagDeviceInfo info = m_profile.DeviceInfo();
    const DWORD result = m_device->CreateDevice(&info, m_window->Handle());
    if (ZelFailed(result)) {
        error = "the player could not be set up: " + DescribeResult(result) + " (" + HexCode(result) + ")";
        return false;
    }
    // Ctrl-C reaches the transfer in flight through the library.
    m_window->CancelOnInterrupt(m_device.get());
    // Only a profile that set the player up is kept for later commands.
    std::string warning;
    if (!SaveProfile(warning)) std::fprintf(stderr, "zelhost: the profile is not kept on the player: %s\n", warning.c_str());

    if (m_profile.UsesDatabase()) {
        // The device loaded the library from the player; loading the same module
        // again reaches the same database in memory.
        m_database = LoadLibraryW(m_device->m_Settings.DBLibraryPath);
        if (m_database != nullptr) {
            m_listRecords = EntryPoint<ZELDB_LISTRECORDS_PROC>(m_database, ZELDB_LISTRECORDS_NAME);
            m_getRecord = EntryPoint<ZELDB_GETRECORD_PROC>(m_database, ZELDB_GETRECORD_NAME);
            m_sync = EntryPoint<ZELDB_DBSYNC_PROC>(m_database, ZELDB_DBSYNC_NAME);
        }
    }
    exitCode = kExitOk;
    return true;
}

bool Session::SetUpMtp(int& exitCode, std::string& error) {
    // The agent opens the simulated player the variables name when the device is set up.
    if (!m_playerFolder.empty()) {
        setenv("ZEL_MTP_PLAYER", m_playerFolder.c_str(), 1);
        setenv("ZEL_MTP_CARD", m_cardFolder.c_str(), 1);
    }
    // The set-up reads the player's firmware description through the library's
    // temporary folder, which lives in the scratch folder, not in the user's home.
    if (!Scratch::OfProcess().Ready(error)) return false;
    m_window = std::make_unique<HostWindow>(m_display);
    m_device = std::make_unique<CZEL_DeviceForMTP>();
    // The device object's own window receives the agent's copy progress.
    m_device->CreateEx(0, kDeviceClass, u"player", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
    m_profile.FillSettings(m_device->m_Settings);

    tagDeviceInfo info = m_profile.DeviceInfo();
    const DWORD result = m_device->CreateDevice(&info, m_window->Handle());
    if (ZelFailed(result)) {
        error = m_playerFolder.empty()
                    ? "no MTP player could be opened (connect one, see zelhost devices, or give --player DIR for a "
                      "simulated one): " + DescribeResult(result) + " (" + HexCode(result) + ")"
                    : "the simulated MTP player could not be set up: " + DescribeResult(result) + " (" +
                          HexCode(result) + ")";
        return false;
    }
    // Ctrl-C reaches the transfer in flight through the library.
    m_window->CancelOnInterrupt(m_device.get());
    std::string warning;
    if (!m_playerFolder.empty() && !SaveProfile(warning))
        std::fprintf(stderr, "zelhost: the profile is not kept on the player: %s\n", warning.c_str());
    exitCode = kExitOk;
    return true;
}

Session::~Session() {
    if (m_changed) SyncDatabase();
    m_display.Interrupt();
    m_device.reset();
    if (m_database != nullptr) FreeLibrary(m_database);
    m_window.reset();
    if (m_mapped) ZelUnmapDrive(m_profile.drive);
    ZelSetDebugSink(nullptr, nullptr);
}

bool Session::SaveProfile(std::string& error) {
    // The player remembers its profile, so later commands need no --profile. It
    // is written only when it changes, and never half: a command running at the
    // same time reads the old profile or the new one.
    Profile kept = m_profile;
    kept.usePlayerLibrary = false;  // never decided by what the player keeps
    const std::string text = kept.ToText();
    std::optional<std::string> path;
    if (IsMtp() && m_playerFolder.empty()) return true;  // a real MTP player: nothing is kept on it
    if (IsMtp()) {
        // A simulated MTP player keeps it in its folder, as the drive of a mass-storage one does.
        std::u16string relative(kSavedProfile);
        std::replace(relative.begin(), relative.end(), u'\\', u'/');
        path = m_playerFolder + "/" + ZelToUtf8(relative);
        std::error_code ignored;
        fs::create_directories(fs::path(*path).parent_path(), ignored);
        if (!InsideFolder(fs::path(*path).parent_path().string(), m_playerFolder)) {
            error = "its System folder lies outside the player (a link)";
            return false;
        }
    } else {
        const std::u16string root{m_profile.drive, u':', u'\\'};
        CreateDirectoryW((root + u"System").c_str(), nullptr);  // an existing folder is no error
        path = PlayerHostPath(root + kSavedProfile, error);
    }
    if (!path) return false;
    const std::optional<std::string> existing = ReadWholeFile(*path);
    if (existing && *existing == text) return true;
    return ReplaceFileContent(*path, text, error);
}

bool Session::InstallDatabaseLibrary(std::u16string& libraryPath, std::string& error) {
    // DBLibraryPath names X.dll on the player; the module loader finds libX.so beside it.
    const std::u16string& relative = m_profile.database;
    const size_t cut = relative.rfind(u'\\');
    const std::u16string folder = cut == std::u16string::npos ? std::u16string() : relative.substr(0, cut);
    const std::u16string named = cut == std::u16string::npos ? relative : relative.substr(cut + 1);
    std::u16string file = named;
    const size_t dot = file.rfind(u'.');
    if (dot != std::u16string::npos) file.erase(dot);
    const std::string libraryName = "lib" + ZelToUtf8(file) + ".so";

    // The reference library lies where the device library finds its modules.
    const std::string source = ZelFindModule((file + u".dll").c_str());
    const std::optional<std::string> ours = source.empty() ? std::nullopt : ReadWholeFile(source);
    if (!ours) {
        error = "the player's database library " + libraryName +
                " is not in the installed module folder, beside zelhost or on ZEL_MODULE_PATH";
        return false;
    }
    std::u16string target{m_profile.drive, u':', u'\\'};
    size_t start = 0;
    while (start < folder.size()) {
        size_t end = folder.find(u'\\', start);
        if (end == std::u16string::npos) end = folder.size();
        target += folder.substr(start, end - start);
        CreateDirectoryW(target.c_str(), nullptr);  // an existing folder is no error
        target += u'\\';
        start = end + 1;
    }
    const std::u16string folderPath = target;
    target += ZelFromUtf8(libraryName);
    const std::optional<std::string> hostTarget = PlayerHostPath(target, error);
    if (!hostTarget) return false;

    if (m_usePlayerLibrary) {
        // The user trusts the player: whatever library it carries under the
        // profile's name is loaded the way the module loader finds it.
        for (const std::u16string& candidate : {named, ZelFromUtf8(libraryName), file + u".so"}) {
            if (GetFileAttributesW((folderPath + candidate).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        }
    }
    const std::optional<std::string> present = ReadWholeFile(*hostTarget);
    if (present && *present == *ours) {
        libraryPath = target;
        return true;
    }
    // Ours is put in place whole, over any other: a library on the player runs
    // its code inside zelhost, so only the one zelhost ships is loaded.
    if (!ReplaceFileContent(*hostTarget, *ours, error)) {
        error = "cannot put " + libraryName + " on the player: " + error;
        return false;
    }
    if (present) {
        std::fprintf(stderr,
                     "zelhost: the player's %s was not zelhost's own and was replaced by it "
                     "(--use-player-library loads the player's own)\n",
                     libraryName.c_str());
    }
    libraryPath = target;
    return true;
}

std::vector<std::u16string> Session::SplitPlayerPath(const std::string& path) {
    std::u16string text = ZelFromUtf8(path);
    // A drive the user typed ("E:\Music", "E:"); "a:b" is a name, not a drive.
    const bool drive = text.size() >= 2 && text[1] == u':' &&
                       ((text[0] >= u'A' && text[0] <= u'Z') || (text[0] >= u'a' && text[0] <= u'z')) &&
                       (text.size() == 2 || text[2] == u'\\' || text[2] == u'/');
    if (drive) text.erase(0, 2);
    std::vector<std::u16string> components;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(u"/\\", start);
        if (end == std::u16string::npos) end = text.size();
        const std::u16string part = text.substr(start, end - start);
        if (part == u"..") {
            if (!components.empty()) components.pop_back();
        } else if (!part.empty() && part != u".") {
            components.push_back(part);
        }
        start = end + 1;
    }
    return components;
}

std::u16string Session::DevicePath(const std::vector<std::u16string>& components) const {
    std::u16string path = IsMtp() ? std::u16string(u"\\") : std::u16string{m_profile.drive, u':', u'\\'};
    for (size_t k = 0; k < components.size(); ++k) path += (k == 0 ? u"" : u"\\") + components[k];
    return path;
}

std::u16string Session::JoinDevicePath(const std::u16string& folder, const std::u16string& name) {
    return !folder.empty() && folder.back() == u'\\' ? folder + name : folder + u"\\" + name;
}

std::u16string Session::CurrentFolderPath() {
    const std::u16string current = m_device->GetCurrentPath().Str();
    // An MTP player's current path has no drive and no "\" at either end.
    if (IsMtp()) return current.empty() ? u"\\" : u"\\" + current + u"\\";
    return current;
}

std::string Session::ShownPath(const std::vector<std::u16string>& components) {
    if (components.empty()) return "/";
    std::string path;
    for (size_t k = 0; k < components.size(); ++k) path += (k == 0 ? "" : "/") + ZelToUtf8(components[k]);
    return path;
}

bool Session::GoTo(std::vector<std::u16string>& components, std::string& error) {
    for (int guard = 0; guard < 256 && !m_device->IsDeviceRoot(); ++guard) {
        std::u16string up = u"..";
        m_device->MoveFolder(up.data());
    }
    // "@music/Rock": the device opens the special folder, whose path then stands for the name.
    size_t k = 0;
    if (!OpenSpecialFolder(*this, components, k, error)) return false;
    for (; k < components.size(); ++k) {
        const std::optional<PlayerEntry> entry = FindInCurrent(components[k]);
        if (!entry || !entry->folder) {
            std::vector<std::u16string> reached(components.begin(), components.begin() + static_cast<long>(k) + 1);
            error = "no folder " + ShownPath(reached) + " on the player";
            return false;
        }
        components[k] = entry->name;
        std::u16string name = entry->name;
        m_device->MoveFolder(name.data());
    }
    return true;
}

std::vector<PlayerEntry> Session::ListCurrent() {
    std::vector<PlayerEntry> entries;
    const std::u16string folder = CurrentFolderPath();
    for (CZEL_File* file = m_device->FindFileFirst(); file != nullptr; file = m_device->FindFileNext()) {
        if (file->Name == u"." || file->Name == u"..") continue;
        PlayerEntry entry;
        entry.name = file->Name.Str();
        entry.devicePath = folder + entry.name;
        entry.folder = file->IsFolder();
        entry.size = file->Size;
        entry.timeStamp = file->TimeStamp.Str();
        // Entries the device added after a transfer carry no media type; the
        // extension gives it as it does for listed ones.
        if (!entry.folder) {
            const size_t dot = entry.name.rfind(u'.');
            std::u16string extension = dot == std::u16string::npos ? entry.name : entry.name.substr(dot + 1);
            for (char16_t& c : extension) c = ZelToUpper(c);
            entry.mediaType = CZEL_File::MediaTypeOfExtension(CString(extension));
        }
        entry.inDatabase = file->InDatabase;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<PlayerEntry> Session::FindInCurrent(const std::u16string& name) {
    std::optional<PlayerEntry> found;
    for (PlayerEntry& entry : ListCurrent()) {
        if (entry.name == name) return entry;  // an exact match wins over one that differs in case
        if (!found && SameNoCase(entry.name, name)) found = entry;
    }
    return found;
}

bool Session::GetRecord(const std::u16string& devicePath, tagDB_File& record) const {
    record = tagDB_File{};
    return m_getRecord != nullptr && m_getRecord(devicePath.c_str(), &record) != 0;
}

std::vector<tagDB_File> Session::Records() const {
    std::vector<tagDB_File> records;
    if (m_listRecords == nullptr) return records;
    const int count = m_listRecords(nullptr, 0);
    if (count <= 0) return records;
    records.resize(static_cast<size_t>(count));
    const int copied = m_listRecords(records.data(), count);
    records.resize(static_cast<size_t>(std::clamp(copied, 0, count)));
    return records;
}

bool Session::SyncDatabase() { return m_sync == nullptr || m_sync(1) != 0; }

bool Session::RecordLanded(const std::u16string& devicePath, DWORD mediaType, std::string& error) {
    if (!HasDatabase()) return true;
    const std::string where = ZelToUtf8(devicePath);
    if (!SyncDatabase()) {
        error = "it landed as " + where + ", but the player's database could not be written: its record is missing";
        return false;
    }
    // These two models keep only music in their database.
    if ((m_profile.model == u"RV-M41" || m_profile.model == u"RV-M43") && !(mediaType & ZEL_MEDIA_AUDIO)) return true;
    auto record = std::make_unique<tagDB_File>();
    if (!GetRecord(devicePath, *record)) {
        error = "it landed as " + where + ", but the player's database did not take its record";
        return false;
    }
    return true;
}

bool Session::RecordRemoved(const std::string& shownPath, std::string& error) {
    if (SyncDatabase()) return true;
    error = "removed, but the player's database could not be written: it still holds the records of " + shownPath;
    return false;
}

}  // namespace zelhost
