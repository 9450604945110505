// zelhost devices: the MTP players that libmtp finds on this computer's USB
// buses, with the bus and device numbers ZEL_MTP_DEVICE takes to pick one. A
// build without libmtp says so and reaches only simulated players.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands.h"

#ifdef ZELHOST_HAVE_LIBMTP
#include <libmtp.h>
#endif

namespace zelhost {

namespace {

struct FoundPlayer {
    unsigned bus = 0;
    unsigned device = 0;
    std::string vendor;
    std::string product;
    unsigned vendorId = 0;
    unsigned productId = 0;

    std::string Selector() const { return std::to_string(bus) + ":" + std::to_string(device); }
};

// The players libmtp finds; note says why the search itself failed.
std::vector<FoundPlayer> FindPlayers(std::string& note) {
    std::vector<FoundPlayer> players;
#ifdef ZELHOST_HAVE_LIBMTP
    LIBMTP_Init();
    LIBMTP_raw_device_t* raw = nullptr;
    int count = 0;
    const LIBMTP_error_number_t status = LIBMTP_Detect_Raw_Devices(&raw, &count);
    if (status == LIBMTP_ERROR_NONE) {
        for (int k = 0; k < count; ++k) {
            FoundPlayer player;
            player.bus = raw[k].bus_location;
            player.device = raw[k].devnum;
            player.vendor = raw[k].device_entry.vendor != nullptr ? raw[k].device_entry.vendor : "";
            player.product = raw[k].device_entry.product != nullptr ? raw[k].device_entry.product : "";
            player.vendorId = raw[k].device_entry.vendor_id;
            player.productId = raw[k].device_entry.product_id;
            players.push_back(player);
        }
    } else if (status != LIBMTP_ERROR_NO_DEVICE_ATTACHED) {
        note = "libmtp could not look at the USB devices (libmtp error " + std::to_string(status) + ")";
    }
    std::free(raw);
#else
    (void)note;
#endif
    return players;
}

}  // namespace

int RunDevices(const SessionOptions& options, const Args& args) {
    if (!args.empty()) {
        Complain("devices takes no arguments");
        return kExitUsage;
    }
#ifdef ZELHOST_HAVE_LIBMTP
    constexpr bool kHasLibmtp = true;
#else
    constexpr bool kHasLibmtp = false;
#endif
    const char* withoutLibmtp =
        "this zelhost was built without libmtp: it reaches no real MTP player, only simulated ones "
        "(zelhost --profile mtp-player --player DIR ...)";
    std::string note;
    const std::vector<FoundPlayer> players = FindPlayers(note);
    const int exitCode = kHasLibmtp ? kExitOk : kExitRefused;

    if (options.json) {
        Json json = Json::Object();
        json.Set("libmtp", kHasLibmtp);
        Json& list = json.Set("devices", Json::Array());
        for (const FoundPlayer& player : players) {
            Json item = Json::Object();
            item.Set("selector", player.Selector());
            item.Set("bus", player.bus);
            item.Set("device", player.device);
            item.Set("vendor", player.vendor);
            item.Set("product", player.product);
            item.Set("vendorId", HexCode(player.vendorId));
            item.Set("productId", HexCode(player.productId));
            list.Push(std::move(item));
        }
        if (!kHasLibmtp) json.Set("message", withoutLibmtp);
        else if (!note.empty()) json.Set("message", note);
        json.Set("exitCode", exitCode);
        std::fputs(json.Dump().c_str(), stdout);
        return exitCode;
    }
    if (!kHasLibmtp) {
        std::printf("No MTP players: %s.\n", withoutLibmtp);
        return exitCode;
    }
    if (players.empty()) {
        std::printf("No MTP player found%s.\n", note.empty() ? "" : (" (" + note + ")").c_str());
        return exitCode;
    }
    std::printf("%-9s %-11s %s\n", "bus:dev", "usb id", "player");
    for (const FoundPlayer& player : players) {
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04x:%04x", player.vendorId, player.productId);
        std::printf("%-9s %-11s %s %s\n", player.Selector().c_str(), ids, player.vendor.c_str(), player.product.c_str());
    }
    std::printf("\nTo use one: ZEL_MTP_DEVICE=BUS:DEV zelhost --profile mtp-player info\n");
    return exitCode;
}

}  // namespace zelhost
