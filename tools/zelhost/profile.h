// Player profiles: every value the host supplies in a device object's settings,
// read from a small text format, and the profiles zelhost has built in.
//
// A profile is lines of "key = value"; "#" starts a comment, blank lines are
// ignored, keys compare without regard to case. README.md beside this file and
// `zelhost --help profiles` describe every key.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "ZELDevice/ZELDevice.h"

namespace zelhost {

// How a player is reached: as a drive (mass storage) or through the device agent (MTP).
enum class PlayerKind { MassStorage, Mtp };

struct Profile {
    std::string name;          // "xpl-db", or the file it came from
    std::string description;   // one line for people
    PlayerKind kind = PlayerKind::MassStorage;
    char16_t drive = u'E';     // the letter the player folder is mapped as (mass storage)
    std::u16string model;      // ModelName (at most 19 units)
    WORD productId = 0;
    WORD secondId = 0;
    DWORD playerType = 0;      // 1 XPL, 2 PLP, anything else: no playlist files
    DWORD capabilities = 0;    // ZEL_CAP_* bits
    std::u16string extensions; // "MP3.WMA.JPG", upper case
    std::array<std::u16string, ZEL_FOLDERS> folders;  // 0 music, 1 video, 2 photo, 3 text, ...
    std::u16string playlistFolder;                     // relative to the player's root
    DWORD albumArtWidth = 0;
    DWORD albumArtHeight = 0;
    std::u16string database;   // database library, relative to the root: System\ZELPlayerDB.dll
    std::vector<std::u16string> specialFolders;        // paths below the root, at most 6
    // Load a database library on the player that differs from zelhost's own
    // instead of replacing it. It runs that library's code: only for a player one trusts.
    bool usePlayerLibrary = false;

    // Whether the device keeps the player's database (capability 0x8, PlayerType not 2).
    bool UsesDatabase() const { return (capabilities & ZEL_CAP_DATABASE) != 0 && playerType != 2; }
    bool IsMtp() const { return kind == PlayerKind::Mtp; }
    // The profile in its own text format; parsing it gives the same profile back.
    std::string ToText() const;
    // Writes every host-supplied field into a device object's settings.
    void FillSettings(tagDeviceSettings& settings) const;
    // The device information the host hands CreateDevice.
    tagDeviceInfo DeviceInfo() const;
};

// Parses a profile text. On failure the answer is empty and error says which line is wrong.
std::optional<Profile> ParseProfile(const std::string& text, const std::string& name, std::string& error);

// The built-in profiles, in the order `zelhost profiles` lists them.
const std::vector<std::string>& BuiltinProfileNames();
// The text of a built-in profile, empty when there is none of that name.
std::string BuiltinProfileText(const std::string& name);
// The profile the commands use when neither --profile nor the player names one.
inline constexpr const char* kDefaultProfile = "xpl-db";
// The built-in profile of an MTP player (zelhost demo --mtp).
inline constexpr const char* kDefaultMtpProfile = "mtp-player";

// "mass-storage" or "mtp".
std::string PlayerKindName(PlayerKind kind);

// A capability bit's name ("database"), or empty for a bit without one.
std::string CapabilityName(DWORD bit);
// The names of every set bit; bits without a name appear as hexadecimal numbers.
std::vector<std::string> CapabilityNames(DWORD capabilities);
// "xpl", "plp" or the number.
std::string PlayerTypeName(DWORD playerType);
// The name of a Folders entry ("music"), or its number as text.
std::string FolderKeyName(size_t index);

}  // namespace zelhost
