// ASF Header Objects: parsing, rewriting and stream inspection.
#include "media_asf.h"

#include <algorithm>
#include <fstream>

namespace zelmedia {
namespace {

constexpr size_t kObjectHeader = 24;  // GUID + 64-bit size
constexpr size_t kHeaderFixed = 30;   // object header + count + two reserved bytes
constexpr uint64_t kMaxHeaderFile = 64ull << 20;

uint64_t Le64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
    return v;
}
uint32_t Le32(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void PutLe16(Bytes& out, size_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutLe32(Bytes& out, size_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutLe64(Bytes& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool IsGuid(const uint8_t* p, const AsfGuid& guid) { return std::equal(guid.begin(), guid.end(), p); }

// Children laid one after another in data[0, size): each a GUID, a size and content.
bool ParseChildren(const uint8_t* data, size_t size, std::vector<AsfObject>& objects) {
    size_t pos = 0;
    while (pos < size) {
        if (size - pos < kObjectHeader) return false;
        uint64_t length = Le64(data + pos + 16);
        if (length < kObjectHeader || length > size - pos) return false;
        AsfObject object;
        std::copy(data + pos, data + pos + 16, object.guid.begin());
        object.raw.assign(data + pos, data + pos + length);
        objects.push_back(std::move(object));
        pos += static_cast<size_t>(length);
    }
    return true;
}

bool IsVideoStream(const AsfObject& object) {
    return object.guid == kAsfStreamProperties && object.ContentSize() >= 16 &&
           IsGuid(object.Content(), kAsfVideoMedia);
}

}  // namespace

const AsfGuid kAsfHeaderObject = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                  0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const AsfGuid kAsfFileProperties = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                    0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const AsfGuid kAsfStreamProperties = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                      0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const AsfGuid kAsfExtendedContentDescription = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                                0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
const AsfGuid kAsfHeaderExtension = {0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9, 0xCF, 0x11,
                                     0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const AsfGuid kAsfExtendedStreamProperties = {0xCB, 0xA5, 0xE6, 0x14, 0x72, 0xC6, 0x32, 0x43,
                                              0x83, 0x99, 0xA9, 0x69, 0x52, 0x06, 0x5B, 0x5A};
const AsfGuid kAsfPadding = {0x74, 0xD4, 0x06, 0x18, 0xDF, 0xCA, 0x09, 0x45,
                             0xA4, 0xBA, 0x9A, 0xAB, 0xCB, 0x96, 0xAA, 0xE8};
const AsfGuid kAsfAudioMedia = {0x40, 0x9E, 0x69, 0xF8, 0x4D, 0x5B, 0xCF, 0x11,
                                0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};
const AsfGuid kAsfVideoMedia = {0xC0, 0xEF, 0x19, 0xBC, 0x4D, 0x5B, 0xCF, 0x11,
                                0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};

uint64_t AsfHeaderSize(const uint8_t* data, size_t size) {
    if (!data || size < kHeaderFixed || !IsGuid(data, kAsfHeaderObject)) return 0;
    return Le64(data + 16);
}

AsfResult ParseAsfHeader(const uint8_t* data, size_t size, AsfHeader& header) {
    header = AsfHeader{};
    if (!data || size < kObjectHeader || !IsGuid(data, kAsfHeaderObject)) return AsfResult::NotAsf;
    const uint64_t length = Le64(data + 16);
    if (size < kHeaderFixed || length < kHeaderFixed || length > size) return AsfResult::Malformed;
    header.reserved1 = data[28];
    header.reserved2 = data[29];
    if (!ParseChildren(data + kHeaderFixed, static_cast<size_t>(length) - kHeaderFixed, header.objects)) {
        return AsfResult::Malformed;
    }
    // The count field must agree with what is there.
    if (Le32(data + 24) != header.objects.size()) return AsfResult::Malformed;
    return AsfResult::Ok;
}

Bytes RenderAsfHeader(const AsfHeader& header) {
    Bytes content;
    PutLe32(content, header.objects.size());
    content.push_back(header.reserved1);
    content.push_back(header.reserved2);
    for (const AsfObject& object : header.objects) content.insert(content.end(), object.raw.begin(), object.raw.end());
    return MakeAsfObject(kAsfHeaderObject, content).raw;
}

bool ReadAsfHeaderFile(const std::string& hostPath, AsfHeader& header) {
    std::ifstream in(hostPath, std::ios::binary);
    uint8_t start[kHeaderFixed];
    if (!in.read(reinterpret_cast<char*>(start), kHeaderFixed)) return false;
    const uint64_t length = AsfHeaderSize(start, kHeaderFixed);
    if (length < kHeaderFixed || length > kMaxHeaderFile) return false;
    Bytes data(static_cast<size_t>(length));
    std::copy(start, start + kHeaderFixed, data.begin());
    if (!in.read(reinterpret_cast<char*>(data.data() + kHeaderFixed), static_cast<std::streamsize>(length - kHeaderFixed))) {
        return false;
    }
    return ParseAsfHeader(data.data(), data.size(), header) == AsfResult::Ok;
}

AsfObject MakeAsfObject(const AsfGuid& guid, const Bytes& content) {
    AsfObject object;
    object.guid = guid;
    object.raw.assign(guid.begin(), guid.end());
    PutLe64(object.raw, content.size() + kObjectHeader);
    object.raw.insert(object.raw.end(), content.begin(), content.end());
    return object;
}

bool AsfHasVideoStream(const AsfHeader& header) {
    for (const AsfObject& object : header.objects) {
        if (IsVideoStream(object)) return true;
        // Header Extension: reserved GUID, reserved WORD, data size, then objects.
        if (object.guid != kAsfHeaderExtension || object.ContentSize() < 22) continue;
        const uint32_t dataSize = Le32(object.Content() + 18);
        if (dataSize > object.ContentSize() - 22) continue;
        std::vector<AsfObject> inner;
        if (!ParseChildren(object.Content() + 22, dataSize, inner)) continue;
        for (const AsfObject& extended : inner) {
            if (extended.guid != kAsfExtendedStreamProperties || extended.ContentSize() < 64) continue;
            // Fixed part, then stream names and payload extension systems, then an
            // optional Stream Properties Object.
            const uint8_t* p = extended.Content();
            const size_t size = extended.ContentSize();
            size_t pos = 64;
            const uint16_t names = Le16(p + 60), systems = Le16(p + 62);
            bool ok = true;
            for (uint16_t i = 0; ok && i < names; ++i) {
                if (pos + 4 > size) ok = false;
                else pos += 4 + Le16(p + pos + 2);
            }
            for (uint16_t i = 0; ok && i < systems; ++i) {
                if (pos + 22 > size) ok = false;
                else pos += 22 + Le32(p + pos + 18);
            }
            if (!ok || pos >= size) continue;
            std::vector<AsfObject> embedded;
            if (!ParseChildren(p + pos, size - pos, embedded)) continue;
            for (const AsfObject& stream : embedded) {
                if (IsVideoStream(stream)) return true;
            }
        }
    }
    return false;
}

bool ParseAsfAttributes(const AsfObject& object, std::vector<AsfAttribute>& attributes) {
    attributes.clear();
    const uint8_t* p = object.Content();
    const size_t size = object.ContentSize();
    if (size < 2) return false;
    const uint16_t count = Le16(p);
    size_t pos = 2;
    for (uint16_t i = 0; i < count; ++i) {
        if (pos + 2 > size) return false;
        const size_t nameLength = Le16(p + pos);
        pos += 2;
        if (pos + nameLength + 4 > size) return false;
        AsfAttribute attribute;
        attribute.name = AsfText(Bytes(p + pos, p + pos + nameLength));
        pos += nameLength;
        attribute.type = Le16(p + pos);
        const size_t valueLength = Le16(p + pos + 2);
        pos += 4;
        if (pos + valueLength > size) return false;
        attribute.value.assign(p + pos, p + pos + valueLength);
        pos += valueLength;
        attributes.push_back(std::move(attribute));
    }
    return true;
}

bool MakeAsfAttributes(const std::vector<AsfAttribute>& attributes, AsfObject& object) {
    if (attributes.size() > 0xFFFF) return false;
    Bytes content;
    PutLe16(content, attributes.size());
    for (const AsfAttribute& attribute : attributes) {
        Bytes name = AsfTextBytes(attribute.name);
        if (name.size() > 0xFFFF || attribute.value.size() > 0xFFFF) return false;
        PutLe16(content, name.size());
        content.insert(content.end(), name.begin(), name.end());
        PutLe16(content, attribute.type);
        PutLe16(content, attribute.value.size());
        content.insert(content.end(), attribute.value.begin(), attribute.value.end());
    }
    object = MakeAsfObject(kAsfExtendedContentDescription, content);
    return true;
}

std::u16string AsfText(const Bytes& value) {
    std::u16string text;
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
        char16_t unit = static_cast<char16_t>(value[i] | value[i + 1] << 8);
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

Bytes AsfTextBytes(const std::u16string& text) {
    Bytes out;
    for (char16_t unit : text) PutLe16(out, unit);
    PutLe16(out, 0);
    return out;
}

bool AsfSameName(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace zelmedia
