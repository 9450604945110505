// Which file systems behave as FAT drives, by their statfs type and mount type.
#include "filesystems.h"

namespace zel {
namespace {

constexpr unsigned long kMsdosMagic = 0x4d44;      // the kernel's vfat and msdos
constexpr unsigned long kExfatMagic = 0x2011BAB0;  // the kernel's exfat
constexpr unsigned long kFuseMagic = 0x65735546;   // any FUSE file system

}  // namespace

FileSystemTraits ClassifyFileSystem(unsigned long statfsType, const std::string& mountType) {
    FileSystemTraits traits;
    if (statfsType == kMsdosMagic) {
        traits.fatAttributes = traits.fatNames = traits.foldsCase = true;
    } else if (statfsType == kExfatMagic) {
        traits.fatNames = traits.foldsCase = true;
    } else if (statfsType == kFuseMagic) {
        const size_t dot = mountType.find('.');
        const std::string subtype = dot == std::string::npos ? std::string() : mountType.substr(dot + 1);
        if (subtype == "fusefat" || subtype == "exfat" || subtype == "vfat" || subtype == "msdos") {
            // What a FUSE server does with the FAT attributes is its own affair: no ioctls.
            traits.fatNames = traits.foldsCase = true;
        }
    }
    return traits;
}

}  // namespace zel
