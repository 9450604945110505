// Feeds arbitrary bytes to the ASF Header Object reader that the agent and the
// lyrics converter share: the header's children, the Extended Content
// Description's attributes, and the video-stream test the agent's tag reader
// makes. A header that parses is written back byte for byte; attributes that
// parse are written and read again to the same names, types and values.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "media_asf.h"

namespace {

using namespace zelmedia;

void RoundTripAttributes(const AsfObject& object) {
    std::vector<AsfAttribute> attributes;
    if (!ParseAsfAttributes(object, attributes)) return;
    AsfObject written;
    if (!MakeAsfAttributes(attributes, written)) return;
    std::vector<AsfAttribute> again;
    FUZZ_EXPECT(ParseAsfAttributes(written, again));
    FUZZ_EXPECT(again.size() == attributes.size());
    for (size_t i = 0; i < attributes.size(); ++i) {
        FUZZ_EXPECT(again[i].name == attributes[i].name);
        FUZZ_EXPECT(again[i].type == attributes[i].type);
        FUZZ_EXPECT(again[i].value == attributes[i].value);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AsfHeader header;
    if (ParseAsfHeader(data, size, header) != AsfResult::Ok) return 0;
    const uint64_t length = AsfHeaderSize(data, size);
    FUZZ_EXPECT(length >= 30 && length <= size);
    AsfHasVideoStream(header);
    for (const AsfObject& object : header.objects) {
        FUZZ_EXPECT(object.raw.size() >= 24);
        if (object.guid == kAsfExtendedContentDescription) RoundTripAttributes(object);
    }
    const Bytes written = RenderAsfHeader(header);
    FUZZ_EXPECT(written.size() == length);
    FUZZ_EXPECT(std::equal(written.begin(), written.end(), data));
    return 0;
}
