// One run of zelhost against one player: the profile, the player folder mapped
// as the profile's drive letter (a mass-storage player) or handed to the agent
// as a simulated MTP player, the host window, the device object with its own
// window, and the player's database library as the host sees it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ZELDevice/ZELDevice.h"
#include "host_window.h"
#include "profile.h"
#include "results.h"

namespace zelhost {

struct SessionOptions {
    std::string playerFolder;  // host folder of the player; made when missing (MTP: the simulated player)
    std::string cardFolder;    // MTP: host folder of the simulated player's memory card
    std::string profile;       // built-in name or profile file; empty: the one the player keeps
    bool json = false;
    bool verbose = false;      // the library's diagnostics go to standard error
    // Load a database library on the player that differs from zelhost's own
    // (it runs code from the player); without it such a library is replaced.
    bool usePlayerLibrary = false;
    // On a FAT player, names FAT refuses are changed instead of refused (fat_names.h).
    bool fatNames = false;
};

// One entry of a folder of the player, as the listing gives it.
struct PlayerEntry {
    std::u16string name;
    std::u16string devicePath;  // E:\Music\a.mp3 (MTP: \Music\a.mp3)
    bool folder = false;
    DWORD size = 0;
    std::u16string timeStamp;  // "YYYYMMDDhhmmss", local time
    DWORD mediaType = 0;
    DWORD inDatabase = 0;
};

// Where the profile a player was set up with is kept, below its root.
inline constexpr char16_t kSavedProfile[] = u"System\\zelhost.profile";

class Session {
public:
    // Sets everything up. Null on failure, with exitCode and error filled.
    static std::unique_ptr<Session> Open(const SessionOptions& options, int& exitCode, std::string& error);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CZEL_Device& Device() { return *m_device; }
    // The device object of a mass-storage player; null for an MTP player.
    CZEL_DeviceForUMS* MassStorageDevice() {
        return IsMtp() ? nullptr : static_cast<CZEL_DeviceForUMS*>(m_device.get());
    }
    // The device object of an MTP player; null for a mass-storage player.
    CZEL_DeviceForMTP* MtpDevice() { return IsMtp() ? static_cast<CZEL_DeviceForMTP*>(m_device.get()) : nullptr; }
    bool IsMtp() const { return m_profile.IsMtp(); }
    // MTP: the simulated player's card folder (empty: none, or a real player).
    const std::string& CardFolder() const { return m_cardFolder; }
    const Profile& GetProfile() const { return m_profile; }
    ProgressDisplay& Display() { return m_display; }
    const std::string& PlayerFolder() const { return m_playerFolder; }
    bool JsonOutput() const { return m_json; }
    bool Verbose() const { return m_verbose; }
    HostWindow& Window() { return *m_window; }
    char16_t Drive() const { return m_profile.drive; }
    // Whether names FAT refuses are changed (--fat-names) rather than refused.
    bool ChangesFatNames() const { return m_fatNames; }

    // ---- Paths on the player. ----
    // "Music/Rock", "/Music\Rock", "E:\Music" all name the same folder; "." and ".." are
    // resolved, never above the root.
    static std::vector<std::u16string> SplitPlayerPath(const std::string& path);
    // E:\Music\Rock (the root is E:\); on an MTP player \Music\Rock (the root is \).
    std::u16string DevicePath(const std::vector<std::u16string>& components) const;
    // A name in a folder of the player, as a device path.
    static std::u16string JoinDevicePath(const std::u16string& folder, const std::u16string& name);
    // Music/Rock for people and scripts ("/" for the root).
    static std::string ShownPath(const std::vector<std::u16string>& components);
    // Makes a folder the device's current folder, component by component from the
    // root, with the names as the player spells them. False when one is missing.
    bool GoTo(std::vector<std::u16string>& components, std::string& error);
    // The entries of the current folder ("." and ".." left out).
    std::vector<PlayerEntry> ListCurrent();
    // An entry of the current folder, its name matched without regard to case.
    std::optional<PlayerEntry> FindInCurrent(const std::u16string& name);

    // ---- The player's database. ----
    bool HasDatabase() const { return m_getRecord != nullptr; }
    bool GetRecord(const std::u16string& devicePath, tagDB_File& record) const;
    std::vector<tagDB_File> Records() const;
    // A command changed the player: the database file is written before the session ends.
    void Changed() { m_changed = true; }
    // Asks the database library to write its file now; false when it could not
    // (true for a player without a database).
    bool SyncDatabase();
    // After a file landed at devicePath: writes the database and checks that it
    // holds the file's record. False with error naming what is missing.
    bool RecordLanded(const std::u16string& devicePath, DWORD mediaType, std::string& error);
    // After files were deleted: writes the database. False with error filled.
    bool RecordRemoved(const std::string& shownPath, std::string& error);
    // Keeps the profile on the player (System/zelhost.profile), so that later
    // commands need no --profile; written only when it changed. False with error filled.
    bool SaveProfile(std::string& error);

private:
    Session(const SessionOptions& options, Profile profile, ProgressDisplay::Mode mode);
    bool SetUp(int& exitCode, std::string& error);
    // Puts zelhost's database library on the player (or keeps the player's own
    // when the user said so); libraryPath receives what the device is to load.
    bool InstallDatabaseLibrary(std::u16string& libraryPath, std::string& error);
    // The MTP side of SetUp: the agent is told which simulated player to open.
    bool SetUpMtp(int& exitCode, std::string& error);
    // The folder of the current folder's entries as device paths end with "\".
    std::u16string CurrentFolderPath();

    std::string m_playerFolder;
    std::string m_cardFolder;
    Profile m_profile;
    bool m_json;
    bool m_verbose;
    bool m_usePlayerLibrary;
    bool m_fatNames;
    bool m_mapped = false;
    bool m_changed = false;
    ProgressDisplay m_display;
    std::unique_ptr<HostWindow> m_window;
    std::unique_ptr<CZEL_Device> m_device;
    HMODULE m_database = nullptr;
    ZELDB_LISTRECORDS_PROC m_listRecords = nullptr;
    ZELDB_GETRECORD_PROC m_getRecord = nullptr;
    ZELDB_DBSYNC_PROC m_sync = nullptr;
};

// Reads a profile by built-in name or from a file; empty with error filled when neither.
std::optional<Profile> LoadProfile(const std::string& nameOrFile, std::string& error);
// A fixed UTF-16 field as text.
template <size_t N>
std::u16string FieldText(const WCHAR (&field)[N]) {
    size_t length = 0;
    while (length < N && field[length] != 0) ++length;
    return std::u16string(field, length);
}

}  // namespace zelhost
