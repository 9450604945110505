// Album art pictures: decoding with libjpeg and libpng, separable scaling, encoding.
#include "media_image.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace zelagent {
namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void JpegQuiet(j_common_ptr, int) {}
void JpegNoOutput(j_common_ptr) {}

void InstallErrorHandler(JpegError& error, jpeg_error_mgr*& slot) {
    slot = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegFail;
    error.manager.emit_message = JpegQuiet;
    error.manager.output_message = JpegNoOutput;
}

bool SizeAllowed(long width, long height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide;
}

// Adobe CMYK pictures store inverted ink values; multiplying by K gives RGB.
void CmykToRgb(Image& image, bool inverted) {
    std::vector<uint8_t> rgb(static_cast<size_t>(image.width) * image.height * 3);
    for (size_t i = 0, n = static_cast<size_t>(image.width) * image.height; i < n; ++i) {
        const uint8_t* p = &image.pixels[i * 4];
        int c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        rgb[i * 3 + 0] = static_cast<uint8_t>(c * k / 255);
        rgb[i * 3 + 1] = static_cast<uint8_t>(m * k / 255);
        rgb[i * 3 + 2] = static_cast<uint8_t>(y * k / 255);
    }
    image.pixels.swap(rgb);
    image.channels = 3;
}

// Picks the smallest of libjpeg's DCT scales (M/8, M = 1 to 8) whose output still
// covers cover width × cover height, so that a large picture bound for a small
// size is never decoded whole; a zero cover size decodes at full size.
void ChooseDctScale(jpeg_decompress_struct& info, int coverWidth, int coverHeight) {
    if (coverWidth <= 0 || coverHeight <= 0) return;
    info.scale_denom = 8;
    for (unsigned int m = 1; m <= 8; ++m) {
        info.scale_num = m;
        jpeg_calc_output_dimensions(&info);
        if (static_cast<int>(info.output_width) >= coverWidth && static_cast<int>(info.output_height) >= coverHeight) {
            return;
        }
    }
}

// The long jump from libjpeg lands here, so no object with a destructor is created
// between setjmp and the end of the function.
bool DecodeJpegInto(const uint8_t* data, size_t size, int coverWidth, int coverHeight, Image& image,
                    bool& cmykInverted) {
    jpeg_decompress_struct info;
    JpegError error;
    InstallErrorHandler(error, info.err);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || !SizeAllowed(info.image_width, info.image_height)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    if (info.jpeg_color_space == JCS_GRAYSCALE) {
        info.out_color_space = JCS_GRAYSCALE;
    } else if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        info.out_color_space = JCS_CMYK;
    } else {
        info.out_color_space = JCS_RGB;
    }
    ChooseDctScale(info, coverWidth, coverHeight);
    jpeg_start_decompress(&info);
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    image.channels = info.output_components;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * image.channels);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.pixels.data() + static_cast<size_t>(info.output_scanline) * image.width * image.channels;
        jpeg_read_scanlines(&info, &row, 1);
    }
    cmykInverted = info.saw_Adobe_marker;
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool EncodeJpegInto(const Image& image, int quality, unsigned char** buffer, unsigned long* size) {
    jpeg_compress_struct info;
    JpegError error;
    InstallErrorHandler(error, info.err);
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = image.channels;
    info.in_color_space = image.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.pixels.data() +
                                            static_cast<size_t>(info.next_scanline) * image.width * image.channels);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

// How much each source sample adds to one destination sample along one axis.
struct Tap {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Tap> Taps(int from, int to) {
    std::vector<Tap> taps(static_cast<size_t>(to));
    const double ratio = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        Tap& tap = taps[static_cast<size_t>(i)];
        if (to < from) {
            // Shrinking: each destination sample averages the source span it covers.
            double start = i * ratio, end = (i + 1) * ratio;
            int first = static_cast<int>(std::floor(start));
            int last = std::min(from - 1, static_cast<int>(std::ceil(end)) - 1);
            tap.first = first;
            for (int j = first; j <= last; ++j) {
                double overlap = std::min(end, j + 1.0) - std::max(start, static_cast<double>(j));
                tap.weights.push_back(static_cast<float>(std::max(0.0, overlap) / ratio));
            }
        } else {
            // Growing (or same size): linear interpolation between the two nearest samples.
            double centre = (i + 0.5) * ratio - 0.5;
            int left = static_cast<int>(std::floor(centre));
            double fraction = centre - left;
            if (left < 0) {
                left = 0;
                fraction = 0;
            }
            if (left >= from - 1) {
                left = from - 1;
                fraction = 0;
            }
            tap.first = left;
            tap.weights.push_back(static_cast<float>(1.0 - fraction));
            if (fraction > 0) tap.weights.push_back(static_cast<float>(fraction));
        }
    }
    return taps;
}

// One rounded 8-bit sample of a non-negative value.
uint8_t Sample8(float value) { return static_cast<uint8_t>(std::min(value + 0.5f, 255.0f)); }

