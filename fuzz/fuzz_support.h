// What the fuzz targets share: a temporary folder mapped as drive E: for the
// readers that take a file, and a check that an input left no descriptor open.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "zelcompat/drives.h"

namespace zelfuzz {

// A temporary folder mapped as drive E:, made on first use and removed at exit.
class FuzzDrive {
public:
    static FuzzDrive& Get() {
        static FuzzDrive drive;
        return drive;
    }
    const std::string& Folder() const { return m_folder; }
    std::string HostPath(const std::string& relative) const { return m_folder + "/" + relative; }

private:
    FuzzDrive() {
        char pattern[] = "/tmp/zelfuzzXXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made) std::abort();
        m_folder = made;
        ZelMapDrive(u'E', m_folder.c_str());
    }
    ~FuzzDrive() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    std::string m_folder;
};

// The lowest free descriptor: it moves when a descriptor leaks.
inline int LowestFreeDescriptor() {
    int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) close(fd);
    return fd;
}

inline void WriteHostFile(const std::string& path, const uint8_t* data, size_t size) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

// Aborts (a finding) when a check does not hold, after naming it: libFuzzer
// keeps the input.
inline void Check(bool holds, const char* what, const char* file, int line) {
    if (holds) return;
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

}  // namespace zelfuzz

#define FUZZ_EXPECT(condition) ::zelfuzz::Check((condition), #condition, __FILE__, __LINE__)

namespace zelfuzz {

// The length of a fixed text field, which must hold its terminator.
template <size_t N>
size_t TerminatedLength(const char16_t (&field)[N]) {
    size_t length = 0;
    while (length < N && field[length] != 0) ++length;
    Check(length < N, "the field holds its terminator", __FILE__, __LINE__);
    return length;
}

}  // namespace zelfuzz
