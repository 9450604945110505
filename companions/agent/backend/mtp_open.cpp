// The choice of backend: the simulated player the environment names, or a
// real player through libmtp where the build has it.
#include <cstdlib>

#include "mtp_backend.h"
#include "mtp_simulated.h"

#ifdef ZEL_AGENT_HAVE_LIBMTP
#include "mtp_libmtp.h"
#endif

namespace zelmtp {

std::unique_ptr<Backend> OpenBackend() {
    const char* player = std::getenv("ZEL_MTP_PLAYER");
    if (player != nullptr && *player != 0) {
        const char* card = std::getenv("ZEL_MTP_CARD");
        auto simulated = std::make_unique<SimulatedPlayer>(player, card != nullptr ? card : "");
        std::vector<StorageInfo> storages;
        if (simulated->Storages(storages) != Status::Ok) return nullptr;  // no such folder
        return simulated;
    }
#ifdef ZEL_AGENT_HAVE_LIBMTP
    const char* device = std::getenv("ZEL_MTP_DEVICE");
    return OpenLibmtpPlayer(device != nullptr ? device : "");
#else
    return nullptr;
#endif
}

bool HasLibmtp() {
#ifdef ZEL_AGENT_HAVE_LIBMTP
    return true;
#else
    return false;
#endif
}

}  // namespace zelmtp
