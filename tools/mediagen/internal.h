// Byte-level helpers shared by the generators.
#pragma once

#include <cstdint>
#include <string>

#include "mediagen.h"

namespace zelmediagen::detail {

inline void PutLe16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutLe32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void PutLe64(Bytes& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void PutBe32(Bytes& out, uint32_t v) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
inline void Append(Bytes& out, const std::string& more) { out.insert(out.end(), more.begin(), more.end()); }

// UTF-8 to UTF-16 code units (invalid sequences become U+FFFD).
std::u16string Utf16(const std::string& utf8);
// UTF-16 little-endian bytes of a UTF-8 text, with a zero terminator when asked.
Bytes Utf16Le(const std::string& utf8, bool terminate);

}  // namespace zelmediagen::detail
