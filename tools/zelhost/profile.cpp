// Reading and writing player profiles, and filling device settings from one.
#include "profile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace zelhost {

namespace {

struct NamedBit {
    const char* name;
    DWORD bit;
};

// Every capability bit the library tests, by the name a profile uses.
constexpr NamedBit kCapabilities[] = {
    {"agent", ZEL_CAP_AGENT},
    {"nda-folder", ZEL_CAP_NDA_FOLDER},
    {"playlists", ZEL_CAP_PLAYLISTS},
    {"database", ZEL_CAP_DATABASE},
    {"lyrics", ZEL_CAP_LYRICS},
    {"video", ZEL_CAP_VIDEO},
    {"image", ZEL_CAP_IMAGE},
    {"text", ZEL_CAP_TEXT},
    {"swf", ZEL_CAP_SWF},
    {"agent-route", ZEL_CAP_AGENT_ROUTE},
    {"check-folder", ZEL_CAP_CHECK_FOLDER},
    {"card-slot", ZEL_CAP_CARD_SLOT},
    {"fw-level", ZEL_CAP_FW_LEVEL},
    {"ts3", ZEL_CAP_TS3},
    {"media-80002", ZEL_CAP_MEDIA_80002},
    {"broadcast", ZEL_CAP_BROADCAST},
    {"music-special", ZEL_CAP_MUSIC_SPECIAL},
    {"myauro", ZEL_CAP_MYAURO},
    {"uci", ZEL_CAP_UCI},
    {"new-content", ZEL_CAP_NEW_CONTENT},
    {"guide", ZEL_CAP_GUIDE},
};

// The Folders entries by name; "folder.N" reaches every entry by number too.
constexpr const char* kFolderNames[ZEL_FOLDERS] = {"music", "video",     "photo", "text",  "ts3",
                                                   "extra", "broadcast", "pack",  "pack2", "guide"};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// A whole unsigned number in decimal or with 0x; false for anything else.
bool ParseNumber(const std::string& text, unsigned long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const int base = (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) ? 16 : 10;
    value = std::strtoul(text.c_str(), &end, base);
    return end != nullptr && *end == 0 && text[0] != '-';
}

bool ParseCapabilities(const std::string& value, DWORD& bits, std::string& error) {
    std::string spaced = value;
    std::replace_if(spaced.begin(), spaced.end(), [](char c) { return c == ',' || c == '|' || c == '+'; }, ' ');
    std::istringstream words(spaced);
    std::string word;
    bits = 0;
    while (words >> word) {
        unsigned long number = 0;
        if (ParseNumber(word, number)) {
            bits |= static_cast<DWORD>(number);
            continue;
        }
        const std::string lower = Lower(word);
        const auto known = std::find_if(std::begin(kCapabilities), std::end(kCapabilities),
                                        [&](const NamedBit& named) { return lower == named.name; });
        if (known == std::end(kCapabilities)) {
            error = "unknown capability '" + word + "'";
            return false;
        }
        bits |= known->bit;
    }
    return true;
}

// "128x128" or "0" (no album-art editing).
bool ParseSize(const std::string& value, DWORD& width, DWORD& height) {
    unsigned long w = 0, h = 0;
    const size_t cross = Lower(value).find('x');
    if (cross == std::string::npos) {
        if (!ParseNumber(value, w) || w != 0) return false;
        width = height = 0;
        return true;
    }
    if (!ParseNumber(Trim(value.substr(0, cross)), w) || !ParseNumber(Trim(value.substr(cross + 1)), h)) return false;
    width = static_cast<DWORD>(w);
    height = static_cast<DWORD>(h);
    return true;
}

// Paths in a profile may use "/" or "\"; the player's form is "\" without a leading one.
std::u16string PlayerRelative(const std::string& value) {
    std::u16string path = ZelFromUtf8(value);
    std::replace(path.begin(), path.end(), u'/', u'\\');
    // Separators and blanks at either end go together: a blank left at an end
    // would be trimmed away when the saved profile is read again.
    auto edge = [](char16_t unit) { return unit == u'\\' || unit == u' ' || unit == u'\t' || unit == u'\r'; };
    while (!path.empty() && edge(path.front())) path.erase(path.begin());
    while (!path.empty() && edge(path.back())) path.pop_back();
    return path;
}

template <size_t N>
void SetText(WCHAR (&field)[N], const std::u16string& text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy_n(text.begin(), std::min(text.size(), N - 1), field);
}

std::string Hex(unsigned long value) {
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

}  // namespace

std::string CapabilityName(DWORD bit) {
    for (const NamedBit& named : kCapabilities)
        if (named.bit == bit) return named.name;
    return {};
}

std::vector<std::string> CapabilityNames(DWORD capabilities) {
    std::vector<std::string> names;
    for (int shift = 0; shift < 32; ++shift) {
        const DWORD bit = DWORD{1} << shift;
        if ((capabilities & bit) == 0) continue;
        const std::string name = CapabilityName(bit);
        names.push_back(name.empty() ? Hex(bit) : name);
    }
    return names;
}

std::string PlayerKindName(PlayerKind kind) { return kind == PlayerKind::Mtp ? "mtp" : "mass-storage"; }

std::string PlayerTypeName(DWORD playerType) {
    if (playerType == 1) return "xpl";
    if (playerType == 2) return "plp";
    return std::to_string(playerType);
}

std::string FolderKeyName(size_t index) { return index < ZEL_FOLDERS ? kFolderNames[index] : std::to_string(index); }

std::optional<Profile> ParseProfile(const std::string& text, const std::string& name, std::string& error) {
    Profile profile;
    profile.name = name;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& why) {
        error = name + " line " + std::to_string(number) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(lines, line)) {
        ++number;
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        line = Trim(line);
        if (line.empty()) continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) return fail("expected 'key = value'");
        const std::string key = Lower(Trim(line.substr(0, equals)));
        const std::string value = Trim(line.substr(equals + 1));
        unsigned long numeric = 0;

