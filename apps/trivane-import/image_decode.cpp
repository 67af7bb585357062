#include "image_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

namespace trivane {

namespace {

std::string sizeText(uint32_t width, uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " texels";
}

bool withinSides(uint32_t width, uint32_t height, uint32_t maxSide, std::string& why) {
    if (width > 0 && height > 0 && width <= maxSide && height <= maxSide) return true;
    why = "it is " + sizeText(width, height) + ", more than " + std::to_string(maxSide) + " a side or empty";
    return false;
}

bool decodePng(const uint8_t* data, size_t size, uint32_t maxSide, DecodedImage& image, std::string& why) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size)) {
        why = png.message;
        return false;
    }
    if (!withinSides(png.width, png.height, maxSide, why)) {
        png_image_free(&png);
        return false;
    }
    // Transparent texels are composed onto black: the fill has no alpha.
    png.format = PNG_FORMAT_BGR;
    image.width = png.width;
    image.height = png.height;
    image.texels.assign(size_t{png.width} * png.height * 3, 0);
    // A negative stride puts the bottom row first, as the fill reads rows.
    const png_int_32 stride = -static_cast<png_int_32>(png.width * 3);
    if (!png_image_finish_read(&png, nullptr, image.texels.data(), stride, nullptr)) {
        why = png.message;
        return false;
    }
    return true;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void leaveJpeg(j_common_ptr common) {
    JpegError* error = reinterpret_cast<JpegError*>(common->err);
    (*common->err->format_message)(common, error->message);
    std::longjmp(error->jump, 1);
}

// Kept free of objects with destructors between setjmp and the library's
// calls, so that the jump out of an error skips none.
bool decodeJpeg(const uint8_t* data, size_t size, uint32_t maxSide, DecodedImage& image, std::string& why) {
    jpeg_decompress_struct jpeg;
    JpegError error;
    jpeg.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = leaveJpeg;
    error.message[0] = '\0';
    if (setjmp(error.jump) != 0) {
        jpeg_destroy_decompress(&jpeg);
        why = error.message;
        return false;
    }
    jpeg_create_decompress(&jpeg);
    jpeg_mem_src(&jpeg, data, static_cast<unsigned long>(size));
    jpeg_read_header(&jpeg, TRUE);
    if (!withinSides(jpeg.image_width, jpeg.image_height, maxSide, why)) {
        jpeg_destroy_decompress(&jpeg);
        return false;
    }
    jpeg.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&jpeg);
    image.width = jpeg.output_width;
    image.height = jpeg.output_height;
    image.texels.resize(size_t{image.width} * image.height * 3);
    const size_t row = size_t{image.width} * 3;
    while (jpeg.output_scanline < jpeg.output_height) {
        // JPEG rows come top first; the reply wants the bottom row first.
        JSAMPROW into = image.texels.data() + (image.height - 1 - jpeg.output_scanline) * row;
        jpeg_read_scanlines(&jpeg, &into, 1);
    }
    jpeg_finish_decompress(&jpeg);
    jpeg_destroy_decompress(&jpeg);
    return true;
}

}  // namespace

bool decodeImage(const uint8_t* data, size_t size, uint32_t maxSide, DecodedImage& image, std::string& why) {
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return decodePng(data, size, maxSide, image, why);
    if (size >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff)
        return decodeJpeg(data, size, maxSide, image, why);
    why = "it is neither PNG nor JPEG";
    return false;
}

}  // namespace trivane
