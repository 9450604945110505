// What the reference database library wrote on a player's drive.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "tempdrive.h"

// The record count in the header of System/PlayerDB.zdb; -1 when there is no such file.
inline int DatabaseFileRecords(const TempDrive& drive) {
    const std::string data = drive.ReadFile("System/PlayerDB.zdb");
    if (data.size() < 16 || data.compare(0, 8, "ZELPLDB1") != 0) return -1;
    uint32_t count = 0;
    std::memcpy(&count, data.data() + 12, sizeof count);
    return static_cast<int>(count);
}
