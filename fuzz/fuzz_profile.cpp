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

namespace {


template <size_t N>
void Terminated(const WCHAR (&field)[N]) {
    size_t length = 0;
    while (length < N && field[length] != 0) ++length;
    FUZZ_EXPECT(length < N);
}

}  // namespace

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
    Terminated(settings.ModelName);
    Terminated(settings.Extensions);
    for (const auto& folder : settings.Folders) Terminated(folder);
    for (const auto& folder : settings.SpecialFolders) Terminated(folder);
    Terminated(settings.PlaylistFile);
    Terminated(settings.DBLibraryPath);
    return 0;
}
