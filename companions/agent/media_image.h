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

// A JPEG is decoded at the smallest of libjpeg's DCT scales that still covers
// coverWidth × coverHeight (0 × 0: full size), so the image may come out smaller
// than the picture; only scaling to the cover size gives the final size.
bool DecodeJpeg(const uint8_t* data, size_t size, Image& image, int coverWidth = 0, int coverHeight = 0);
bool DecodePng(const uint8_t* data, size_t size, Image& image);
bool EncodeJpeg(const Image& image, int quality, Bytes& out);
bool EncodePng(const Image& image, Bytes& out);

// Scales to width x height: area averaging where the picture shrinks, linear
// interpolation where it grows; alpha is taken into account.
Image Scale(const Image& image, int width, int height);

// Decodes an encoded picture, scales it to exactly width × height and encodes it
// again in the same format (JPEG at quality 90, PNG with its alpha channel).
// False for an unknown format, a damaged picture or a bad size.
bool ResizePicture(const uint8_t* data, size_t size, int width, int height, Bytes& out);

}  // namespace zelagent
