// The content of a player's password file ("password.dat"), shared by both
// kinds of player: the host's text in the system's ANSI code page, without a
// terminating zero and without a line end.
#pragma once

#include <string>

#include "zelcompat/textfn.h"
#include "zelcompat/types.h"

namespace zelcore {

// The most bytes the converted text may take with its terminating zero.
inline constexpr int kPasswordBytes = 260;

// The bytes of the password file for text; false for a text whose ANSI form
// does not fit (nothing is written then, so an existing file stays as it was).
inline bool PasswordBytes(LPCWSTR text, std::string& bytes) {
    if (text == nullptr) return false;
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || needed > kPasswordBytes) return false;
    char converted[kPasswordBytes] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, converted, kPasswordBytes, nullptr, nullptr);
    bytes.assign(converted);
    return true;
}

}  // namespace zelcore
