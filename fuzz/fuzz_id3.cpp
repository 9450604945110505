// Feeds arbitrary bytes to the ID3v2 tag-block reader that the agent and the
// lyrics converter share: parsing, every frame's content and text fields, the
// picture frames, and writing the block again. A block that parses is written
// back within its own size (padding may shrink, never the frames), and what is
// written parses again to the same frames.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "media_id3.h"

namespace {

using namespace zelmedia;

void ReadFrames(const Id3Tag& tag) {
    for (const Id3Frame& frame : tag.frames) {
        Bytes content;
        if (!Id3FrameContent(tag, frame, content)) continue;
        if (Id3IsPictureFrame(tag, frame)) {
            Id3Picture picture;
            if (Id3ParsePicture(tag, content, picture)) FUZZ_EXPECT(picture.dataOffset <= content.size());
        } else if (!content.empty() && (frame.id[0] == 'T' || frame.id == "USLT" || frame.id == "ULT")) {
            size_t pos = 1;
            while (pos < content.size()) {
                const size_t before = pos;
                Id3ReadText(content, pos, content[0]);
                FUZZ_EXPECT(pos > before && pos <= content.size());
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Id3Tag tag;
    if (ParseId3Tag(data, size, tag) != Id3Result::Ok) return 0;
    const size_t block = Id3BlockSize(data, size);
    FUZZ_EXPECT(block >= 10 && block <= size);
    ReadFrames(tag);

    Bytes written;
    if (!RenderId3Tag(tag, block, written)) return 0;
    FUZZ_EXPECT(written.size() <= block);
    Id3Tag again;
    FUZZ_EXPECT(ParseId3Tag(written.data(), written.size(), again) == Id3Result::Ok);
    FUZZ_EXPECT(again.frames.size() == tag.frames.size());
    for (size_t i = 0; i < tag.frames.size(); ++i) {
        FUZZ_EXPECT(again.frames[i].id == tag.frames[i].id);
        FUZZ_EXPECT(again.frames[i].raw == tag.frames[i].raw);
    }
    return 0;
}
