// Helpers of the media companion tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include <taglib/asffile.h>
#include <taglib/mpegfile.h>

#include <taglib/tbytevector.h>
#include <taglib/tstring.h>

#include "media_image.h"
#include "mediagen.h"
#include "tempdrive.h"
#include "zelcompat/textfn.h"

namespace mediatest {

using zelmediagen::Bytes;

inline std::string Utf8(const TagLib::String& text) { return text.to8Bit(true); }
inline std::string Utf8(const std::u16string& text) { return ZelToUtf8(text); }

inline Bytes ToBytes(const TagLib::ByteVector& data) {
    return Bytes(reinterpret_cast<const uint8_t*>(data.data()), reinterpret_cast<const uint8_t*>(data.data()) + data.size());
}

inline Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Width and height of an encoded JPEG or PNG picture; -1 x -1 when it does not decode.
struct Size {
    int width = -1;
    int height = -1;
    bool operator==(const Size&) const = default;
};
inline Size PictureSize(const Bytes& data) {
    zelagent::Image image;
    bool decoded = false;
    switch (zelagent::SniffPicture(data.data(), data.size())) {
        case zelagent::PictureFormat::Jpeg: decoded = zelagent::DecodeJpeg(data.data(), data.size(), image); break;
        case zelagent::PictureFormat::Png: decoded = zelagent::DecodePng(data.data(), data.size(), image); break;
        case zelagent::PictureFormat::Unknown: break;
    }
    return decoded ? Size{image.width, image.height} : Size{};
}
inline Size PictureSize(const TagLib::ByteVector& data) { return PictureSize(ToBytes(data)); }

inline uint64_t Le64(const Bytes& data, size_t at) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | data[at + static_cast<size_t>(i)];
    return v;
}

// A drive for the test's files; MP3 and ASF files built from a tag block or header, opened with TagLib.
class MediaFiles : public ::testing::Test {
protected:
    size_t FilesInDrive() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(drive_.Folder()), {}));
    }
    std::unique_ptr<TagLib::MPEG::File> OpenMp3(const Bytes& block) {
        const std::string path = drive_.Host("check" + std::to_string(++files_) + ".mp3");
        EXPECT_TRUE(zelmediagen::WriteBytes(path, Join(block, zelmediagen::MakeMp3Audio(20))));
        return std::make_unique<TagLib::MPEG::File>(path.c_str());
    }
    std::unique_ptr<TagLib::ASF::File> OpenAsf(const Bytes& header) {
        const std::string path = drive_.Host("check" + std::to_string(++files_) + ".wma");
        EXPECT_TRUE(zelmediagen::WriteBytes(path, Join(header, zelmediagen::MakeAsfData())));
        return std::make_unique<TagLib::ASF::File>(path.c_str());
    }

    TempDrive drive_;
    int files_ = 0;
};

}  // namespace mediatest
