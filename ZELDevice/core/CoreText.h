// Small text helpers shared by the device core.
#pragma once

#include <string>

#include "ZELDevice/core/ZELFile.h"
#include "zelcompat/cstring.h"
#include "zelcompat/types.h"

namespace zelcore {

// The text of a fixed record field: up to its first zero, never past its end.
inline CString FixedText(const WCHAR* field, int units) {
    int length = 0;
    while (length < units && field[length] != 0) ++length;
    return CString(field, length);
}
template <size_t N>
CString FixedText(const WCHAR (&field)[N]) {
    return FixedText(field, static_cast<int>(N));
}

// text begins with prefix, compared without regard to case.
inline bool StartsWithNoCase(LPCWSTR text, LPCWSTR prefix) {
    return CZEL_File::FoldName(text).rfind(CZEL_File::FoldName(prefix), 0) == 0;
}

}  // namespace zelcore
