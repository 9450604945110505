// Gives a failure's last error back once the clean-up after it has run:
// deleting temporary copies or putting attributes back calls the system
// again, and the host reads the last error to learn why the operation failed
// (a full drive, a name the drive refuses). Declare it before what cleans up.
#pragma once

#include "zelcompat/debug.h"

namespace zelcore {

class LastErrorKeeper {
public:
    LastErrorKeeper() = default;
    ~LastErrorKeeper() {
        if (m_kept) SetLastError(m_error);
    }
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;
    // Takes the current last error as the one to give back.
    void Keep() {
        m_error = GetLastError();
        m_kept = true;
    }

private:
    DWORD m_error = ERROR_SUCCESS;
    bool m_kept = false;
};

}  // namespace zelcore
