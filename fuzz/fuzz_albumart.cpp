// Feeds arbitrary ID3v2 tag blocks to the agent's album-art routines that
// rewrite a block in memory: removing every picture, and scaling the front
// cover to the player's size. The device hands each routine the tag block and
// an output block of the same size; a routine that answers 1 has written a
// block no longer than that, which is again a tag block.
//
// The first two bytes of the input choose the size the cover is scaled to
// (1 to 64 pixels a side, so that one input stays fast); the rest is the block.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "media_id3.h"
#include "media_routines.h"

namespace {


void CheckAnswer(int answer, DWORD length, DWORD before, const std::vector<BYTE>& out) {
    if (answer == 0) {
        FUZZ_EXPECT(length == before);
        return;
    }
    FUZZ_EXPECT(answer == 1);
    FUZZ_EXPECT(length <= before);
    zelmedia::Id3Tag tag;
    FUZZ_EXPECT(zelmedia::ParseId3Tag(out.data(), length, tag) == zelmedia::Id3Result::Ok);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size - 2 > 0xFFFFFFFFu) return 0;
    const int width = 1 + data[0] % 64;
    const int height = 1 + data[1] % 64;
    const std::vector<BYTE> block(data + 2, data + size);
    const DWORD before = static_cast<DWORD>(block.size());

    std::vector<BYTE> out(block.size());
    DWORD length = before;
    CheckAnswer(zelagent::DeleteAlbumImage(block.data(), out.data(), &length), length, before, out);

    std::fill(out.begin(), out.end(), 0);
    length = before;
    CheckAnswer(zelagent::ResizeAlbumImageInMemory(block.data(), out.data(), &length, width, height), length, before,
                out);
    return 0;
}
