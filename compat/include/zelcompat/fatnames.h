// FAT's rules for names, which hold on a drive whose file system is FAT: a
// name may not hold the characters " * / : < > ? \ | or control characters,
// may not end in a dot or a space, may not be a device name (CON, PRN, AUX,
// NUL, COM1 to COM9, LPT1 to LPT9, with or without an extension) and holds at
// most 255 UTF-16 units. On such a drive the calls that make a name refuse one
// that breaks a rule, before anything is written, with the rule's last error.
#pragma once

#include "types.h"

enum ZelNameRule : DWORD {
    ZEL_NAME_ALLOWED = 0,
    ZEL_NAME_CHARACTER = 1,  // a character FAT refuses (last error ERROR_INVALID_NAME)
    ZEL_NAME_TRAILING = 2,   // ends in a dot or a space (ERROR_BAD_PATHNAME)
    ZEL_NAME_DEVICE = 3,     // a device name (ERROR_BAD_DEVICE)
    ZEL_NAME_TOO_LONG = 4,   // more than 255 UTF-16 units (ERROR_FILENAME_EXCED_RANGE)
};

// The rule one name (a single component, no separators) breaks, the first in
// the order above; ZEL_NAME_ALLOWED when it breaks none.
ZELCOMPAT_API ZelNameRule ZelFatNameRule(LPCWSTR name);
// Whether FAT refuses the character anywhere in a name.
ZELCOMPAT_API BOOL ZelFatRefusesCharacter(WCHAR unit);
// The last error of a rule, and the rule a last error stands for (ZEL_NAME_ALLOWED for any other error).
ZELCOMPAT_API DWORD ZelNameRuleError(ZelNameRule rule);
ZELCOMPAT_API ZelNameRule ZelNameRuleOfError(DWORD error);
// Whether the rules hold on a drive: its folder lies on a FAT file system (or
// the host declared it FAT with ZelSetDriveFat).
ZELCOMPAT_API BOOL ZelDriveKeepsFatNames(WCHAR letter);
