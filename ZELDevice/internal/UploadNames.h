// The names uploads take on the computer, shared by both kinds of player: a
// name that a different file has is numbered ("clip~(1).mp3"), never written over.
#pragma once

#include "zelcompat/cstring.h"
#include "zelcompat/types.h"

namespace zelcore {

// The number-th numbered form of path: "~(number)" before the extension of
// its name (before the whole name when it has none), in place of the mark
// "~(number-1)" an earlier call put there. Successive calls with 1, 2, ... on
// the previous result give ~(1), ~(2), ..., ~(10), ~(11) and so on.
CString NumberedName(const CString& path, int number);

// A file, folder or anything else has the name.
bool NameTaken(const CString& path);

// The last-write time of a computer file in local time, as the tree's entries
// give theirs ("YYYYMMDDhhmmss"); empty when it cannot be read.
CString LastWriteStamp(LPCWSTR path);

}  // namespace zelcore
