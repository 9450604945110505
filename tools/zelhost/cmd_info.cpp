// zelhost info: the player's model, capacity, firmware fields and the profile's settings.
#include <cstdio>

#include "commands.h"
#include "report.h"

namespace zelhost {

int RunInfo(Session& session, const Args& args) {
    if (!args.empty()) {
        Complain("info takes no arguments");
        return kExitUsage;
    }
    const tagDeviceSettings& settings = session.Device().m_Settings;
    const Profile& profile = session.GetProfile();
    const std::string model = ZelToUtf8(FieldText(settings.ModelName));
    const std::string region = ZelToUtf8(FieldText(settings.FWRegion));
    const std::string update = ZelToUtf8(FieldText(settings.FWUpdateID));
    const bool firmware = settings.FWMajor != 0 || settings.FWMinor != 0 || !region.empty() || !update.empty();
    const std::string drive = std::string(1, static_cast<char>(session.Drive())) + ":";
    const std::vector<tagDB_File> records = session.Records();
    const bool simulated = session.IsMtp() && !session.PlayerFolder().empty();

    if (session.JsonOutput()) {
        Json json = Json::Object();
        json.Set("kind", PlayerKindName(profile.kind));
        json.Set("player", session.PlayerFolder().empty() ? Json() : Json(session.PlayerFolder()));
        json.Set("drive", session.IsMtp() ? Json() : Json(drive));
        if (session.IsMtp()) {
            json.Set("simulated", simulated);
            json.Set("card", session.CardFolder().empty() ? Json() : Json(session.CardFolder()));
        }
        json.Set("profile", profile.name);
        json.Set("description", profile.description);
        json.Set("model", model);
        json.Set("productId", HexCode(settings.ProductID));
        json.Set("totalMB", settings.TotalMB);
        json.Set("freeMB", settings.FreeMB);
        Json& fw = json.Set("firmware", Json::Object());
        fw.Set("major", settings.FWMajor);
        fw.Set("minor", settings.FWMinor);
        fw.Set("region", region);
        fw.Set("update", update);
        json.Set("playerType", PlayerTypeName(settings.PlayerType));
        Json& caps = json.Set("capabilities", Json::Array());
        for (const std::string& name : CapabilityNames(settings.Capabilities)) caps.Push(name);
        json.Set("extensions", ZelToUtf8(FieldText(settings.Extensions)));
        Json& folders = json.Set("folders", Json::Object());
        for (size_t k = 0; k < ZEL_FOLDERS; ++k)
            if (settings.Folders[k][0] != 0) folders.Set(FolderKeyName(k), ZelToUtf8(FieldText(settings.Folders[k])));
        if (session.HasDatabase()) {
            Json& db = json.Set("database", Json::Object());
            db.Set("library", ZelToUtf8(FieldText(settings.DBLibraryPath)));
            db.Set("records", static_cast<unsigned long>(records.size()));
        } else {
            json.Set("database", Json());
        }
        std::fputs(json.Dump().c_str(), stdout);
        return kExitOk;
    }

    if (!session.IsMtp())
        std::printf("Player        %s (drive %s)\n", session.PlayerFolder().c_str(), drive.c_str());
    else if (!simulated)
        std::printf("Player        an MTP player reached through libmtp\n");
    else if (session.CardFolder().empty())
        std::printf("Player        simulated MTP player in %s\n", session.PlayerFolder().c_str());
    else
        std::printf("Player        simulated MTP player in %s, memory card in %s\n", session.PlayerFolder().c_str(),
                    session.CardFolder().c_str());
    std::printf("Profile       %s%s%s\n", profile.name.c_str(), profile.description.empty() ? "" : " - ",
                profile.description.c_str());
    std::printf("Model         %s (product id %s)\n", model.c_str(), HexCode(settings.ProductID).c_str());
    std::printf("Capacity      %u MB, %u MB free\n", settings.TotalMB, settings.FreeMB);
    if (firmware)
        std::printf("Firmware      %u.%02u, region %s, update %s\n", settings.FWMajor, settings.FWMinor,
                    region.empty() ? "-" : region.c_str(), update.empty() ? "-" : update.c_str());
    else
        std::printf("Firmware      not described (no SYSTEM.VER on the player)\n");
    std::printf("Player type   %s\n", PlayerTypeName(settings.PlayerType).c_str());
    std::string caps;
    for (const std::string& name : CapabilityNames(settings.Capabilities)) caps += (caps.empty() ? "" : " ") + name;
    std::printf("Capabilities  %s\n", caps.empty() ? "none" : caps.c_str());
    std::printf("Extensions    %s\n", ZelToUtf8(FieldText(settings.Extensions)).c_str());
    std::string folders;
    for (size_t k = 0; k < ZEL_FOLDERS; ++k)
        if (settings.Folders[k][0] != 0)
            folders += (folders.empty() ? "" : ", ") + FolderKeyName(k) + " " + ZelToUtf8(FieldText(settings.Folders[k]));
    std::printf("Folders       %s\n", folders.c_str());
    if (session.HasDatabase())
        std::printf("Database      %s, %zu records\n", ZelToUtf8(FieldText(settings.DBLibraryPath)).c_str(),
                    records.size());
    else
        std::printf("Database      none\n");
    return kExitOk;
}

}  // namespace zelhost
