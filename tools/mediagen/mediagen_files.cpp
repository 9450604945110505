// File helpers and the UTF-8 to UTF-16 conversion the generators use.
#include <fstream>
#include <iterator>

#include "internal.h"

namespace zelmediagen {
namespace detail {

std::u16string Utf16(const std::string& utf8) {
    std::u16string out;
    size_t i = 0;
    while (i < utf8.size()) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        size_t extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : 4;
        uint32_t cp = 0xFFFD;
        size_t used = 1;
        if (extra == 0) {
            cp = lead;
        } else if (extra < 4 && i + extra < utf8.size()) {
            uint32_t value = lead & (0x3Fu >> extra);
            size_t k = 1;
            for (; k <= extra; ++k) {
                unsigned char next = static_cast<unsigned char>(utf8[i + k]);
                if ((next & 0xC0) != 0x80) break;
                value = (value << 6) | (next & 0x3Fu);
            }
            if (k > extra) {
                cp = value;
                used = extra + 1;
            }
        }
        i += used;
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp > 0xFFFF ? 0xFFFD : cp));
        }
    }
    return out;
}

Bytes Utf16Le(const std::string& utf8, bool terminate) {
    Bytes out;
    for (char16_t unit : Utf16(utf8)) PutLe16(out, unit);
    if (terminate) PutLe16(out, 0);
    return out;
}

}  // namespace detail

bool WriteBytes(const std::string& path, const Bytes& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    return static_cast<bool>(out.flush());
}

bool WriteText(const std::string& path, const std::string& content) {
    return WriteBytes(path, Bytes(content.begin(), content.end()));
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace zelmediagen
