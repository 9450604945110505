// Helpers of the media companion tests.
#pragma once

#include <string>

#include <taglib/tbytevector.h>
#include <taglib/tstring.h>

#include "media_image.h"
#include "mediagen.h"
#include "zelcompat/textfn.h"

namespace mediatest {

using zelmediagen::Bytes;

inline std::string Utf8(const TagLib::String& text) { return text.to8Bit(true); }
inline std::string Utf8(const std::u16string& text) { return ZelToUtf8(text); }

inline Bytes ToBytes(const TagLib::ByteVector& data) {
    return Bytes(reinterpret_cast<const uint8_t*>(data.data()), reinterpret_cast<const uint8_t*>(data.data()) + data.size());
}

inline Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Width and height of an encoded JPEG or PNG picture; -1 x -1 when it does not decode.
struct Size {
    int width = -1;
    int height = -1;
    bool operator==(const Size&) const = default;
};
inline Size PictureSize(const Bytes& data) {
    zelagent::Image image;
    bool decoded = false;
    switch (zelagent::SniffPicture(data.data(), data.size())) {
        case zelagent::PictureFormat::Jpeg: decoded = zelagent::DecodeJpeg(data.data(), data.size(), image); break;
        case zelagent::PictureFormat::Png: decoded = zelagent::DecodePng(data.data(), data.size(), image); break;
        case zelagent::PictureFormat::Unknown: break;
    }
    return decoded ? Size{image.width, image.height} : Size{};
}
inline Size PictureSize(const TagLib::ByteVector& data) { return PictureSize(ToBytes(data)); }

inline uint64_t Le64(const Bytes& data, size_t at) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | data[at + static_cast<size_t>(i)];
    return v;
}

}  // namespace mediatest
