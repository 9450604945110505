// A library planted on a player where its database library belongs. Loading it
// runs its constructor, which leaves the file ZEL_PLANTED_MARKER names: the
// proof that code from the player ran.
#include <cstdio>
#include <cstdlib>

namespace {

__attribute__((constructor)) void LeaveMarker() {
    const char* marker = std::getenv("ZEL_PLANTED_MARKER");
    if (marker == nullptr) return;
    if (FILE* file = std::fopen(marker, "w")) {
        std::fputs("planted code ran\n", file);
        std::fclose(file);
    }
}

}  // namespace