        if (key == "name") {
            profile.name = value;
        } else if (key == "description") {
            profile.description = value;
        } else if (key == "kind") {
            const std::string lower = Lower(value);
            if (lower == "mass-storage" || lower == "ums") {
                profile.kind = PlayerKind::MassStorage;
            } else if (lower == "mtp") {
                profile.kind = PlayerKind::Mtp;
            } else {
                return fail("kind must be mass-storage or mtp");
            }
        } else if (key == "drive") {
            if (value.size() != 1 || !std::isalpha(static_cast<unsigned char>(value[0])) ||
                std::toupper(static_cast<unsigned char>(value[0])) == 'Z' ||
                std::toupper(static_cast<unsigned char>(value[0])) == 'C')
                return fail("drive must be one letter other than C and Z");
            profile.drive = static_cast<char16_t>(std::toupper(static_cast<unsigned char>(value[0])));
        } else if (key == "model") {
            profile.model = ZelFromUtf8(value);
            if (profile.model.size() >= ZEL_MODELNAME) return fail("model is longer than 19 characters");
        } else if (key == "product-id" || key == "second-id") {
            if (!ParseNumber(value, numeric) || numeric > 0xFFFF) return fail(key + " must be a 16-bit number");
            (key == "product-id" ? profile.productId : profile.secondId) = static_cast<WORD>(numeric);
        } else if (key == "player-type") {
            const std::string lower = Lower(value);
            if (lower == "xpl") {
                profile.playerType = 1;
            } else if (lower == "plp") {
                profile.playerType = 2;
            } else if (lower == "none") {
                profile.playerType = 0;
            } else if (ParseNumber(value, numeric)) {
                profile.playerType = static_cast<DWORD>(numeric);
            } else {
                return fail("player-type must be xpl, plp, none or a number");
            }
        } else if (key == "capabilities") {
            std::string why;
            if (!ParseCapabilities(value, profile.capabilities, why)) return fail(why);
        } else if (key == "extensions") {
            std::string upper = value;
            std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
            profile.extensions = ZelFromUtf8(upper);
            if (profile.extensions.size() >= ZEL_FOLDER_UNITS) return fail("extensions list is too long");
        } else if (key.rfind("folder.", 0) == 0) {
            const std::string which = key.substr(7);
            size_t index = ZEL_FOLDERS;
            if (ParseNumber(which, numeric) && numeric < ZEL_FOLDERS) index = numeric;
            for (size_t k = 0; k < ZEL_FOLDERS && index == ZEL_FOLDERS; ++k)
                if (which == kFolderNames[k]) index = k;
            if (index == ZEL_FOLDERS) return fail("unknown folder '" + which + "'");
            profile.folders[index] = PlayerRelative(value);
            if (profile.folders[index].size() >= ZEL_FOLDER_UNITS) return fail("folder name is too long");
        } else if (key == "playlist-folder") {
            profile.playlistFolder = PlayerRelative(value);
            if (profile.playlistFolder.size() + 3 >= ZEL_FOLDER_UNITS) return fail("playlist folder is too long");
        } else if (key == "album-art") {
            if (!ParseSize(value, profile.albumArtWidth, profile.albumArtHeight))
                return fail("album-art must be WIDTHxHEIGHT or 0");
        } else if (key == "database") {
            profile.database = PlayerRelative(value);
            if (profile.database.size() + 3 >= ZEL_DBLIBRARYPATH) return fail("database path is too long");
        } else if (key == "use-player-library") {
            const std::string lower = Lower(value);
            if (lower != "yes" && lower != "no") return fail("use-player-library must be yes or no");
            profile.usePlayerLibrary = lower == "yes";
        } else if (key == "special") {
            if (profile.specialFolders.size() == ZEL_SPECIAL_FOLDERS) return fail("at most 6 special folders");
            profile.specialFolders.push_back(PlayerRelative(value));
        } else {
            return fail("unknown key '" + key + "'");
        }
    }
    if (profile.IsMtp() && (profile.capabilities & ZEL_CAP_DATABASE)) {
        error = name + ": an MTP player keeps its own database (no capability 'database')";
        return std::nullopt;
    }
    if (profile.UsesDatabase() && profile.database.empty()) {
        number = 0;
        error = name + ": capability 'database' needs a 'database' path";
        return std::nullopt;
    }
    return profile;
}

