// Unicode simple case mapping from the host C library, through its C.UTF-8 locale.
#include <locale.h>
#include <wctype.h>

#include "zelcompat/types.h"

int ZelHostCaseMap(WCHAR ch, bool upper);

namespace {

locale_t CaseLocale() {
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (l == static_cast<locale_t>(nullptr)) l = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
        return l;
    }();
    return locale;
}

}  // namespace

// The mapped unit, or -1 when the host has no Unicode locale. Surrogates and mappings
// that would leave the Basic Multilingual Plane keep the unit as it is.
int ZelHostCaseMap(WCHAR ch, bool upper) {
    locale_t locale = CaseLocale();
    if (locale == static_cast<locale_t>(nullptr)) return -1;
    if (ch >= 0xD800 && ch <= 0xDFFF) return ch;
    wint_t mapped = upper ? towupper_l(ch, locale) : towlower_l(ch, locale);
    if (mapped > 0xFFFF || (mapped >= 0xD800 && mapped <= 0xDFFF)) return ch;
    return static_cast<int>(mapped);
}
