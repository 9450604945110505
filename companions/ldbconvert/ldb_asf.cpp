// Lyrics of a WMA file's ASF Header Object: the WM/Lyrics attribute of the Extended
// Content Description Object, laid out for the player, goes into the attribute
// "ZEL/Lyrics" of the same object. A top-level Padding Object gives up the bytes the
// header grows by when it has them; the File Properties' file size follows the change.
#include <cstring>

#include "ldb_convert.h"
#include "media_asf.h"

namespace ldb {
namespace {

using zelmedia::AsfAttribute;
using zelmedia::AsfHeader;
using zelmedia::AsfObject;
using zelmedia::Bytes;

constexpr size_t kFileSizeOffset = 24 + 16;  // object header, then the file ID

AsfObject* Find(AsfHeader& header, const zelmedia::AsfGuid& guid) {
    for (AsfObject& object : header.objects) {
        if (object.guid == guid) return &object;
    }
    return nullptr;
}

}  // namespace

int ConvertAsfHeader(const uint8_t* in, size_t inLength, uint8_t* out, size_t capacity, size_t& outLength,
                     const PlayerSettings& settings) {
    AsfHeader header;
    if (zelmedia::ParseAsfHeader(in, inLength, header) != zelmedia::AsfResult::Ok) return kMalformed;
    AsfObject* description = Find(header, zelmedia::kAsfExtendedContentDescription);
    if (!description) return kNoLyrics;
    std::vector<AsfAttribute> attributes;
    if (!zelmedia::ParseAsfAttributes(*description, attributes)) return kMalformed;

    std::u16string lyrics;
    for (const AsfAttribute& attribute : attributes) {
        if (attribute.type != 0 || !zelmedia::AsfSameName(attribute.name, u"WM/Lyrics")) continue;
        lyrics = PlayerLyrics(zelmedia::AsfText(attribute.value), settings);
        if (!lyrics.empty()) break;
    }
    if (lyrics.empty()) return kNoLyrics;

    std::erase_if(attributes, [](const AsfAttribute& a) { return zelmedia::AsfSameName(a.name, kAsfAttribute); });
    attributes.push_back({kAsfAttribute, 0, zelmedia::AsfTextBytes(lyrics)});
    AsfObject rebuilt;
    if (!zelmedia::MakeAsfAttributes(attributes, rebuilt)) return kTooLarge;
    long long growth = static_cast<long long>(rebuilt.raw.size()) - static_cast<long long>(description->raw.size());
    *description = std::move(rebuilt);

    if (AsfObject* padding = Find(header, zelmedia::kAsfPadding); padding && growth > 0 &&
                                                                   padding->ContentSize() >= static_cast<size_t>(growth)) {
        *padding = zelmedia::MakeAsfObject(zelmedia::kAsfPadding, Bytes(padding->ContentSize() - static_cast<size_t>(growth), 0));
        growth = 0;
    }
    if (AsfObject* properties = Find(header, zelmedia::kAsfFileProperties);
        properties && growth != 0 && properties->raw.size() >= kFileSizeOffset + 8) {
        uint64_t fileSize = 0;
        for (int i = 7; i >= 0; --i) fileSize = fileSize << 8 | properties->raw[kFileSizeOffset + static_cast<size_t>(i)];
        if (fileSize != 0) {  // zero: the size is not known (a broadcast file)
            fileSize += static_cast<uint64_t>(growth);
            for (size_t i = 0; i < 8; ++i) properties->raw[kFileSizeOffset + i] = static_cast<uint8_t>(fileSize >> (8 * i));
        }
    }

    const Bytes result = zelmedia::RenderAsfHeader(header);
    if (result.size() > capacity) return kTooLarge;
    std::memcpy(out, result.data(), result.size());
    outLength = result.size();
    return kConverted;
}

}  // namespace ldb
