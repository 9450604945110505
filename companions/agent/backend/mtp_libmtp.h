// The backend for real MTP players, over Debian's libmtp.
#pragma once

#include <memory>
#include <string>

#include "mtp_backend.h"

namespace zelmtp {

// Opens the player selector names: "bus:device" numbers, or a serial number;
// empty: the first player found. Null when there is no such player.
std::unique_ptr<Backend> OpenLibmtpPlayer(const std::string& selector);

}  // namespace zelmtp
