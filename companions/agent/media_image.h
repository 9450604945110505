// Album art pictures: JPEG and PNG decoding, scaling and encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelagent {

using Bytes = std::vector<uint8_t>;

enum class PictureFormat { Unknown, Jpeg, Png };

// 8-bit samples, rows top to bottom, 1 (grey), 2 (grey+alpha), 3 (RGB) or 4 (RGBA) channels.
struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels;
};

// Largest picture side the resizer decodes or produces.
constexpr int kMaxPictureSide = 8192;

// The format a picture's first bytes announce.
PictureFormat SniffPicture(const uint8_t* data, size_t size);

bool DecodeJpeg(const uint8_t* data, size_t size, Image& image);
bool DecodePng(const uint8_t* data, size_t size, Image& image);
bool EncodeJpeg(const Image& image, int quality, Bytes& out);
bool EncodePng(const Image& image, Bytes& out);

// Scales to width x height: area averaging where the picture shrinks, linear
// interpolation where it grows; alpha is taken into account.
Image Scale(const Image& image, int width, int height);

// Decodes an encoded picture, scales it and encodes it again in the same format.
// False for an unknown format, a damaged picture or a bad size.
bool ResizePicture(const uint8_t* data, size_t size, int width, int height, Bytes& out);

}  // namespace zelagent
