// Feeds arbitrary files to the agent's tag reader, the routine the device asks
// for a file's title, artist, album, genre, year, track, duration and kind.
// The first byte chooses the file's extension (.mp3, .wma, .ogg or .wmv); the
// rest is the file. Whatever the file, every text of the answer stays
// zero-terminated within its field, the answer keeps its size on the file, its
// kind is one the device knows, and no descriptor is left open.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "ZELDevice/abi/AgentRoutines.h"
#include "fuzz_support.h"
#include "media_routines.h"

using namespace zelfuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const char* const kExtensions[] = {"mp3", "wma", "ogg", "wmv"};
    const std::string name = std::string("song.") + kExtensions[data[0] % 4];
    WriteHostFile(FuzzDrive::Get().HostPath(name), data + 1, size - 1);
    const std::u16string path = u"E:\\" + std::u16string(name.begin(), name.end());

    const int before = LowestFreeDescriptor();
    auto answer = std::make_unique<ZelTagAnswer>();
    std::memset(answer.get(), 0, sizeof(ZelTagAnswer));
    const int read = zelagent::ReadFileInfo(answer.get(), nullptr, path.c_str(), sizeof(ZelTagAnswer));
    FUZZ_EXPECT(LowestFreeDescriptor() == before);
    TerminatedLength(answer->Path);
    TerminatedLength(answer->Title);
    TerminatedLength(answer->Artist);
    TerminatedLength(answer->Album);
    TerminatedLength(answer->Genre);
    TerminatedLength(answer->Year);
    if (read) {
        FUZZ_EXPECT(answer->FileSize == size - 1);
        FUZZ_EXPECT(answer->Kind == ZEL_TAGKIND_MP3 || answer->Kind == ZEL_TAGKIND_OGG ||
                    answer->Kind == ZEL_TAGKIND_ASF_AUDIO || answer->Kind == ZEL_TAGKIND_ASF_VIDEO ||
                    answer->Kind == ZEL_TAGKIND_OTHER);
    }
    return 0;
}