std::string Profile::ToText() const {
    std::ostringstream out;
    out << "name = " << name << "\n";
    if (!description.empty()) out << "description = " << description << "\n";
    if (IsMtp()) out << "kind = " << PlayerKindName(kind) << "\n";
    out << "drive = " << static_cast<char>(drive) << "\n";
    out << "model = " << ZelToUtf8(model) << "\n";
    out << "product-id = " << Hex(productId) << "\n";
    if (secondId != 0) out << "second-id = " << Hex(secondId) << "\n";
    out << "player-type = " << (playerType == 0 ? std::string("none") : PlayerTypeName(playerType)) << "\n";
    out << "capabilities =";
    for (const std::string& capability : CapabilityNames(capabilities)) out << " " << capability;
    out << "\n";
    out << "extensions = " << ZelToUtf8(extensions) << "\n";
    for (size_t k = 0; k < ZEL_FOLDERS; ++k)
        if (!folders[k].empty()) out << "folder." << kFolderNames[k] << " = " << ZelToUtf8(folders[k]) << "\n";
    if (!playlistFolder.empty()) out << "playlist-folder = " << ZelToUtf8(playlistFolder) << "\n";
    if (albumArtWidth != 0) out << "album-art = " << albumArtWidth << "x" << albumArtHeight << "\n";
    if (!database.empty()) out << "database = " << ZelToUtf8(database) << "\n";
    for (const std::u16string& special : specialFolders) out << "special = " << ZelToUtf8(special) << "\n";
    if (usePlayerLibrary) out << "use-player-library = yes\n";
    return out.str();
}

tagDeviceInfo Profile::DeviceInfo() const {
    tagDeviceInfo info{};
    info.Kind = IsMtp() ? 1 : 0;  // 0: reached through a drive letter
    info.DriveLetter = IsMtp() ? 0 : drive;
    info.ProductID = productId;
    info.SecondID = secondId;
    std::copy_n(model.begin(), std::min<size_t>(model.size(), ZEL_MODELNAME_INFO - 1), info.ModelName);
    return info;
}

void Profile::FillSettings(tagDeviceSettings& settings) const {
    settings = tagDeviceSettings{};
    settings.Capabilities = capabilities;
    settings.PlayerType = playerType;
    settings.DriveLetter = IsMtp() ? 0 : drive;
    settings.ProductID = productId;
    SetText(settings.ModelName, model);
    SetText(settings.PlaylistFile, playlistFolder);
    SetText(settings.Extensions, extensions);
    for (size_t k = 0; k < ZEL_FOLDERS; ++k) SetText(settings.Folders[k], folders[k]);
    settings.AlbumArtWidth = albumArtWidth;
    settings.AlbumArtHeight = albumArtHeight;
    // The library loads the database library from a full path on the player's drive.
    if (!database.empty()) SetText(settings.DBLibraryPath, std::u16string{drive, u':', u'\\'} + database);
    settings.SpecialFolderCount = static_cast<DWORD>(specialFolders.size());
    for (size_t k = 0; k < specialFolders.size(); ++k) SetText(settings.SpecialFolders[k], specialFolders[k]);
}

}  // namespace zelhost
