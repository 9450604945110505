// Feeds arbitrary text to zelhost's profile parser (the profile files a user
// gives with --profile and the copy a player keeps in System\zelhost.profile).
// A profile that parses is written in the profile format again, and that text
// parses to a profile that is written the same way; its settings fill a device
// settings record with every text zero-terminated within its field.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<zelhost::Profile> profile = zelhost::ParseProfile(text, "fuzz", error);
    if (!profile) {
        FUZZ_EXPECT(!error.empty());
        return 0;
    }
    const std::string written = profile->ToText();
    std::string againError;
    const std::optional<zelhost::Profile> again = zelhost::ParseProfile(written, "fuzz", againError);
    FUZZ_EXPECT(again.has_value());
    FUZZ_EXPECT(again->ToText() == written);

    tagDeviceSettings settings;
    std::memset(&settings, 0, sizeof settings);
    profile->FillSettings(settings);
    zelfuzz::TerminatedLength(settings.ModelName);
    zelfuzz::TerminatedLength(settings.Extensions);
    for (const auto& folder : settings.Folders) zelfuzz::TerminatedLength(folder);
    for (const auto& folder : settings.SpecialFolders) zelfuzz::TerminatedLength(folder);
    zelfuzz::TerminatedLength(settings.PlaylistFile);
    zelfuzz::TerminatedLength(settings.DBLibraryPath);
    return 0;
}
