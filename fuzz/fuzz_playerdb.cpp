// Feeds arbitrary bytes to the reader of the player database file
// (System\PlayerDB.zdb). The first byte chooses whether the header's payload
// length and checksum are made to match the rest (so that the records
// themselves are read); the rest is the file. A file that is read is written
// again, and what is written reads back to the same bytes. Through the drive,
// every load either reads the file or leaves the store empty, and leaves no
// descriptor open.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "playerdb_file.h"
#include "playerdb_store.h"

namespace {

using namespace zelfuzz;

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::vector<uint8_t> file(data + 1, data + size);
    if ((data[0] & 1) && file.size() >= zelplayerdb::kHeaderSize) {
        const size_t payload = file.size() - zelplayerdb::kHeaderSize;
        Put32(file, 16, static_cast<uint32_t>(payload));
        Put32(file, 20, zelplayerdb::Crc32(file.data() + zelplayerdb::kHeaderSize, payload));
    }

    zelplayerdb::Store store;
    if (store.Decode(file.data(), file.size())) {
        const std::vector<uint8_t> written = store.Encode();
        zelplayerdb::Store again;
        FUZZ_EXPECT(again.Decode(written.data(), written.size()));
        FUZZ_EXPECT(again.Count() == store.Count());
        FUZZ_EXPECT(again.Encode() == written);
    } else {
        FUZZ_EXPECT(store.Count() == 0);
    }

    // The same bytes as the file on a drive, read the way the library loads it.
    const int before = LowestFreeDescriptor();
    WriteHostFile(FuzzDrive::Get().HostPath("System/PlayerDB.zdb"), file.data(), file.size());
    zelplayerdb::Store loaded;
    const zelplayerdb::LoadResult result = zelplayerdb::Load(u'E', loaded);
    FUZZ_EXPECT(result != zelplayerdb::LoadResult::Missing);
    FUZZ_EXPECT(result == zelplayerdb::LoadResult::Loaded || loaded.Count() == 0);
    FUZZ_EXPECT(LowestFreeDescriptor() == before);
    return 0;
}
