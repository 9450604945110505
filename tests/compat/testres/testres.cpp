// The string table of the test resource library.
#include "zelcompat/window.h"

ZEL_RESOURCE_EXPORT const char16_t* ZelResourceString(unsigned id) {
    switch (id) {
        case 1: return u"Hello";
        case 2: return u"";  // an empty string is no string
        case 101: return u"Ünïcödé \u266B text";
        case 9004: return u"Calm";
        case 9005: return u"Energetic";
        default: return nullptr;
    }
}
