#include "render/jpeg_codec.h"

// clang-format off
// jpeglib.h needs size_t and FILE declared before it.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
// clang-format on

namespace papyrion::pdf {

namespace {

// The error manager jumps back to the call that set it up. Only C objects
// live between setjmp and longjmp, so no destructor is skipped.
struct JumpingErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void JumpOnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<JumpingErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

void SilenceMessage(j_common_ptr) {}

// Returns false when libjpeg reported an error. `buffer` and `size` are
// filled by jpeg_mem_dest and must be freed by the caller.
bool Compress(const RgbBitmap& bitmap, int quality, unsigned char** buffer, unsigned long* size) {
    jpeg_compress_struct info;
    JumpingErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JumpOnError;
    errors.base.output_message = SilenceMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = static_cast<JDIMENSION>(bitmap.width);
    info.image_height = static_cast<JDIMENSION>(bitmap.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::size_t row = static_cast<std::size_t>(bitmap.width) * 3;
    while (info.next_scanline < info.image_height) {
        // libjpeg's row pointer is not const, but it only reads the rows.
        JSAMPROW rows[1] = {const_cast<JSAMPLE*>(bitmap.pixels.data() + row * info.next_scanline)};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

struct DecodedSize {
    int width = 0;
    int height = 0;
};

// Decodes into `out` (malloc'ed rows of RGB, freed by the caller).
bool Decompress(std::string_view data, unsigned char** out, DecodedSize* size) {
    jpeg_decompress_struct info;
    JumpingErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JumpOnError;
    errors.base.output_message = SilenceMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()),
                 static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const std::size_t row = static_cast<std::size_t>(info.output_width) * 3;
    const std::size_t total = row * info.output_height;
    // A header may claim any size; a page preview is never near this.
    if (info.output_components != 3 || total == 0 || total > (std::size_t{1} << 30)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    *out = static_cast<unsigned char*>(std::malloc(total));
    if (*out == nullptr) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {*out + row * info.output_scanline};
        jpeg_read_scanlines(&info, rows, 1);
    }
    size->width = static_cast<int>(info.output_width);
    size->height = static_cast<int>(info.output_height);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

std::string EncodeJpeg(const RgbBitmap& bitmap, int quality) {
    if (bitmap.width <= 0 || bitmap.height <= 0 ||
        bitmap.pixels.size() !=
            static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height) * 3) {
        return {};
    }
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = Compress(bitmap, quality, &buffer, &size);
    std::string jpeg;
    if (ok && buffer != nullptr) jpeg.assign(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return jpeg;
}

std::optional<RgbBitmap> DecodeJpeg(std::string_view data) {
    unsigned char* pixels = nullptr;
    DecodedSize size;
    const bool ok = Decompress(data, &pixels, &size);
    std::optional<RgbBitmap> bitmap;
    if (ok && pixels != nullptr) {
        bitmap.emplace();
        bitmap->width = size.width;
        bitmap->height = size.height;
        bitmap->pixels.assign(pixels, pixels + static_cast<std::size_t>(size.width) *
                                                   static_cast<std::size_t>(size.height) * 3);
    }
    std::free(pixels);
    return bitmap;
}

}  // namespace papyrion::pdf
