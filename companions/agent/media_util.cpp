// Helpers of the agent's media routines.
#include "media_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "zelcompat/drives.h"

namespace zelagent {

std::string HostPath(LPCWSTR windowsPath) {
    if (!windowsPath || !*windowsPath) return {};
    return ZelHostPath(windowsPath);
}

void CopyField(WCHAR* field, size_t units, const std::u16string& text) {
    if (!field || units == 0) return;
    size_t count = text.size() < units - 1 ? text.size() : units - 1;
    if (count > 0 && count < text.size() && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF) --count;
    std::memcpy(field, text.data(), count * sizeof(WCHAR));
    field[count] = 0;
}

MediaKind SniffMedia(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    unsigned char head[40] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    const std::streamsize got = in.gcount();
    if (got >= 3 && std::memcmp(head, "ID3", 3) == 0) return MediaKind::Mp3;
    if (got >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0) return MediaKind::Mp3;
    static const unsigned char asf[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                          0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    if (got >= 16 && std::memcmp(head, asf, 16) == 0) return MediaKind::Asf;
    if (got >= 35 && std::memcmp(head, "OggS", 4) == 0 && std::memcmp(head + 28, "\x01vorbis", 7) == 0) {
        return MediaKind::OggVorbis;
    }
    return MediaKind::Unknown;
}

SiblingTemp::SiblingTemp(const std::string& target) : target_(target) {
    static std::atomic<unsigned> counter{0};
    path_ = target + ".zeltmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

SiblingTemp::~SiblingTemp() {
    if (!committed_) std::remove(path_.c_str());
}

bool SiblingTemp::CopyFrom(const std::string& source) {
    std::error_code error;
    return std::filesystem::copy_file(source, path_, std::filesystem::copy_options::overwrite_existing, error);
}

bool SiblingTemp::Commit() {
    if (std::rename(path_.c_str(), target_.c_str()) != 0) return false;
    committed_ = true;
    return true;
}

bool SiblingTemp::CommitWithoutReplacing() {
    if (renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
        committed_ = true;
        return true;
    }
    if (errno == EEXIST) return false;
    // A file system without that kind of rename: a second name fails on an existing one too.
    if (link(path_.c_str(), target_.c_str()) == 0) {
        std::remove(path_.c_str());
        committed_ = true;
        return true;
    }
    if (errno == EEXIST) return false;
    // Neither (a FAT drive): the name is checked just before the rename.
    struct stat existing;
    if (lstat(target_.c_str(), &existing) == 0 || errno != ENOENT) return false;
    return Commit();
}

}  // namespace zelagent
