// zelhost uploads: the new content a player offers in its upload folders
// (GetNewContent), for one kind or all: music, video, photo.
#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "report.h"

namespace zelhost {

namespace {

struct ContentKind {
    const char* name;
    int contentType;  // what GetNewContent takes
};
constexpr ContentKind kKinds[] = {{"music", 3}, {"video", 1}, {"photo", 2}};

unsigned long long HostSize(const std::u16string& devicePath) {
    std::error_code failed;
    const auto size = std::filesystem::file_size(ZelHostPath(devicePath.c_str()), failed);
    return failed ? 0 : size;
}

}  // namespace

int RunUploads(Session& session, const Args& args) {
    std::vector<bool> switched;
    std::vector<std::string> names;
    if (!ParseSwitches("uploads", args, {}, switched, names)) return kExitUsage;
    std::vector<ContentKind> kinds;
    for (const std::string& name : names) {
        const auto found = std::find_if(std::begin(kKinds), std::end(kKinds),
                                        [&](const ContentKind& kind) { return name == kind.name; });
        if (found == std::end(kKinds)) {
            Complain("uploads: no kind '" + name + "' (music, video or photo)");
            return kExitUsage;
        }
        kinds.push_back(*found);
    }
    if (kinds.empty()) kinds.assign(std::begin(kKinds), std::end(kKinds));

    // An MTP device looks for no new content: its players offer none.
    if (session.IsMtp()) return NotOffered(session, "uploads", "an MTP player offers no new content; zelhost get copies its files");
    CZEL_Device& device = session.Device();
    if (!(device.m_Settings.Capabilities & ZEL_CAP_NEW_CONTENT) || device.m_Settings.SpecialFolders[0][0] == 0) {
        Complain("uploads: the player offers no uploads (its profile needs the new-content capability and a "
                 "special folder; see the built-in profile 'recorder')");
        return FinishResults(session, Json::Array(), kExitRefused);
    }

    Json results = Json::Array();
    size_t found = 0;
    for (const ContentKind& kind : kinds) {
        CStringList list;
        device.GetNewContent(kind.contentType, &list);
        if (!session.JsonOutput() && !list.IsEmpty()) std::printf("%s:\n", kind.name);
        for (POSITION position = list.GetHeadPosition(); position != nullptr;) {
            const std::u16string devicePath = list.GetNext(position).Str();
            const unsigned long long size = HostSize(devicePath);
            ++found;
            if (session.JsonOutput()) {
                Json item = Json::Object();
                item.Set("kind", kind.name);
                item.Set("path", ShownDevicePath(devicePath));
                item.Set("devicePath", ZelToUtf8(devicePath));
                item.Set("size", size);
                results.Push(std::move(item));
            } else {
                std::printf("  %-40s %10s\n", ShownDevicePath(devicePath).c_str(), FormatSize(size).c_str());
            }
        }
    }
    if (!session.JsonOutput() && found == 0) std::printf("Nothing new in the upload folders.\n");
    return FinishResults(session, std::move(results), kExitOk);
}

}  // namespace zelhost
