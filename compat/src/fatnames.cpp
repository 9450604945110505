// FAT's rules for names and the last errors that stand for them.
#include "zelcompat/fatnames.h"

#include <string>

#include "filesystems.h"

namespace {

constexpr size_t kLongestName = 255;

char16_t Upper(char16_t unit) { return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit; }

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9, alone or before an extension.
bool IsDeviceName(const std::u16string& name) {
    const size_t dot = name.find(u'.');
    std::u16string base = name.substr(0, dot);
    while (!base.empty() && base.back() == u' ') base.pop_back();
    for (char16_t& unit : base) unit = Upper(unit);
    if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, u"COM") == 0 || base.compare(0, 3, u"LPT") == 0) &&
           base[3] >= u'1' && base[3] <= u'9';
}

}  // namespace

ZelNameRule ZelFatNameRule(LPCWSTR name) {
    const std::u16string text = name ? name : u"";
    for (char16_t unit : text) {
        if (ZelFatRefusesCharacter(unit)) return ZEL_NAME_CHARACTER;
    }
    if (!text.empty() && (text.back() == u'.' || text.back() == u' ')) return ZEL_NAME_TRAILING;
    if (IsDeviceName(text)) return ZEL_NAME_DEVICE;
    if (text.size() > kLongestName) return ZEL_NAME_TOO_LONG;
    return ZEL_NAME_ALLOWED;
}

BOOL ZelFatRefusesCharacter(WCHAR unit) {
    if (unit < 0x20) return TRUE;
    return std::u16string_view(u"\"*/:<>?\\|").find(unit) != std::u16string_view::npos;
}

DWORD ZelNameRuleError(ZelNameRule rule) {
    switch (rule) {
    case ZEL_NAME_CHARACTER: return ERROR_INVALID_NAME;
    case ZEL_NAME_TRAILING: return ERROR_BAD_PATHNAME;
    case ZEL_NAME_DEVICE: return ERROR_BAD_DEVICE;
    case ZEL_NAME_TOO_LONG: return ERROR_FILENAME_EXCED_RANGE;
    case ZEL_NAME_ALLOWED: break;
    }
    return ERROR_SUCCESS;
}

ZelNameRule ZelNameRuleOfError(DWORD error) {
    for (ZelNameRule rule : {ZEL_NAME_CHARACTER, ZEL_NAME_TRAILING, ZEL_NAME_DEVICE, ZEL_NAME_TOO_LONG}) {
        if (ZelNameRuleError(rule) == error) return rule;
    }
    return ZEL_NAME_ALLOWED;
}

namespace zel {

DWORD NewNameError(const Resolved& r) {
    if (r.exists || r.IsRoot() || !TraitsOfFolder(r).fatNames) return ERROR_SUCCESS;
    return ZelNameRuleError(ZelFatNameRule(r.path.components.back().c_str()));
}

}  // namespace zel