// Scales image into result (its size set), Channels samples per pixel: across
// first, one source row at a time, then down. Colour is weighted by alpha, so
// transparent pixels do not bleed their colour.
template <int Channels>
void ScaleSamples(const Image& image, Image& result) {
    constexpr bool alpha = Channels == 2 || Channels == 4;
    const size_t srcW = static_cast<size_t>(image.width), srcH = static_cast<size_t>(image.height);
    const size_t width = static_cast<size_t>(result.width), height = static_cast<size_t>(result.height);
    const std::vector<Tap> across = Taps(image.width, result.width), down = Taps(image.height, result.height);

    std::vector<float> rows(width * srcH * Channels, 0.0f);
    std::vector<float> row(srcW * Channels);
    for (size_t y = 0; y < srcH; ++y) {
        const uint8_t* line = &image.pixels[y * srcW * Channels];
        for (size_t x = 0; x < srcW; ++x) {
            float* pixel = &row[x * Channels];
            for (int c = 0; c < Channels; ++c) pixel[c] = line[x * Channels + c];
            if (alpha) {
                const float a = pixel[Channels - 1] / 255.0f;
                for (int c = 0; c < Channels - 1; ++c) pixel[c] *= a;
            }
        }
        float* target = &rows[y * width * Channels];
        for (size_t x = 0; x < width; ++x, target += Channels) {
            const Tap& tap = across[x];
            const float* from = &row[static_cast<size_t>(tap.first) * Channels];
            float sum[Channels] = {};
            for (float weight : tap.weights) {
                for (int c = 0; c < Channels; ++c) sum[c] += from[c] * weight;
                from += Channels;
            }
            for (int c = 0; c < Channels; ++c) target[c] = sum[c];
        }
    }

    std::vector<float> line(width * Channels);
    for (size_t y = 0; y < height; ++y) {
        const Tap& tap = down[y];
        std::fill(line.begin(), line.end(), 0.0f);
        for (size_t k = 0; k < tap.weights.size(); ++k) {
            const float* from = &rows[(tap.first + k) * width * Channels];
            const float weight = tap.weights[k];
            for (size_t i = 0; i < line.size(); ++i) line[i] += from[i] * weight;
        }
        uint8_t* target = &result.pixels[y * width * Channels];
        for (size_t x = 0; x < width; ++x) {
            float* value = &line[x * Channels];
            if (alpha) {
                const float a = value[Channels - 1] / 255.0f;
                for (int c = 0; c < Channels - 1; ++c) value[c] = a > 0 ? value[c] / a : 0.0f;
            }
            for (int c = 0; c < Channels; ++c) target[x * Channels + c] = Sample8(value[c]);
        }
    }
}

}  // namespace

PictureFormat SniffPicture(const uint8_t* data, size_t size) {
    if (data && size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PictureFormat::Jpeg;
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (data && size >= 8 && std::equal(png, png + 8, data)) return PictureFormat::Png;
    return PictureFormat::Unknown;
}

bool DecodeJpeg(const uint8_t* data, size_t size, Image& image, int coverWidth, int coverHeight) {
    if (SniffPicture(data, size) != PictureFormat::Jpeg) return false;
    bool inverted = false;
    if (!DecodeJpegInto(data, size, coverWidth, coverHeight, image, inverted)) return false;
    if (image.channels == 4) CmykToRgb(image, inverted);
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, Image& image) {
    if (SniffPicture(data, size) != PictureFormat::Png) return false;
    png_image info{};
    info.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&info, data, size)) return false;
    if (!SizeAllowed(info.width, info.height)) {
        png_image_free(&info);
        return false;
    }
    const png_uint_32 alpha = info.format & PNG_FORMAT_FLAG_ALPHA;
    info.format = ((info.format & PNG_FORMAT_FLAG_COLOR) ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY) | alpha;
    image.width = static_cast<int>(info.width);
    image.height = static_cast<int>(info.height);
    image.channels = static_cast<int>(PNG_IMAGE_SAMPLE_CHANNELS(info.format));
    image.pixels.resize(PNG_IMAGE_SIZE(info));
    if (!png_image_finish_read(&info, nullptr, image.pixels.data(), 0, nullptr)) {
        png_image_free(&info);
        return false;
    }
    return true;
}

bool EncodeJpeg(const Image& image, int quality, Bytes& out) {
    if (image.channels != 1 && image.channels != 3) return false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    bool encoded = EncodeJpegInto(image, quality, &buffer, &size);
    if (encoded) out.assign(buffer, buffer + size);
    std::free(buffer);
    return encoded;
}

bool EncodePng(const Image& image, Bytes& out) {
    png_image info{};
    info.version = PNG_IMAGE_VERSION;
    info.width = static_cast<png_uint_32>(image.width);
    info.height = static_cast<png_uint_32>(image.height);
    switch (image.channels) {
        case 1: info.format = PNG_FORMAT_GRAY; break;
        case 2: info.format = PNG_FORMAT_GA; break;
        case 3: info.format = PNG_FORMAT_RGB; break;
        case 4: info.format = PNG_FORMAT_RGBA; break;
        default: return false;
    }
    // Encoded once into a buffer of the largest size the picture can take.
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(info);
    out.resize(size);
    if (!png_image_write_to_memory(&info, out.data(), &size, 0, image.pixels.data(), 0, nullptr)) return false;
    out.resize(size);
    return true;
}

Image Scale(const Image& image, int width, int height) {
    Image result;
    result.width = width;
    result.height = height;
    result.channels = image.channels;
    result.pixels.resize(static_cast<size_t>(width) * height * image.channels);
    switch (image.channels) {
        case 1: ScaleSamples<1>(image, result); break;
        case 2: ScaleSamples<2>(image, result); break;
        case 3: ScaleSamples<3>(image, result); break;
        case 4: ScaleSamples<4>(image, result); break;
        default: break;
    }
    return result;
}

bool ResizePicture(const uint8_t* data, size_t size, int width, int height, Bytes& out) {
    if (!SizeAllowed(width, height)) return false;
    Image image;
    switch (SniffPicture(data, size)) {
        case PictureFormat::Jpeg:
            return DecodeJpeg(data, size, image, width, height) && EncodeJpeg(Scale(image, width, height), 90, out);
        case PictureFormat::Png:
            return DecodePng(data, size, image) && EncodePng(Scale(image, width, height), out);
        case PictureFormat::Unknown: break;
    }
    return false;
}

}  // namespace zelagent
