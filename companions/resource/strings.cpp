// The host's string table. The device library reads the names of the four mood
// classes from it (class 1: 9005, class 2: 9004, class 3: 9006, class 4: 9007).
#include "zelcompat/window.h"

ZEL_RESOURCE_EXPORT const char16_t* ZelResourceString(unsigned id) {
    switch (id) {
    case 9004: return u"Calm";
    case 9005: return u"Upbeat";
    case 9006: return u"Wistful";
    case 9007: return u"Dreamy";
    default: return nullptr;
    }
}
