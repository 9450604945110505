// FAT's rules for names in zelhost: checking, changing, and the messages.
#include "fat_names.h"

#include "session.h"

namespace zelhost {

namespace {

// A character as the messages show it. Built by appending: GCC 12 warns
// falsely of overlapping copies when "'" + std::string is inlined.
std::string Shown(char16_t unit) {
    if (unit < 0x20) return "a control character";
    std::string text(1, '\'');
    text += ZelToUtf8(std::u16string(1, unit));
    text += '\'';
    return text;
}

}  // namespace

std::string FatRuleMessage(ZelNameRule rule, const std::u16string& name, bool withOption) {
    std::string text;
    switch (rule) {
    case ZEL_NAME_CHARACTER: {
        text = "FAT names cannot hold \" * / : < > ? \\ | or control characters";
        for (char16_t unit : name) {
            if (!ZelFatRefusesCharacter(unit)) continue;
            text += " (this one holds ";
            text += Shown(unit);
            text += ')';
            break;
        }
        if (withOption) text += "; --fat-names puts _ in their place";
        return text;
    }
    case ZEL_NAME_TRAILING:
        text = "FAT names cannot end in a dot or a space";
        if (withOption) text += "; --fat-names puts _ in their place";
        return text;
    case ZEL_NAME_DEVICE:
        text = "FAT keeps CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 (with any extension) for devices";
        if (withOption) text += "; --fat-names puts _ after the name";
        return text;
    case ZEL_NAME_TOO_LONG:
        text = "FAT names hold at most 255 UTF-16 units";
        if (!name.empty()) {
            text += " (this one has ";
            text += std::to_string(name.size());
            text += ')';
        }
        return text;
    case ZEL_NAME_ALLOWED: break;
    }
    return text;
}

std::u16string FatSafeName(const std::u16string& name) {
    std::u16string safe = name;
    for (char16_t& unit : safe) {
        if (ZelFatRefusesCharacter(unit)) unit = u'_';
    }
    for (size_t k = safe.size(); k > 0 && (safe[k - 1] == u'.' || safe[k - 1] == u' '); --k) safe[k - 1] = u'_';
    if (ZelFatNameRule(safe.c_str()) == ZEL_NAME_DEVICE) {
        const size_t dot = safe.find(u'.');
        const auto at = static_cast<std::ptrdiff_t>(dot == std::u16string::npos ? safe.size() : dot);
        safe.insert(safe.begin() + at, u'_');
    }
    return safe;
}

bool FitFatName(const Session& session, std::u16string& name, std::string& message) {
    if (!ZelDriveKeepsFatNames(session.Drive())) return true;
    ZelNameRule rule = ZelFatNameRule(name.c_str());
    if (rule == ZEL_NAME_ALLOWED) return true;
    if (session.ChangesFatNames() && rule != ZEL_NAME_TOO_LONG) {
        name = FatSafeName(name);
        rule = ZelFatNameRule(name.c_str());
        if (rule == ZEL_NAME_ALLOWED) return true;
    }
    message = FatRuleMessage(rule, name, !session.ChangesFatNames());
    return false;
}

std::string LastErrorDetail(DWORD error) {
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return "the player is full";
    const ZelNameRule rule = ZelNameRuleOfError(error);
    return rule == ZEL_NAME_ALLOWED ? std::string() : FatRuleMessage(rule, std::u16string(), false);
}

}  // namespace zelhost
