// LoadStringW over the string table a resource library exports: one entry point,
// ZelResourceString(id), answering each string (see compat/RESOURCES.md).
#include <algorithm>
#include <cstring>

#include "errors.h"
#include "zelcompat/modules.h"
#include "zelcompat/window.h"

using namespace zel;

int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int bufferMax) {
    if (!buffer || bufferMax < 0) return Fail(ERROR_INVALID_PARAMETER, 0);
    ZELRESOURCESTRINGPROC lookup = nullptr;
    if (module) {
        // Through void (*)(): the entry point's real type is only known here.
        auto entry = reinterpret_cast<void (*)()>(GetProcAddress(module, ZEL_RESOURCE_STRING_ENTRY));
        lookup = reinterpret_cast<ZELRESOURCESTRINGPROC>(entry);
    }
    const char16_t* text = lookup ? lookup(id) : nullptr;
    size_t length = 0;
    if (text) {
        while (text[length]) ++length;
    }
    // As in a Windows string table, an empty string is no string.
    if (length == 0) {
        if (bufferMax > 0) buffer[0] = 0;
        return Fail(lookup ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND, 0);
    }
    if (bufferMax == 0) {
        // The caller passed the address of a pointer: it receives the string itself.
        std::memcpy(buffer, &text, sizeof text);
        return static_cast<int>(length);
    }
    size_t copied = std::min(length, static_cast<size_t>(bufferMax - 1));
    std::copy(text, text + copied, buffer);
    buffer[copied] = 0;
    return static_cast<int>(copied);
}
