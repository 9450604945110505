// Test pictures: a colour gradient encoded as JPEG (libjpeg) or PNG (libpng).
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "internal.h"

namespace zelmediagen {
namespace {

// Pixels of the gradient: red grows to the right, green downwards, blue is a checker.
std::vector<uint8_t> Gradient(int width, int height, int channels) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * channels);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * channels];
            p[0] = static_cast<uint8_t>(width > 1 ? x * 255 / (width - 1) : 128);
            p[1] = static_cast<uint8_t>(height > 1 ? y * 255 / (height - 1) : 128);
            p[2] = static_cast<uint8_t>(((x / 8 + y / 8) % 2) ? 200 : 60);
            if (channels == 4) p[3] = static_cast<uint8_t>(255 - (x + y) % 128);
        }
    }
    return pixels;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void JpegQuiet(j_common_ptr, int) {}

// Encodes the pixels; kept free of objects with destructors because of the long jump.
bool EncodeJpeg(const uint8_t* pixels, int width, int height, int quality, unsigned char** out,
                unsigned long* outSize) {
    jpeg_compress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegFail;
    error.manager.emit_message = JpegQuiet;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, outSize);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + static_cast<size_t>(info.next_scanline) * width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

Bytes MakeJpeg(int width, int height, int quality) {
    if (width <= 0 || height <= 0) return {};
    std::vector<uint8_t> pixels = Gradient(width, height, 3);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    Bytes result;
    if (EncodeJpeg(pixels.data(), width, height, quality, &buffer, &size)) result.assign(buffer, buffer + size);
    std::free(buffer);
    return result;
}

Bytes MakePng(int width, int height, bool alpha) {
    if (width <= 0 || height <= 0) return {};
    int channels = alpha ? 4 : 3;
    std::vector<uint8_t> pixels = Gradient(width, height, channels);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr)) return {};
    Bytes result(size);
    if (!png_image_write_to_memory(&image, result.data(), &size, 0, pixels.data(), 0, nullptr)) return {};
    result.resize(size);
    return result;
}

Bytes MakeImage(ImageFormat format, int width, int height) {
    switch (format) {
        case ImageFormat::Jpeg: return MakeJpeg(width, height);
        case ImageFormat::Png: return MakePng(width, height);
        case ImageFormat::None: break;
    }
    return {};
}

bool WriteJpeg(const std::string& path, int width, int height) {
    Bytes data = MakeJpeg(width, height);
    return !data.empty() && WriteBytes(path, data);
}

bool WritePng(const std::string& path, int width, int height) {
    Bytes data = MakePng(width, height);
    return !data.empty() && WriteBytes(path, data);
}

}  // namespace zelmediagen
