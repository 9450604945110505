// ASF Header Objects in memory: the header's children kept byte for byte, the
// Extended Content Description's attributes, and the stream kinds. Shared by the
// agent and the lyrics converter.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelmedia {

using Bytes = std::vector<uint8_t>;
using AsfGuid = std::array<uint8_t, 16>;  // as stored: first three fields little-endian

extern const AsfGuid kAsfHeaderObject;
extern const AsfGuid kAsfFileProperties;
extern const AsfGuid kAsfStreamProperties;
extern const AsfGuid kAsfExtendedContentDescription;
extern const AsfGuid kAsfHeaderExtension;
extern const AsfGuid kAsfExtendedStreamProperties;
extern const AsfGuid kAsfPadding;
extern const AsfGuid kAsfAudioMedia;
extern const AsfGuid kAsfVideoMedia;

// One object: its GUID and all its bytes (GUID, 64-bit size and content).
struct AsfObject {
    AsfGuid guid{};
    Bytes raw;
    size_t ContentSize() const { return raw.size() - 24; }
    const uint8_t* Content() const { return raw.data() + 24; }
};

struct AsfHeader {
    uint8_t reserved1 = 0x01;
    uint8_t reserved2 = 0x02;
    std::vector<AsfObject> objects;
};

enum class AsfResult { Ok, NotAsf, Malformed };

// Parses the Header Object at data; size may exceed the object (its own size decides).
AsfResult ParseAsfHeader(const uint8_t* data, size_t size, AsfHeader& header);
// The Header Object's size as its first 24 bytes give it, 0 when data is not one.
uint64_t AsfHeaderSize(const uint8_t* data, size_t size);
// Writes the Header Object with the children's count and the total size updated.
Bytes RenderAsfHeader(const AsfHeader& header);
// Reads the Header Object at the start of a host file (at most 64 MiB).
bool ReadAsfHeaderFile(const std::string& hostPath, AsfHeader& header);

AsfObject MakeAsfObject(const AsfGuid& guid, const Bytes& content);

// True when a Stream Properties Object (at the top level, or inside an Extended Stream
// Properties Object of the Header Extension) carries the Video Media type.
bool AsfHasVideoStream(const AsfHeader& header);

// Attributes of an Extended Content Description Object.
struct AsfAttribute {
    std::u16string name;
    uint16_t type = 0;  // 0 text, 1 bytes, 2 bool, 3 DWORD, 4 QWORD, 5 WORD
    Bytes value;        // as stored (text: UTF-16LE with its terminator)
};
bool ParseAsfAttributes(const AsfObject& object, std::vector<AsfAttribute>& attributes);
// Fails when a name or value exceeds the 65535 bytes its length field allows.
bool MakeAsfAttributes(const std::vector<AsfAttribute>& attributes, AsfObject& object);

// UTF-16LE bytes to text, stopping at the first zero unit.
std::u16string AsfText(const Bytes& value);
Bytes AsfTextBytes(const std::u16string& text);  // terminated

// Case-insensitive comparison of ASCII letters, for attribute names.
bool AsfSameName(const std::u16string& a, const std::u16string& b);

}  // namespace zelmedia
